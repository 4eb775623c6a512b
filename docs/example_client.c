/* A terminal game against the engine, as a client of the installed library:
 *
 *   cc -std=c99 example_client.c $(pkg-config --cflags --libs zedare) -o reversi
 *   ./reversi "$(pkg-config --variable=pkgdatadir zedare)" [level]
 *
 * The engine reads its models and books from the working directory, so the client
 * first moves to the data folder it is given. The human plays black and types moves
 * such as f5 (letter: the column from the left, digit: the row from the top). */
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <zedare.h>

static ZedareHandle engine;

static int inst(enum ZedareInstCode code, int a, int b) {
  return TavrinInst(engine, code, a, b);
}
static int square(int letter, int digit) {
  return TavrinInst_p0(engine, ZEDARE_SQUARE_COLOUR, letter, digit, 0);
}

static void printBoard(int* black, int* white) {
  *black = *white = 0;
  printf("  a b c d e f g h\n");
  for (int digit = 1; digit <= 8; ++digit) {
    printf("%d", digit);
    for (int letter = 1; letter <= 8; ++letter) {
      const int colour = square(letter, digit);
      *black += colour == -1;
      *white += colour == 1;
      printf(" %c", colour == -1 ? 'X' : colour == 1 ? 'O' : '.');
    }
    printf("\n");
  }
}

int main(int argc, char** argv) {
  if (argc > 1 && chdir(argv[1]) != 0) {
    perror(argv[1]);
    return 1;
  }
  engine = TavrinCreate();
  if (engine == NULL) return 1;
  inst(ZEDARE_LOAD_MODEL, 1, 6);
  inst(ZEDARE_SET_LEVEL, argc > 2 ? atoi(argv[2]) : 2, 0);
  inst(ZEDARE_SET_HUMAN_COLOUR, -1, 0);
  inst(ZEDARE_NEW_GAME, 0, 0);
  int black, white, moved = 1;
  char line[64];
  for (;;) {
    if (moved) printBoard(&black, &white);
    moved = 0;
    const int side = inst(ZEDARE_SIDE_TO_MOVE, 0, 0);
    if (side == 0) break;
    const int human = side == inst(ZEDARE_HUMAN_COLOUR, 0, 0);
    if (!inst(human ? ZEDARE_HUMAN_CAN_MOVE : ZEDARE_COMPUTER_CAN_MOVE, 0, 0)) {
      const int other = inst(human ? ZEDARE_COMPUTER_CAN_MOVE : ZEDARE_HUMAN_CAN_MOVE, 0, 0);
      if (other) printf(human ? "You pass.\n" : "The engine passes.\n");
      TavrinInst_p0(engine, other ? ZEDARE_PASS : ZEDARE_END_GAME, 0, 0, 0);
      continue;
    }
    moved = 1;
    if (!human) {
      inst(ZEDARE_COMPUTER_MOVE, 1, 0);
      printf("The engine plays %c%d.\n", 'a' + inst(ZEDARE_LAST_ROW, 0, 0) - 1,
             inst(ZEDARE_LAST_COLUMN, 0, 0));
      continue;
    }
    int letter, digit;
    for (;;) {
      printf("Your move: ");
      fflush(stdout);
      if (fgets(line, sizeof line, stdin) == NULL) return 0;
      line[strcspn(line, "\r\n")] = '\0';
      if (!isatty(STDIN_FILENO)) printf("%s\n", line); /* scripted input shown in the transcript */
      letter = tolower((unsigned char)line[0]) - 'a' + 1;
      digit = line[0] != '\0' ? line[1] - '0' : 0;
      if (TavrinInst_p0(engine, ZEDARE_IS_LEGAL, letter, digit, side) && square(letter, digit) == 0)
        break;
      printf("\"%s\" is not a legal move.\n", line);
    }
    inst(ZEDARE_HUMAN_MOVE, letter, digit);
  }
  printf("Game over: black (you) %d, white (engine) %d: %s.\n", black, white,
         black > white   ? "you win"
         : black < white ? "the engine wins"
                         : "a draw");
  TavrinDestroy(engine);
  return 0;
}
