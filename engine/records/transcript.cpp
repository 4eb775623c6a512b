// Move text and GGF readers and writers, and the conversion to and from the game record.
#include "records/transcript.h"

#include <bit>
#include <cctype>
#include <cstdio>
#include <memory>

#include "records/safe_file.h"

namespace zedare {

namespace {

const char* colourName(int colour) {
  return colour == -1 ? "black" : colour == 1 ? "white" : "nobody";
}

bool sameSquares(const Board& a, const Board& b) {
  return a.occupancy == b.occupancy && a.discs(1) == b.discs(1);
}

bool isStandardStart(const Board& b) {
  Board initial;
  initial.setInitial();
  return sameSquares(b, initial) && b.sideToMove == -1;
}

std::string moveError(std::size_t number, const GameMove& move, const std::string& why) {
  return "move " + std::to_string(number) + " (" + moveName(move) + "): " + why;
}

}  // namespace

std::string appendGameMove(Transcript& game, Board& board, const GameMove& move, int colour) {
  const std::size_t number = game.moves.size() + 1;
  if (board.sideToMove == 0 || nextToMove(board) == 0) {
    return moveError(number, move, "the game is already over");
  }
  if (move.isPass() && colour != 0 && colour != board.sideToMove) {
    return moveError(number, move,
                     std::string("a pass by ") + colourName(colour) + ", but " +
                         colourName(board.sideToMove) + " is to move");
  }
  if (!move.isPass() && colour != 0 && colour != board.sideToMove) {
    if (board.hasLegalMove(board.sideToMove)) {
      return moveError(number, move,
                       std::string("played by ") + colourName(colour) + ", but " +
                           colourName(board.sideToMove) + " is to move");
    }
    board.pass();
    game.moves.push_back(GameMove{});
  } else if (!move.isPass() && colour == 0 && !board.hasLegalMove(board.sideToMove)) {
    board.pass();
    game.moves.push_back(GameMove{});
  }
  const std::string why = playGameMove(board, move);
  if (!why.empty()) return moveError(game.moves.size() + 1, move, why);
  game.moves.push_back(move);
  return "";
}

namespace {

std::string parseBoardProperty(const std::string& value, Board& start) {
  std::string squares;
  std::size_t i = 0;
  auto skip = [&] {
    while (i < value.size() && std::isspace(static_cast<unsigned char>(value[i]))) ++i;
  };
  skip();
  if (value.compare(i, 1, "8") != 0 ||
      (i + 1 < value.size() && !std::isspace(static_cast<unsigned char>(value[i + 1])))) {
    return "BO: only 8x8 boards are played";
  }
  ++i;
  while (squares.size() < 65) {
    skip();
    if (i >= value.size()) break;
    squares += value[i++];
  }
  skip();
  if (squares.size() != 65 || i != value.size()) {
    return "BO: needs 64 squares and the side to move";
  }
  Board b;
  b.setInitial();
  for (int k = 0; k < 64; ++k) {
    const char c = squares[k];
    const int colour = c == '*' ? -1 : (c == 'O' || c == 'o') ? 1 : 0;
    if (colour == 0 && c != '-' && c != '.') {
      return std::string("BO: square ") + std::to_string(k + 1) + " is '" + c + "'";
    }
    // Square k is column letter k % 8 (the engine's row) of board row k / 8.
    b.setSquare(k % 8 + 1, k / 8 + 1, colour);
  }
  const char side = squares[64];
  if (side != '*' && side != 'O' && side != 'o') return "BO: the side to move is not * or O";
  b.sideToMove = static_cast<int8_t>(side == '*' ? -1 : 1);
  b.rebuildCandidates();
  if (b.discCount < 4) return "BO: a position needs at least 4 discs";
  start = b;
  return "";
}

}  // namespace

std::string moveName(const GameMove& move) {
  if (move.isPass()) return "pa";
  if (move.row < 1 || move.row > 8 || move.column < 1 || move.column > 8) return "";
  return std::string{static_cast<char>('a' + move.row - 1), static_cast<char>('0' + move.column)};
}

bool parseMoveName(const std::string& text, GameMove& move) {
  if (text.size() != 2) return false;
  const char a = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  const char b = static_cast<char>(std::tolower(static_cast<unsigned char>(text[1])));
  if ((a == 'p' && b == 'a') || (a == '-' && b == '-')) {
    move = GameMove{};
    return true;
  }
  if (a < 'a' || a > 'h' || b < '1' || b > '8') return false;
  move = GameMove{a - 'a' + 1, b - '0'};
  return true;
}

int nextToMove(const Board& board) {
  if (board.hasLegalMove(board.sideToMove)) return board.sideToMove;
  if (board.hasLegalMove(-board.sideToMove)) return -board.sideToMove;
  return 0;
}

std::string playGameMove(Board& board, const GameMove& move) {
  const int side = board.sideToMove;
  if (side == 0) return "the game is over";
  if (move.isPass()) {
    if (board.hasLegalMove(side))
      return std::string("a pass, but ") + colourName(side) + " can move";
    if (!board.hasLegalMove(-side)) return "a pass, but the game is over";
    board.pass();
    return "";
  }
  if (board.colourAt(move.row, move.column) != 0) return "the square is taken";
  if (!board.play(move.row, move.column, side)) {
    return std::string("not a legal move for ") + colourName(side);
  }
  return "";
}

Board finalPosition(const Transcript& game) {
  Board b = game.start;
  for (const GameMove& m : game.moves) playGameMove(b, m);
  b.sideToMove = static_cast<int8_t>(nextToMove(b));
  return b;
}

namespace {

// A pass is always forced, so one that ends a transcript (no move after it) says nothing
// that its position does not: the side to move there has no legal move. Neither move text
// (whose passes are found again from the move after them) nor a game record can hold it,
// so the readers drop it, and every form reads back to the same moves.
void dropTrailingPass(Transcript& game) {
  if (!game.moves.empty() && game.moves.back().isPass()) game.moves.pop_back();
}

}  // namespace

std::string parseMoveText(const std::string& text, Transcript& out) {
  if (text.size() > kMaxTranscriptText) return "move text: longer than any game";
  Transcript game;
  Board board = game.start;
  std::size_t i = 0;
  while (true) {
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    if (i >= text.size()) break;
    GameMove move;
    if (i + 1 >= text.size() || !parseMoveName(text.substr(i, 2), move)) {
      return "move text at character " + std::to_string(i + 1) + ": \"" + text.substr(i, 2) +
             "\" is not a move";
    }
    const std::string why = appendGameMove(game, board, move, 0);
    if (!why.empty()) return "move text at character " + std::to_string(i + 1) + ": " + why;
    i += 2;
  }
  dropTrailingPass(game);
  out = game;
  return "";
}

std::string writeMoveText(const Transcript& game, std::string& error) {
  if (!isStandardStart(game.start)) {
    error = "move text starts from the standard position; this game does not (write GGF)";
    return "";
  }
  std::string text;
  for (const GameMove& m : game.moves) {
    if (!m.isPass()) text += moveName(m);
  }
  return text;
}

std::string parseGgf(const std::string& text, Transcript& out) {
  if (text.size() > kMaxTranscriptText) return "GGF: longer than any game";
  std::size_t at = 0;
  auto skipBlanks = [&] {
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
  };
  auto where = [](std::size_t position) {
    return "GGF at character " + std::to_string(position + 1) + ": ";
  };
  skipBlanks();
  if (text.compare(at, 2, "(;") != 0) return where(at) + "a game starts with \"(;\"";
  at += 2;
  Transcript game;
  Board board = game.start;
  bool started = false;  // a move seen: BO may no longer change the start
  while (true) {
    skipBlanks();
    if (at >= text.size()) return "GGF: the text ends before \";)\" closes the game";
    if (text.compare(at, 2, ";)") == 0) break;
    const std::size_t nameAt = at;
    while (at < text.size() && std::isupper(static_cast<unsigned char>(text[at]))) ++at;
    const std::string name = text.substr(nameAt, at - nameAt);
    if (name.empty() || at >= text.size() || text[at] != '[') {
      return where(nameAt) + "expected a property NAME[value]";
    }
    const std::size_t close = text.find(']', at);
    if (close == std::string::npos) return "GGF: the text ends inside " + name + "[";
    const std::string value = text.substr(at + 1, close - at - 1);
    const std::string here = where(nameAt);
    at = close + 1;
    if (name == "GM" && value != "Othello") return here + "GM[" + value + "] is not Othello";
    if (name == "TY" && value != "8") return here + "TY[" + value + "]: only TY[8] is played";
    if (name == "PB") game.black = value;
    if (name == "PW") game.white = value;
    if (name == "BO") {
      if (started) return here + "BO after the first move";
      const std::string why = parseBoardProperty(value, game.start);
      if (!why.empty()) return here + why;
      board = game.start;
    }
    if (name == "B" || name == "W") {
      started = true;
      GameMove move;
      if (!parseMoveName(value.substr(0, value.find('/')), move)) {
        return here + name + "[" + value + "] is not a move";
      }
      const std::string why = appendGameMove(game, board, move, name == "B" ? -1 : 1);
      if (!why.empty()) return here + why;
    }
  }
  game.playerColour = game.white == "Gracz" && game.black != "Gracz" ? 1 : -1;
  dropTrailingPass(game);
  out = game;
  return "";
}

std::string writeGgf(const Transcript& game, const std::string& date) {
  // The result is the final disc difference of a finished game; an unfinished one has
  // none yet ("?"), so that no reader takes the current count for the result.
  const Board end = finalPosition(game);
  char result[16] = "?";
  if (end.sideToMove == 0) {
    std::snprintf(result, sizeof result, "%+.2f",
                  static_cast<double>(end.count(-1) - end.count(1)));
  }
  std::string text = "(;GM[Othello]PC[Zedare]DT[" + date + "]PB[" + game.black + "]PW[" +
                     game.white + "]RE[" + result + "]TI[0//0]TY[8]BO[8 ";
  for (int k = 0; k < 64; ++k) {
    const int c = game.start.colourAt(k % 8 + 1, k / 8 + 1);
    text += c == -1 ? '*' : c == 1 ? 'O' : '-';
    if (k % 8 == 7) text += ' ';
  }
  text += game.start.sideToMove == 1 ? "O]" : "*]";
  Board b = game.start;
  for (const GameMove& m : game.moves) {
    text += b.sideToMove == -1 ? "B[" : "W[";
    text += m.isPass() ? std::string("PA") : moveName(m);
    text += ']';
    playGameMove(b, m);
  }
  return text + ";)";
}

std::string transcriptFromRecord(const GameRecord& record, Transcript& out) {
  Transcript game;
  game.playerColour = record.playerColour;
  if (record.playerColour == 1) std::swap(game.black, game.white);
  game.start = record.positions[0];
  if (game.start.discCount != 4) return "game record: position 0 does not hold 4 discs";
  if (game.start.sideToMove == 0) game.start.sideToMove = -1;
  Board board = game.start;
  for (int i = 1; i <= record.lastIndex; ++i) {
    const Board& next = record.positions[i];
    const uint64_t added = next.occupancy & ~board.occupancy;
    const std::string where = "game record: position " + std::to_string(i) + ": ";
    if (std::popcount(added) != 1 || (board.occupancy & ~next.occupancy) != 0) {
      return where + "does not follow from the one before by one move";
    }
    const int index = std::countr_zero(added);
    const GameMove move{index / 8 + 1, index % 8 + 1};
    const std::string why = appendGameMove(game, board, move, next.colourAt(move.row, move.column));
    if (!why.empty()) return where + why;
    if (!sameSquares(board, next)) return where + "the discs do not match move " + moveName(move);
  }
  out = game;
  return "";
}

std::string recordFromTranscript(const Transcript& game, GameRecord& out) {
  if (game.start.discCount != 4) {
    return "a game record starts from 4 discs; this game starts from " +
           std::to_string(game.start.discCount);
  }
  GameRecord record;
  Board b = game.start;
  b.sideToMove = static_cast<int8_t>(nextToMove(b) != 0 ? nextToMove(b) : b.sideToMove);
  record.store(b, game.playerColour);
  for (std::size_t i = 0; i < game.moves.size(); ++i) {
    const std::string why = playGameMove(b, game.moves[i]);
    if (!why.empty()) return moveError(i + 1, game.moves[i], why);
    // A position that forces a pass is stored with the side that moves next, as the
    // window stores it; the pass itself then changes nothing.
    Board stored = b;
    stored.sideToMove = static_cast<int8_t>(nextToMove(b));
    record.store(stored, game.playerColour);
  }
  out = record;
  return "";
}

GameFileFormat gameFileFormat(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) {
    return GameFileFormat::Unknown;
  }
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == "gam") return GameFileFormat::Record;
  if (ext == "txt" || ext == "mov") return GameFileFormat::MoveText;
  if (ext == "ggf") return GameFileFormat::Ggf;
  return GameFileFormat::Unknown;
}

