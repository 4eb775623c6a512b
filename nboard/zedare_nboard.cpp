// zedare-nboard: the engine behind the NBoard text protocol, for graphical interfaces and
// match programs. Commands come one a line on standard input, answers go to standard
// output (docs/nboard.md lists them and how depth maps onto the engine's levels).
//
// The engine is driven only through its six exported functions, linked from the static
// engine library together with the transcript codec that reads GGF. Two threads: the
// reading thread takes lines from standard input and queues them; the executor runs them
// in order and is the only one that writes answers. A "ping" or "quit" read while the
// executor searches stops that search at once: the reader clears the engine's stop flag
// (code 26) again and again until the executor has left the search (the engine sets the
// flag when a search starts, so one clear can come too early), and every search of a
// command read before the last ping is skipped or stopped the same way. The search's
// answer is still written, before the pong.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "api/engine.h"
#include "api/zedare.h"
#include "records/transcript.h"

using zedare::Board;
using zedare::GameMove;
using zedare::Transcript;

namespace {

// The depth asked for onto the engine's levels: level L searches 2L plies in the middle
// game, so depth d takes the shallowest level that reaches it; above 14 the deepest.
int levelForDepth(int depth) {
  return std::clamp((depth + 1) / 2, 1, 7);
}

struct Command {
  std::string line;
  long pingsBefore;      // pings read before this line
  bool tooLong = false;  // the line was longer than kMaxLine and is not kept
};

// A value the engine reported, in discs from the side it searched for, with the depth text
// the protocol shows beside it.
struct Value {
  double discs = 0.0;
  std::string depth;
};

class Session {
 public:
  static constexpr std::size_t kMaxLine = 65536;

  explicit Session(ZedareHandle engine) : engine_(engine) {}

  // Reads standard input to its end or "quit". A line longer than any command (a GGF
  // game is a few hundred characters) is not kept: it is answered by an error line.
  void read(std::FILE* in) {
    std::string line;
    bool tooLong = false;
    for (int c; (c = std::getc(in)) != EOF;) {
      if (c != '\n') {
        if (line.size() < kMaxLine)
          line += static_cast<char>(c);
        else
          tooLong = true;
        continue;
      }
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const bool done = take(tooLong ? std::string() : line, tooLong);
      line.clear();
      tooLong = false;
      if (done) return;
    }
    take("quit");
  }

  // Queues one line; true for "quit". A ping or quit stops the searches of earlier lines.
  bool take(const std::string& line, bool tooLong = false) {
    const std::string word = line.substr(0, line.find(' '));
    const bool stops = word == "ping" || word == "quit";
    {
      std::lock_guard<std::mutex> guard(queueLock_);
      queue_.push_back(Command{line, pingsRead_.load(), tooLong});
    }
    queueReady_.notify_one();
    if (stops) stopSearchesBefore(pingsRead_.fetch_add(1) + 1);
    return word == "quit";
  }

  // Runs the queued commands until "quit".
  void execute() {
    while (true) {
      Command c;
      {
        std::unique_lock<std::mutex> guard(queueLock_);
        queueReady_.wait(guard, [&] { return !queue_.empty(); });
        c = queue_.front();
        queue_.pop_front();
      }
      current_ = c.pingsBefore;
      if (c.tooLong) {
        error("a line longer than " + std::to_string(kMaxLine) + " characters");
      } else if (!run(c.line)) {
        return;
      }
    }
  }

