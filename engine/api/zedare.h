// The engine's exported C interface: six functions under plain names, one opaque
// handle, 32-bit integers and C strings. The desktop application loads the library
// by name at run time and binds these by name; other programs link it (pkg-config
// zedare, or find_package(Zedare) and Zedare::zedare). Nothing else crosses the boundary.
//
// Bad arguments are refused rather than trusted: a null handle, a square outside
// 1..8 or a colour other than +1/-1 where one is needed makes the call return 0 and
// change nothing, and no C++ exception ever leaves these functions.
//
// The calling contract:
// - The engine reads "modele/" and "otwarcia/" from the working directory (installed:
//   share/zedare: pkg-config's pkgdatadir, CMake's Zedare_DATA_DIR). Load a model
//   (ZEDARE_LOAD_MODEL, slot 1) before the first search; a missing or damaged model
//   file ends the process with a message.
// - A search runs inside ZEDARE_HUMAN_MOVE / ZEDARE_COMPUTER_MOVE with b = 0 and inside
//   ZEDARE_THINK_IN_BACKGROUND. While one thread is in a search, another may call only
//   codes 25 to 28 (the stop flags; clearing one ends that search soon) and the reads
//   of the game board: TavrinInst codes 3 to 7, 10 to 13, 20 to 22 and 24, and
//   TavrinInst_p0 codes 0 to 2. Any other call must wait until the search has returned.
//   A stop sent before the search has raised its flag is lost: send it again while
//   the search has not returned.
// - Apart from that, one thread at a time per instance, and TavrinDestroy only when no
//   other call on the instance runs.
//
// The error hook: a failed internal precondition (a damaged model file, data of the
// wrong shape) writes a three-line text (each line ended by "\n") to standard output
// and ends the process with exit status 1. A program that defines and exports, with C
// linkage,
//     void TavrinMatrixErrorHook(const char* text);
// is called with that text first (the engine finds it with dlsym in the whole process;
// a desktop program shows it in a message box there); the hook may end the process
// itself.
#ifndef ZEDARE_API_ZEDARE_H
#define ZEDARE_API_ZEDARE_H

#include <stdint.h>

#if defined(ZEDARE_BUILDING)
#define ZEDARE_EXPORT __attribute__((visibility("default")))
#else
#define ZEDARE_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef void* ZedareHandle;

// Codes of TavrinInst (arguments a, b).
enum ZedareInstCode {
  ZEDARE_SET_HUMAN_COLOUR = 0,     /* a: +1 or -1; the computer takes the other colour */
  ZEDARE_SET_LEVEL = 1,            /* a: 1..7 */
  ZEDARE_SET_ALGORITHM = 2,        /* a: 0 minimax, 1 alpha-beta, 2 MTD(f), 3 fast */
  ZEDARE_HUMAN_COLOUR = 3,
  ZEDARE_COMPUTER_COLOUR = 4,
  ZEDARE_SIDE_TO_MOVE = 5,
  ZEDARE_LEVEL = 6,
  ZEDARE_ALGORITHM = 7,
  ZEDARE_NEW_GAME = 8,             /* the start position, the record reset */
  ZEDARE_RESET_TREE = 9,           /* the kept tree forgotten */
  ZEDARE_IS_HUMAN_TO_MOVE = 10,
  ZEDARE_IS_COMPUTER_TO_MOVE = 11,
  ZEDARE_HUMAN_CAN_MOVE = 12,
  ZEDARE_COMPUTER_CAN_MOVE = 13,
  ZEDARE_HUMAN_MOVE = 14,          /* b = 0: search and play (a: book allowed); else play (a, b) */
  ZEDARE_COMPUTER_MOVE = 15,       /* as ZEDARE_HUMAN_MOVE, for the computer's colour */
  ZEDARE_THINK_IN_BACKGROUND = 16, /* runs until done or ZEDARE_STOP_PONDERING */
  ZEDARE_EXACT_COUNT = 17,
  ZEDARE_EVAL_COUNT = 18,
  ZEDARE_GAME_COUNTER = 19,
  ZEDARE_BEST_VALUE = 20,          /* the chosen move's value times 1000, truncated */
  ZEDARE_LAST_ROW = 21,
  ZEDARE_LAST_COLUMN = 22,
  ZEDARE_SET_LAST_MOVE = 23,       /* a: row, b: column (0..8) */
  ZEDARE_DISC_DIFFERENCE = 24,
  ZEDARE_IS_SEARCHING = 25,
  ZEDARE_STOP_SEARCH = 26,         /* clears the move search's flag */
  ZEDARE_IS_PONDERING = 27,
  ZEDARE_STOP_PONDERING = 28,      /* clears the background thinking's flag */
  ZEDARE_LOAD_MODEL = 30,          /* a: slot 1 or 2, b: style 0..6 */
  ZEDARE_SET_MOVE_TIME = 31,       /* a: milliseconds a move search may take, 0: no limit */
  ZEDARE_MOVE_TIME = 32,           /* the limit set by ZEDARE_SET_MOVE_TIME */
  /* The computer's judgement, readable while no search runs (not while a worker is in
     codes 14/15 with b = 0 or in code 16). */
  ZEDARE_MOVE_VALUE = 33,          /* a: row, b: column: that move's value in the kept
                                      tree's root list times 1000, truncated, from the
                                      computer's side; -9999000 when the tree holds none */
  ZEDARE_EVAL_TERM = 34,           /* a: term 1..14 in the evaluation's order, b: 0 its
                                      contribution to the game board's evaluation for the
                                      computer (weight set 1) times 1000, truncated; 1 the
                                      term's feature value; 2 its weight times 1000. 0 for
                                      every term when neither side can move or no model is
                                      loaded */
};

