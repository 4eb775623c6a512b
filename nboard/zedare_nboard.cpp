// zedare-nboard: the engine behind the NBoard text protocol, for graphical interfaces and
// match programs. Commands come one a line on standard input, answers go to standard
// output (docs/nboard.md lists them and how depth maps onto the engine's levels).
//
// The program links the static engine library. The game is played through the exported
// command codes, as the window plays it; the engine's own structure (api/engine.h) is used
// where the codes cannot reach: to put a start position other than the standard one on
// the engine's board, to ask a book without searching, to search a level without playing
// the move (so the next level keeps the tree), and to read the level's thresholds. The
// transcript codec reads GGF.
//
// Three threads: the reading thread takes lines from standard input and queues them; the
// executor runs them in order and is the only one that writes answers; a watchdog stops a
// search that has used its time. A "ping" or "quit" read while the executor searches
// stops that search at once: the reader clears the engine's stop flag (code 26) again and
// again until the executor has left the search (the engine sets the flag when a search
// starts, so one clear can come too early), and every search of a command read before the
// last ping is skipped or stopped the same way. The search's answer is still written,
// before the pong.
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
#include "search/search.h"

using zedare::Board;
using zedare::GameMove;
using zedare::Transcript;

namespace {

// ---- how the client's depth is searched: the one place to change it ----

// The engine's search algorithm and the deepest level searched for a depth the client
// asks; the time limits are the constants below.
struct SearchPlan {
  zedare::Algorithm algorithm;
  int level;
};

constexpr zedare::Algorithm kAlgorithm = zedare::Algorithm::Mtdf;
constexpr int kDeepestLevel = 7;
// Seconds for `go`, for a whole `hint` (shared among its moves) and for each position of
// `analyze`; a search still running then is stopped, and the deepest level it finished
// answers.
constexpr double kGoSeconds = 20.0;
constexpr double kHintSeconds = 30.0;
constexpr double kAnalyzeSeconds = 10.0;

// Level L searches 2L plies in the middle game. `go` and `analyze` take the shallowest
// level that reaches the depth asked (above 14 the deepest). A hinted move is one ply
// followed by a search of the position after it: that search takes the deepest level whose
// plies plus the move do not exceed the depth asked (at least level 1).
SearchPlan searchPlan(int depth, bool afterHintedMove) {
  const int level = afterHintedMove ? (depth - 1) / 2 : (depth + 1) / 2;
  return SearchPlan{kAlgorithm, std::clamp(level, 1, kDeepestLevel)};
}

// ---- the game as the client sees it ----

struct Command {
  std::string line;
  long pingsBefore;      // pings read before this line
  bool tooLong = false;  // the line was longer than kMaxLine and is not kept
};

// A value the engine reported, in discs from the side it searched for, with the depth text
// the protocol shows beside it: the plies, "100%" for an exact value, "100%W" for a
// proven win, loss or draw.
struct Value {
  double discs = 0.0;
  std::string depth;
};

constexpr const char* kExact = "100%";
constexpr const char* kWinLossDraw = "100%W";

bool solvedDepth(const std::string& depth) {
  return depth == kExact || depth == kWinLossDraw;
}

// The position after the game's moves with the side to move as the moves leave it: the
// opponent of the last mover, even when that side has no move (the client then expects a
// pass); 0 only when nobody can move.
Board positionAfter(const Board& start, const std::vector<GameMove>& moves, std::size_t count) {
  Board b = start;
  for (std::size_t i = 0; i < count && i < moves.size(); ++i) zedare::playGameMove(b, moves[i]);
  if (!b.hasLegalMove(b.sideToMove) && !b.hasLegalMove(-b.sideToMove)) b.sideToMove = 0;
  return b;
}

// A move as the protocol writes it: "PA" for a pass.
std::string protocolMove(const GameMove& m) {
  return m.isPass() ? std::string("PA") : zedare::moveName(m);
}

double finalDifference(const Board& b, int side) {
  return static_cast<double>(b.count(side) - b.count(-side));
}

class Session {
 public:
  static constexpr std::size_t kMaxLine = 65536;