 private:
  void stopSearchesBefore(long pings) {
    while (true) {
      const long active = activeSearch_.load();
      if (active < 0 || active >= pings) return;
      TavrinInst(engine_, ZEDARE_STOP_SEARCH, 0, 0);
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
  }

  bool stopRequested() const { return pingsRead_.load() > current_; }

  void say(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
  void error(const std::string& text) { say("error " + text); }

  bool run(const std::string& line) {
    std::istringstream words(line);
    std::string word;
    if (!(words >> word)) return true;
    std::string rest;
    std::getline(words >> std::ws, rest);
    if (word == "quit") return false;
    if (word == "nboard") {
      if (!isNumber(rest)) return error("nboard needs the protocol version"), true;
      say("set myname Zedare " PROJECT_VERSION);
    } else if (word == "set") {
      set(rest);
    } else if (word == "move") {
      move(rest);
    } else if (word == "go") {
      go();
    } else if (word == "hint") {
      if (!isNumber(rest) || std::atol(rest.c_str()) < 1) {
        error("hint needs a number of moves");
      } else {
        hint(static_cast<int>(std::min(std::atol(rest.c_str()), 64L)));
      }
    } else if (word == "ping") {
      say("pong " + rest);
    } else if (word == "learn") {
      say("learned");
    } else if (word == "analyze") {
      analyze();

    } else {
      error("unknown command: " + word);
    }
    return true;
  }

  static bool isNumber(const std::string& text) {
    if (text.empty() || text.size() > 9) return false;
    std::size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size()) return false;
    for (; i < text.size(); ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
    }
    return true;
  }

  void set(const std::string& rest) {
    const std::string key = rest.substr(0, rest.find(' '));
    const std::string value =
        rest.size() > key.size() ? rest.substr(key.size() + 1) : std::string();
    if (key == "depth") {
      const long d = isNumber(value) ? std::atol(value.c_str()) : 0;
      if (d < 1 || d > 60) return error("set depth needs 1..60");
      depth_ = static_cast<int>(d);
    } else if (key == "contempt") {
      if (!isNumber(value)) return error("set contempt needs a number");
      contempt_ = std::atoi(value.c_str());  // accepted; the engine has no draw bias
    } else if (key == "game") {
      Transcript game;
      const std::string why = zedare::parseGgf(value, game);
      if (!why.empty()) return error(why);
      Board initial;
      initial.setInitial();
      if (game.start.occupancy != initial.occupancy || game.start.discs(1) != initial.discs(1) ||
          game.start.sideToMove != -1) {
        return error("set game: only games from the standard start position can be played");
      }
      game_ = game;
    } else {
      error("unknown setting: " + key);
    }
  }

  void move(const std::string& rest) {
    GameMove m;
    if (!zedare::parseMoveName(rest.substr(0, rest.find('/')), m)) {
      return error("move needs a square such as f5 or PA, not \"" + rest + "\"");
    }
    Board end = zedare::finalPosition(game_);
    Transcript next = game_;
    const std::string why = zedare::appendGameMove(next, end, m, 0);
    if (!why.empty()) return error(why);
    game_ = next;
  }

  // ---- the engine's game ----

  // Brings the engine's game board to `line` (moves from the start): the moves already
  // played there are kept (so is the tree searched for them), the rest are played.
  bool syncEngine(const std::vector<GameMove>& line) {
    const bool prefix = engineLine_.size() <= line.size() &&
                        std::equal(engineLine_.begin(), engineLine_.end(), line.begin(),
                                   [](const GameMove& a, const GameMove& b) {
                                     return a.row == b.row && a.column == b.column;
                                   });
    if (!prefix) {
      TavrinInst(engine_, ZEDARE_NEW_GAME, 0, 0);
      engineLine_.clear();
    }
    for (std::size_t i = engineLine_.size(); i < line.size(); ++i) {
      const GameMove& m = line[i];
      if (m.isPass()) {
        TavrinInst_p0(engine_, ZEDARE_PASS, 0, 0, 0);
      } else {
        TavrinInst(engine_, ZEDARE_SET_HUMAN_COLOUR, TavrinInst(engine_, ZEDARE_SIDE_TO_MOVE, 0, 0),
                   0);
        if (TavrinInst(engine_, ZEDARE_HUMAN_MOVE, m.row, m.column) != 1) {
          engineLine_.clear();
          TavrinInst(engine_, ZEDARE_NEW_GAME, 0, 0);
          return false;
        }
      }
      engineLine_.push_back(m);
    }
    return true;
  }

  // The engine's move for the side to move of `line` at `level`, played on the engine's
  // board; false when the search was stopped before it had a move. `value` from the side
  // that moved.
  // A stopped search is answered by a search at level 1 (`stoppable` false), which takes a
  // moment, so that every search has a move.
  bool search(const std::vector<GameMove>& line, int level, GameMove& chosen, Value& value,
              bool book, bool stoppable = true) {
    if (!syncEngine(line)) return false;
    const int side = TavrinInst(engine_, ZEDARE_SIDE_TO_MOVE, 0, 0);
    int empties = 0;
    for (int r = 1; r <= 8; ++r) {
      for (int c = 1; c <= 8; ++c)
        empties += TavrinInst_p0(engine_, ZEDARE_SQUARE_COLOUR, r, c, 0) == 0;
    }
    TavrinInst(engine_, ZEDARE_SET_HUMAN_COLOUR, -side, 0);
    TavrinInst(engine_, ZEDARE_SET_LEVEL, level, 0);
    int played = 0;
    if (stoppable) {
      activeSearch_.store(current_);
      if (!stopRequested()) played = TavrinInst(engine_, ZEDARE_COMPUTER_MOVE, book ? 1 : 0, 0);
      activeSearch_.store(-1);
    } else {
      played = TavrinInst(engine_, ZEDARE_COMPUTER_MOVE, book ? 1 : 0, 0);
    }
    if (played != 1) return stoppable && search(line, 1, chosen, value, book, false);
    chosen = GameMove{TavrinInst(engine_, ZEDARE_LAST_ROW, 0, 0),
                      TavrinInst(engine_, ZEDARE_LAST_COLUMN, 0, 0)};
    engineLine_.push_back(chosen);
    // A book move was not searched (no position scored): the book holds no value for it.
    const bool fromBook = TavrinInst(engine_, ZEDARE_EXACT_COUNT, 0, 0) == 0 &&
                          TavrinInst(engine_, ZEDARE_EVAL_COUNT, 0, 0) == 0;
    value = fromBook
                ? Value{0.0, "book"}
                : convert(TavrinInst(engine_, ZEDARE_BEST_VALUE, 0, 0) * 0.001, empties, level);
    return true;
  }

  // The engine's value of its chosen move: the heuristic scale estimates the final disc
  // difference (±1000 for a finished game seen in the tree, here ±64), the exact mode is
  // the disc difference, win/loss/draw is ±9.9 or 0 (here ±1 or 0).
  static Value convert(double v, int empties, int level) {
    zedare::LevelParameters p{};
    zedare::levelParameters(level, p);
    if (empties <= p.exactEmpties) return Value{v, "60"};
    if (empties <= p.wldEmpties) return Value{v > 0 ? 1.0 : v < 0 ? -1.0 : 0.0, "60W"};
    // Close to the end the middle-game search goes two plies deeper.
    const int plies = empties <= p.wldEmpties + 2 ? p.depth + 2 : p.depth;
    return Value{std::clamp(v, -64.0, 64.0), std::to_string(plies)};
  }

  static std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    return text;
  }