// Codes of TavrinInst_p0 (row, column, colour): the game board.
enum ZedareBoardCode {
  ZEDARE_SQUARE_COLOUR = 0,  /* row, column: -1, 0 or +1 */
  ZEDARE_SQUARE_STATE = 1,   /* row, column: the square's state in the grid */
  ZEDARE_IS_LEGAL = 2,       /* row, column, colour: 1 if legal */
  ZEDARE_PASS = 3,           /* the side to move passes */
  ZEDARE_END_GAME = 4,       /* side to move := 0 (the game is over) */
};

// Colours, as every code takes and gives them.
enum ZedareColour {
  ZEDARE_BLACK = -1,
  ZEDARE_NOBODY = 0, /* an empty square, or nobody to move once the game is over */
  ZEDARE_WHITE = 1,
};

// Square states given by ZEDARE_SQUARE_STATE.
enum ZedareSquareState {
  ZEDARE_SQUARE_EMPTY = 0,     /* empty, with no disc next to it */
  ZEDARE_SQUARE_CANDIDATE = 1, /* empty and next to a disc: a move may go there */
  ZEDARE_SQUARE_OCCUPIED = 2,
};

// Codes of TavrinInst_pp: the game record.
enum ZedareRecordCode {
  ZEDARE_RECORD_STORE = 0,          /* the game board into the record, with the human's colour */
  ZEDARE_RECORD_RESET = 1,
  ZEDARE_RECORD_PLAYER_COLOUR = 2,
  ZEDARE_RECORD_LOAD_CURRENT = 3,   /* the record's current position onto the game board */
  ZEDARE_RECORD_SIDE_TO_MOVE = 4,   /* the side to move in the current position */
  ZEDARE_RECORD_FORWARD = 5,
  ZEDARE_RECORD_BACK = 6,
  ZEDARE_RECORD_LAST = 7,
  ZEDARE_RECORD_FIRST = 8,
};

// Codes of TavrinFile_pp (1: done, 0: not).
enum ZedareFileCode {
  ZEDARE_FILE_LOAD = 0,
  ZEDARE_FILE_SAVE = 1,
};

ZEDARE_EXPORT ZedareHandle TavrinCreate(void);
ZEDARE_EXPORT void TavrinDestroy(ZedareHandle engine);
ZEDARE_EXPORT int32_t TavrinInst(ZedareHandle engine, uint32_t code, int32_t a, int32_t b);
ZEDARE_EXPORT int32_t TavrinInst_p0(ZedareHandle engine, uint32_t code, int32_t row, int32_t column,
                                    int32_t colour);
ZEDARE_EXPORT int32_t TavrinInst_pp(ZedareHandle engine, uint32_t code);
// Code 0 loads the game record from `path`, code 1 saves it there. The result is 1 when
// the file was loaded or written, 0 when not (the record is then left as it was).
ZEDARE_EXPORT int32_t TavrinFile_pp(ZedareHandle engine, uint32_t code, const char* path);

#ifdef __cplusplus
}
#endif

#endif