namespace {

// The whole file, bounded: a text longer than any game is refused unread.
std::string readGameText(const std::string& path, std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return path + ": cannot be opened for reading";
  text.clear();
  char chunk[4096];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0 && text.size() <= kMaxTranscriptText) {
    text.append(chunk, n);
  }
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return path + ": cannot be read";
  if (text.size() > kMaxTranscriptText) return path + ": longer than any game";
  return "";
}

}  // namespace

std::string convertGameFile(const std::string& inPath, const std::string& outPath,
                            const std::string& date) {
  const GameFileFormat in = gameFileFormat(inPath), out = gameFileFormat(outPath);
  if (in == GameFileFormat::Unknown || out == GameFileFormat::Unknown) {
    return (in == GameFileFormat::Unknown ? inPath : outPath) +
           ": unknown kind of game file (.gam, .ggf, .txt or .mov)";
  }
  Transcript game;
  std::string why;
  if (in == GameFileFormat::Record) {
    auto record = std::make_unique<GameRecord>();
    if (!record->load(inPath.c_str())) return inPath + ": not a readable game file";
    why = transcriptFromRecord(*record, game);
  } else {
    std::string text;
    why = readGameText(inPath, text);
    if (why.empty())
      why = in == GameFileFormat::Ggf ? parseGgf(text, game) : parseMoveText(text, game);
  }
  if (!why.empty()) return why.rfind(inPath, 0) == 0 ? why : inPath + ": " + why;
  std::string text;
  if (out == GameFileFormat::Record) {
    auto record = std::make_unique<GameRecord>();
    why = recordFromTranscript(game, *record);
    if (why.empty() && !record->save(outPath.c_str())) why = "cannot be written";
  } else {
    text = out == GameFileFormat::Ggf ? writeGgf(game, date) : writeMoveText(game, why);
    if (why.empty() && !replaceFileContents(outPath.c_str(), text + "\n"))
      why = "cannot be written";
  }
  return why.empty() ? "" : outPath + ": " + why;
}

}  // namespace zedare