  void go() {
    const Board end = zedare::finalPosition(game_);
    if (end.sideToMove == 0) return error("go: the game is over");
    const auto start = std::chrono::steady_clock::now();
    if (!end.hasLegalMove(end.sideToMove)) {
      say("=== PA/0.00/0.00");
      return;
    }
    say("status thinking at depth " + std::to_string(depth_));
    GameMove chosen;
    Value value;
    if (!search(game_.moves, levelForDepth(depth_), chosen, value, true)) {
      return error("go: the engine found no move");
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    say("=== " + zedare::moveName(chosen) + "/" + number(value.discs) + "/" + number(seconds));
  }

  // The value of playing `m` after `line` for the side to move, in discs: the position
  // after it is searched one ply shallower from the opponent's side.
  bool valueOf(std::vector<GameMove> line, const GameMove& m, Value& value) {
    Transcript after = game_;
    after.moves = line;
    Board board = zedare::finalPosition(after);
    const int mover = board.sideToMove;
    if (!zedare::appendGameMove(after, board, m, 0).empty()) return false;
    const int next = zedare::nextToMove(board);
    if (next == 0) {
      value = Value{static_cast<double>(board.count(mover) - board.count(-mover)), "60"};
      return true;
    }
    line = after.moves;
    if (next == mover) line.push_back(GameMove{});
    GameMove reply;
    if (stopRequested() || !search(line, levelForDepth(depth_ - 1), reply, value, false)) {
      return false;
    }
    if (next != mover) value.discs = -value.discs;
    // The move itself is one ply more than the search after it.
    if (value.depth != "60" && value.depth.find_first_not_of("0123456789") == std::string::npos) {
      value.depth = std::to_string(std::stoi(value.depth) + 1);
    }
    return true;
  }

  void hint(int count) {
    const Board end = zedare::finalPosition(game_);
    if (end.sideToMove == 0) return error("hint: the game is over");
    std::vector<std::pair<GameMove, Value>> found;
    for (int r = 1; r <= 8; ++r) {
      for (int c = 1; c <= 8; ++c) {
        if (!end.isLegal(r, c, end.sideToMove)) continue;
        const GameMove m{r, c};
        say("status searching " + zedare::moveName(m));
        Value v;
        if (valueOf(game_.moves, m, v)) found.emplace_back(m, v);
      }
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.second.discs > b.second.discs; });
    if (found.size() > static_cast<std::size_t>(count)) found.resize(count);
    for (const auto& [m, v] : found) {
      say("search " + zedare::moveName(m) + " " + number(v.discs) + " 0 " + v.depth);
    }
    say("status");
  }

