// Game transcripts: a game as its start position and its moves, and the two text forms
// that other Othello programs exchange games in.
//
//   move text  "f5d6c3d3c4..."  two characters a move (column letter a..h, row digit
//              1..8), case-insensitive on read, blanks between moves allowed. A pass is
//              forced, so it is usually left out and inferred; "PA" or "--" is accepted
//              where the side to move has no legal move. Written in lower case without
//              passes. Always from the standard start position.
//   (Both readers drop a pass that ends the transcript: it is forced, so its position
//   already says it, and neither move text nor a game record could carry it.)
//   GGF        "(;GM[Othello]PC[..]DT[..]PB[..]PW[..]RE[..]TI[..]TY[8]BO[8 <64> <side>]
//              B[f5]W[d6]...;)" one game, any 8x8 start position (BO: '-' empty, '*'
//              black, 'O' white, the 64 squares row 1 first, a1..h1), passes as "PA", a
//              move may carry "/value/time" after it.
//
// The letter is the engine's row and the digit its column: the window shows the engine's
// row as the screen column from the left, so "f5" is what the window shows as f5.
//
// The game record (.gam) holds positions, not moves; a transcript is recovered from it by
// finding the one disc that each position adds to the one before (a pass shows as a move
// of the colour that was not to move). Every reader refuses what it cannot take as a game
// with a message that names the move or the character where it went wrong.
#ifndef ZEDARE_RECORDS_TRANSCRIPT_H
#define ZEDARE_RECORDS_TRANSCRIPT_H

#include <string>
#include <vector>

#include "board/board.h"
#include "records/game_record.h"

namespace zedare {

struct GameMove {
  int row = 0;  // 0: a pass
  int column = 0;
  bool isPass() const { return row == 0; }
};

struct Transcript {
  Board start;                  // side to move set
  std::vector<GameMove> moves;  // every pass written out
  std::string black = "Gracz";  // GGF player names
  std::string white = "Zedare";
  int playerColour = -1;  // the human's colour of the record (white when PW is "Gracz")

  Transcript() { start.setInitial(); }
};

// Longest text a reader takes (a game is a few hundred characters).
constexpr std::size_t kMaxTranscriptText = 65536;

// "f5", "pa" for a pass; an empty string for a square off the board.
std::string moveName(const GameMove& move);
// Parses one move ("f5", "F5", "PA", "pa", "--"); false for anything else.
bool parseMoveName(const std::string& text, GameMove& move);

// Plays one move of the game on `board` (a pass only when the side to move has no legal
// move and the game is not over). An empty string when done, else why not; `board` is
// then unchanged.
std::string playGameMove(Board& board, const GameMove& move);
// Appends a move to `game`, whose end position is `board`, for `colour` (the side the
// text names; 0 for the side to move). A move of the side not to move is taken as a pass
// of the side to move when that side has no legal move (the pass is appended too), so
// that lists written without passes read back. Empty string when done, else the reason.
std::string appendGameMove(Transcript& game, Board& board, const GameMove& move, int colour);
// The side to move after a move, as a game goes on: the opponent, the same side when the
// opponent must pass, 0 when neither can move.
int nextToMove(const Board& board);

// Each returns an empty string on success, otherwise the reason (and `out` is unchanged).
std::string parseMoveText(const std::string& text, Transcript& out);
std::string parseGgf(const std::string& text, Transcript& out);
std::string transcriptFromRecord(const GameRecord& record, Transcript& out);
std::string recordFromTranscript(const Transcript& game, GameRecord& out);

// Writers; writeMoveText refuses (empty result, reason in `error`) a game that does not
// start from the standard start position.
std::string writeMoveText(const Transcript& game, std::string& error);
// `date` goes into DT as given.
std::string writeGgf(const Transcript& game, const std::string& date);

// Game files by extension: ".gam" (the game record), ".ggf", ".txt" or ".mov" (move
// text); case-insensitive. Unknown for anything else.
enum class GameFileFormat { Unknown, Record, MoveText, Ggf };
GameFileFormat gameFileFormat(const std::string& path);

// Reads `inPath` and writes the same game to `outPath`, each in the format of its
// extension. An empty string when done; else the reason, naming the file (`outPath` is
// then not touched). GGF gets `date` as DT.
std::string convertGameFile(const std::string& inPath, const std::string& outPath,
                            const std::string& date);

// The position at the end of the game (side to move by nextToMove).
Board finalPosition(const Transcript& game);

}  // namespace zedare

#endif