  explicit Session(ZedareHandle engine)
      : engine_(engine), core_(*static_cast<zedare::Engine*>(engine)) {
    TavrinInst(engine_, ZEDARE_SET_ALGORITHM, static_cast<int>(kAlgorithm), 0);
  }

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
        break;
      }
    }
    finished_.store(true);
  }

  // Stops the search that has run past its deadline, until the program ends.
  void watch() {
    while (!finished_.load()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      const long serial = searchSerial_.load();
      const long long deadline = deadline_.load();
      if (activeSearch_.load() < 0 || deadline == 0 || nowTicks() < deadline) continue;
      timedOut_.store(serial);
      TavrinInst(engine_, ZEDARE_STOP_SEARCH, 0, 0);
    }
  }

 private:
  using Clock = std::chrono::steady_clock;

  static long long nowTicks() { return Clock::now().time_since_epoch().count(); }
  static long long ticksAfter(double seconds) {
    return nowTicks() +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds))
               .count();
  }

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
      // A refused game leaves none: the client's next `go` must not answer for the old one.
      haveGame_ = false;
      Transcript game;
      const std::string why = zedare::parseGgf(value, game);
      if (!why.empty()) return error("set game: " + why);
      game_ = game;
      haveGame_ = true;
    } else {
      error("unknown setting: " + key);
    }
  }

  Board gameEnd() const { return positionAfter(game_.start, game_.moves, game_.moves.size()); }

  void move(const std::string& rest) {
    if (!haveGame_) return error("move: no game set");
    GameMove m;
    if (!zedare::parseMoveName(rest.substr(0, rest.find('/')), m)) {
      return error("move needs a square such as f5 or PA, not \"" + rest + "\"");
    }
    Board end = gameEnd();
    Transcript next = game_;
    // A move of the side not to move, when the side to move has none, takes its pass too.
    const std::string why = zedare::appendGameMove(next, end, m, 0);
    if (!why.empty()) return error(why);
    game_ = next;
  }

  // ---- the engine's game ----

  // Brings the engine's game board to `line` (moves from the game's start): the moves
  // already played there are kept (so is the tree searched for them), the rest are played.
  bool syncEngine(const std::vector<GameMove>& line) {
    const bool prefix = engineStart_.sameSquares(game_.start) &&
                        engineStart_.sideToMove == game_.start.sideToMove &&
                        engineLine_.size() <= line.size() &&
                        std::equal(engineLine_.begin(), engineLine_.end(), line.begin(),
                                   [](const GameMove& a, const GameMove& b) {
                                     return a.row == b.row && a.column == b.column;
                                   });
    if (!prefix) startEngineGame();
    for (std::size_t i = engineLine_.size(); i < line.size(); ++i) {
      const GameMove& m = line[i];
      if (m.isPass()) {
        TavrinInst_p0(engine_, ZEDARE_PASS, 0, 0, 0);
      } else {
        // Played for whichever colour is to move, without changing the colours: a change
        // would forget the tree, which the searched move's subtree is worth keeping.
        const bool computer = TavrinInst(engine_, ZEDARE_IS_COMPUTER_TO_MOVE, 0, 0) == 1;
        const uint32_t code = computer ? ZEDARE_COMPUTER_MOVE : ZEDARE_HUMAN_MOVE;
        if (TavrinInst(engine_, code, m.row, m.column) != 1) {
          startEngineGame();
          return false;
        }
      }
      engineLine_.push_back(m);
    }
    return true;
  }

  // A new game on the engine from the game's start position. The exported codes start
  // only from the standard position, so any other is put on the game board directly.
  void startEngineGame() {
    TavrinInst(engine_, ZEDARE_NEW_GAME, 0, 0);
    {
      std::lock_guard<std::mutex> guard(core_.boardLock);
      core_.gameBoard = game_.start;
    }
    core_.resetTree();
    engineStart_ = game_.start;
    engineLine_.clear();
  }

  // The engine's move for the side to move at the end of `line`, searched level by level
  // from 1 up to `plan.level`, each level on the tree the one before left (so the deeper
  // one costs little more than alone), within `seconds`: a level stopped by the time limit
  // or a ping is dropped and the deepest finished level answers, so every answer is a
  // whole search with its true depth. Only when even level 1 was stopped is it run again
  // without a stop (a few milliseconds). Nothing is played on the engine's board. `book`
  // asks the books first (at `plan.level`). `value` is from the side to move. False only
  // when there is no move.
  bool search(const std::vector<GameMove>& line, const SearchPlan& plan, double seconds,
              GameMove& chosen, Value& value, bool book) {
    if (!syncEngine(line)) return false;
    if (book && bookMove(plan.level, chosen)) {
      value = Value{0.0, "0"};  // a book move is not searched: the book holds no value for it
      return true;
    }
    const int side = core_.gameBoard.sideToMove;
    const int empties = core_.gameBoard.count(0);
    TavrinInst(engine_, ZEDARE_SET_HUMAN_COLOUR, -side, 0);
    TavrinInst(engine_, ZEDARE_SET_ALGORITHM, static_cast<int>(plan.algorithm), 0);
    const long serial = searchSerial_.fetch_add(1) + 1;
    deadline_.store(ticksAfter(seconds));
    activeSearch_.store(current_);
    bool found = false;
    for (int level = 1; level <= plan.level; ++level) {
      if (stopRequested() || timedOut_.load() == serial) break;
      GameMove m;
      Value v;
      if (!chooseAt(level, empties, m, v)) break;
      if (stopRequested() || timedOut_.load() == serial) break;  // dropped
      chosen = m;
      value = v;
      found = true;
    }
    activeSearch_.store(-1);
    deadline_.store(0);
    return found || chooseAt(1, empties, chosen, value);
  }

  // One search at `level` on the engine's board, not played; false when it found no move.
  bool chooseAt(int level, int empties, GameMove& chosen, Value& value) {
    TavrinInst(engine_, ZEDARE_SET_LEVEL, level, 0);
    core_.chooseMove(0);
    positionsScored_ += core_.exactCount + core_.evalCount;
    if (core_.bestMove.flag != zedare::MoveFlag::Legal) return false;
    chosen = GameMove{core_.bestMove.row, core_.bestMove.column};
    value = convert(core_.bestMove.value, empties);
    return true;
  }

  // The engine's value of its chosen move on its level's scale: the heuristic scale
  // estimates the final disc difference (±1000 for a finished game seen in the tree, here
  // ±64), the exact mode is the disc difference, win/loss/draw is ±9.9 or 0 (here ±1 or 0).
  Value convert(double v, int empties) const {
    if (empties <= core_.exactEmpties) return Value{v, kExact};
    if (empties <= core_.wldEmpties) return Value{v > 0 ? 1.0 : v < 0 ? -1.0 : 0.0, kWinLossDraw};
    // Close to the end the middle-game search goes two plies deeper.
    const int plies = empties <= core_.wldEmpties + 2 ? core_.depth + 2 : core_.depth;
    return Value{std::clamp(v, -64.0, 64.0), std::to_string(plies)};
  }

  static std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    return text;
  }

  static double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
  }

  void nodestats(Clock::time_point start) {
    say("nodestats " + std::to_string(positionsScored_) + " " + number(secondsSince(start)));
  }

  void go() {
    if (!haveGame_) return error("go: no game set");
    const Board end = gameEnd();
    if (end.sideToMove == 0) return error("go: the game is over");
    const auto start = Clock::now();
    positionsScored_ = 0;
    if (!end.hasLegalMove(end.sideToMove)) {
      nodestats(start);
      say("=== PA/0.00/0.00");
      return;
    }
    say("status thinking at depth " + std::to_string(depth_));
    GameMove chosen;
    Value value;
    if (!search(game_.moves, searchPlan(depth_, false), kGoSeconds, chosen, value, true)) {
      return error("go: the engine found no move");
    }
    nodestats(start);
    say("=== " + zedare::moveName(chosen) + "/" + number(value.discs) + "/" +
        number(secondsSince(start)));
  }

  // The value of playing `m` (a pass when the side to move has no move) at the end of the
  // game for the side to move, in discs: the position after it is searched from the
  // opponent's side with a ply less, within `seconds`.
  bool valueOf(const GameMove& m, double seconds, Value& value) {
    std::vector<GameMove> line = game_.moves;
    Board board = gameEnd();
    const int mover = board.sideToMove;
    if (!zedare::playGameMove(board, m).empty()) return false;
    line.push_back(m);
    const int next = zedare::nextToMove(board);
    if (next == 0) {
      value = Value{finalDifference(board, mover), kExact};
      return true;
    }
    if (next == mover) line.push_back(GameMove{});  // the opponent passes
    GameMove reply;
    if (stopRequested() || !search(line, searchPlan(depth_, true), seconds, reply, value, false)) {
      return false;
    }
    if (next != mover) value.discs = -value.discs;
    // The move itself is one ply more than the search after it.
    if (!solvedDepth(value.depth)) value.depth = std::to_string(std::stoi(value.depth) + 1);
    return true;
  }

  // The move the opening or continuation book gives for the engine's board at `level`, if
  // any; no search is run.
  bool bookMove(int level, GameMove& m) {
    const int empties = core_.gameBoard.count(0);
    TavrinInst(engine_, ZEDARE_SET_HUMAN_COLOUR, -core_.gameBoard.sideToMove, 0);
    TavrinInst(engine_, ZEDARE_SET_LEVEL, level, 0);
    const int n = 61 - empties;
    if (empties <= core_.wldEmpties) return false;
    const int found = n <= core_.openingBookLimit    ? zedare::openingBookLookup(core_)
                      : n <= core_.continuationLimit ? zedare::continuationBookLookup(core_)
                                                     : 0;
    if (found == 0 || core_.bestMove.flag != zedare::MoveFlag::Legal) return false;
    m = GameMove{core_.bestMove.row, core_.bestMove.column};
    return true;
  }

  void hint(int count) {
    if (!haveGame_) return error("hint: no game set");
    const Board end = gameEnd();
    if (end.sideToMove == 0) return error("hint: the game is over");
    const auto start = Clock::now();
    const auto deadline = start + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>(kHintSeconds));
    positionsScored_ = 0;
    std::vector<GameMove> moves;
    for (int r = 1; r <= 8; ++r) {
      for (int c = 1; c <= 8; ++c)
        if (end.isLegal(r, c, end.sideToMove)) moves.push_back(GameMove{r, c});
    }
    if (moves.empty()) moves.push_back(GameMove{});  // the side to move must pass
    GameMove booked{-1, -1};
    const bool inBook =
        syncEngine(game_.moves) && bookMove(searchPlan(depth_, false).level, booked);
    std::vector<std::pair<GameMove, Value>> found;
    for (std::size_t i = 0; i < moves.size(); ++i) {
      const GameMove& m = moves[i];
      say("status searching " + protocolMove(m));
      // The time left is shared among the moves still to search.
      const double left = std::chrono::duration<double>(deadline - Clock::now()).count();
      Value v;
      if (valueOf(m, std::max(left, 0.0) / static_cast<double>(moves.size() - i), v)) {
        found.emplace_back(m, v);
      }
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.second.discs > b.second.discs; });
    if (found.size() > static_cast<std::size_t>(count)) found.resize(count);
    nodestats(start);
    for (const auto& [m, v] : found) {
      const bool fromBook = inBook && m.row == booked.row && m.column == booked.column;
      // A book move: "book <move> <value> <games> <depth>"; the book counts no games.
      say((fromBook ? "book " : "search ") + protocolMove(m) + " " + number(v.discs) + " 0 " +
          v.depth);
    }
    say("status");
  }

  // Every position of the game, the last first (the end is solved soonest and the tree of
  // a later position helps an earlier one no more than the other way round), each as
  // `analysis <moves made before it, passes counted> <value from black's side>`. A position
  // whose side to move must pass has the value of the position after the pass.
  void analyze() {
    if (!haveGame_) return error("analyze: no game set");
    const std::size_t n = game_.moves.size();
    bool haveNext = false;
    double next = 0.0;  // the value of the position after, from black's side
    for (std::size_t ply = n + 1; ply-- > 0;) {
      if (stopRequested()) break;
      const Board b = positionAfter(game_.start, game_.moves, ply);
      say("status analyzing move " + std::to_string(ply + 1));
      double black = 0.0;
      if (b.sideToMove == 0) {
        black = finalDifference(b, -1);
      } else if (!b.hasLegalMove(b.sideToMove)) {
        if (!haveNext) {
          // The game's last position, with a pass to come: the position after the pass.
          std::vector<GameMove> line(game_.moves.begin(), game_.moves.begin() + ply);
          line.push_back(GameMove{});
          Value v;
          GameMove chosen;
          if (!search(line, searchPlan(depth_, false), kAnalyzeSeconds, chosen, v, false)) break;
          next = b.sideToMove == 1 ? v.discs : -v.discs;  // the other side moved
        }
        black = next;
      } else {
        std::vector<GameMove> line(game_.moves.begin(), game_.moves.begin() + ply);
        Value v;
        GameMove chosen;
        if (!search(line, searchPlan(depth_, false), kAnalyzeSeconds, chosen, v, false)) break;
        black = b.sideToMove == -1 ? v.discs : -v.discs;
      }
      say("analysis " + std::to_string(ply) + " " + number(black));
      next = black;
      haveNext = true;
    }
    say("status");
  }

  ZedareHandle engine_;
  zedare::Engine& core_;
  Transcript game_;
  bool haveGame_ = true;  // the standard start until a game is set
  Board engineStart_ = game_.start;
  std::vector<GameMove> engineLine_;
  int depth_ = 8;
  int contempt_ = 0;
  long long positionsScored_ = 0;  // by the searches of the current command

  std::mutex queueLock_;
  std::condition_variable queueReady_;
  std::deque<Command> queue_;
  std::atomic<long> pingsRead_{0};
  std::atomic<long> activeSearch_{-1};  // pingsBefore of the command searching, else -1
  long current_ = 0;                    // pingsBefore of the command being run
  std::atomic<long> searchSerial_{0};   // counts the stoppable searches
  std::atomic<long long> deadline_{0};  // the running search's deadline (clock ticks), 0 none
  std::atomic<long> timedOut_{-1};      // the serial of the search the watchdog stopped
  std::atomic<bool> finished_{false};
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
  std::thread watchdog([&] { session.watch(); });
  session.read(stdin);
  executor.join();
  watchdog.join();
  TavrinDestroy(engine);
  return 0;
}