  // Every position of the game in which a move was made, searched at the depth set; the
  // value is from the side that was to move there.
  void analyze() {
    std::vector<GameMove> line;
    for (std::size_t ply = 0; ply < game_.moves.size(); ++ply) {
      const GameMove m = game_.moves[ply];
      if (!m.isPass()) {
        say("status analyzing move " + std::to_string(ply + 1));
        Value v;
        GameMove chosen;
        if (stopRequested() || !search(line, levelForDepth(depth_), chosen, v, false)) break;
        say("analysis " + std::to_string(ply) + " " + number(v.discs));
      }
      line.push_back(m);
    }
    say("status");
  }

  ZedareHandle engine_;
  Transcript game_;
  std::vector<GameMove> engineLine_;
  int depth_ = 8;
  int contempt_ = 0;

  std::mutex queueLock_;
  std::condition_variable queueReady_;
  std::deque<Command> queue_;
  std::atomic<long> pingsRead_{0};
  std::atomic<long> activeSearch_{-1};  // pingsBefore of the command searching, else -1
  long current_ = 0;                    // pingsBefore of the command being run
};

bool holdsModels(const std::string& folder) {
  return access((folder + "/modele").c_str(), F_OK) == 0;
}

// The engine reads modele/ and otwarcia/ relative to the working directory: the one the
// program was started in, else the installation's share/zedare beside bin/, else the
// source tree of the build.
bool enterDataFolder(const char* argv0) {
  if (holdsModels(".")) return true;
  std::vector<std::string> candidates;
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  std::string exe = n > 0 ? std::string(self, n) : std::string(argv0);
  const std::string bin = exe.substr(0, exe.rfind('/') == std::string::npos ? 0 : exe.rfind('/'));
  candidates.push_back(bin + "/../share/zedare");
  candidates.push_back(ZEDARE_BUILD_DATA_DIR);
  for (const std::string& c : candidates) {
    if (holdsModels(c) && chdir(c.c_str()) == 0) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) {
    std::printf(
        "usage: zedare-nboard\n\nThe engine as an NBoard-protocol engine: commands on standard "
        "input, answers on\nstandard output (nboard, set depth|contempt|game, move, go, hint, "
        "ping, learn,\nanalyze, quit).\n");
    return std::strcmp(argv[1], "--help") == 0 ? 0 : 2;
  }
  if (!enterDataFolder(argv[0])) {
    std::printf("error no data folder with modele/ found\n");
    return 1;
  }
  ZedareHandle engine = TavrinCreate();
  if (!engine) return 1;
  TavrinInst(engine, ZEDARE_LOAD_MODEL, 1, 0);
  Session session(engine);
  std::thread executor([&] { session.execute(); });
  session.read(stdin);
  executor.join();
  TavrinDestroy(engine);
  return 0;
}
