// zedare-nboard driven through its standard input and output as an interface would drive
// it: a game set in GGF, the engine's move, hints, a ping during a long search, bad
// commands, and the client's request sequences for passes, book moves, other start
// positions and analysis, each answer held to the protocol's grammar.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "records/transcript.h"

using namespace zedare;

namespace {

class Nboard {
 public:
  Nboard() {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) std::abort();
    pid_ = fork();
    if (pid_ == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      close(in[1]);
      close(out[0]);
      execl(ZEDARE_NBOARD_TOOL, ZEDARE_NBOARD_TOOL, static_cast<char*>(nullptr));
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    toChild_ = in[1];
    fromChild_ = out[0];
  }
  ~Nboard() {
    send("quit");
    close(toChild_);
    int status = 0;
    waitpid(pid_, &status, 0);
    close(fromChild_);
  }

  void send(const std::string& line) {
    const std::string text = line + "\n";
    ASSERT_EQ(write(toChild_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }

  // The next line, or "<timeout>" after `ms` milliseconds without one.
  std::string line(int ms = 20000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (true) {
      const std::size_t end = buffer_.find('\n');
      if (end != std::string::npos) {
        const std::string l = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        return l;
      }
      const int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                            deadline - std::chrono::steady_clock::now())
                                            .count());
      pollfd p{fromChild_, POLLIN, 0};
      if (left <= 0 || poll(&p, 1, left) <= 0) return "<timeout>";
      char chunk[4096];
      const ssize_t n = read(fromChild_, chunk, sizeof chunk);
      if (n <= 0) return "<closed>";
      buffer_.append(chunk, static_cast<std::size_t>(n));
    }
  }

  // Lines up to the first that starts with `prefix` (status and nodestats lines
  // skipped); that line.
  std::string until(const std::string& prefix, int ms = 20000) {
    for (std::string l = line(ms);; l = line(ms)) {
      if (l.rfind(prefix, 0) == 0 || l[0] == '<') return l;
      EXPECT_TRUE(l.rfind("status", 0) == 0 || l.rfind("nodestats ", 0) == 0)
          << "unexpected line: " << l;
    }
  }

 private:
  pid_t pid_ = -1;
  int toChild_ = -1, fromChild_ = -1;
  std::string buffer_;
};

// A game of `plies` random legal moves from the start (passes as the rules force them).
Transcript randomGame(int plies, unsigned seed) {
  std::mt19937 rng(seed);
  Transcript game;
  Board b = game.start;
  while (static_cast<int>(game.moves.size()) < plies && nextToMove(b) != 0) {
    std::vector<GameMove> legal;
    for (int r = 1; r <= 8; ++r)
      for (int c = 1; c <= 8; ++c)
        if (b.isLegal(r, c, b.sideToMove)) legal.push_back(GameMove{r, c});
    const GameMove m = legal.empty() ? GameMove{} : legal[rng() % legal.size()];
    EXPECT_EQ(appendGameMove(game, b, m, 0), "");
  }
  return game;
}

bool legalIn(const Transcript& game, const std::string& name) {
  GameMove m;
  const Board end = finalPosition(game);
  return parseMoveName(name, m) && !m.isPass() && end.isLegal(m.row, m.column, end.sideToMove);
}

}  // namespace

TEST(NboardPipe, GameGoHintAndBadCommands) {
  Nboard engine;
  engine.send("nboard 2");
  EXPECT_EQ(engine.line(), "set myname Zedare " PROJECT_VERSION);
  const Transcript game = randomGame(16, 7);
  engine.send("set depth 4");
  engine.send("set game " + writeGgf(game, "2026.01.01"));
  engine.send("go");
  const std::string answer = engine.until("===");
  ASSERT_EQ(answer.rfind("=== ", 0), 0u) << answer;
  EXPECT_TRUE(legalIn(game, answer.substr(4, 2))) << answer;

  engine.send("hint 3");
  std::vector<double> values;
  std::vector<std::string> moves;
  for (std::string l = engine.line(); l != "status"; l = engine.line()) {
    ASSERT_NE(l[0], '<') << "hint not finished";
    if (l.rfind("status ", 0) == 0 || l.rfind("nodestats ", 0) == 0) continue;
    std::istringstream words(l);
    std::string word, move, zero, depth;
    double value;
    ASSERT_TRUE(words >> word >> move >> value >> zero >> depth) << l;
    EXPECT_EQ(word, "search");
    EXPECT_TRUE(legalIn(game, move)) << l;
    moves.push_back(move);
    values.push_back(value);
  }
  ASSERT_EQ(moves.size(), 3u);
  EXPECT_NE(moves[0], moves[1]);
  EXPECT_NE(moves[1], moves[2]);
  EXPECT_GE(values[0], values[1]);
  EXPECT_GE(values[1], values[2]);

  // Each bad command gets its error line; the program goes on and answers the ping.
  for (const std::string& bad : std::vector<std::string>{
           std::string(70000, 'x'), "frobnicate", "set depth 0", "set depth x", "move z9", "move",
           "hint x", "set colour 3", "set game (;GM[Othello]B[f5]", "set game (;GM[Othello]W[f5];)",
           "nboard"}) {
    engine.send(bad);
    EXPECT_EQ(engine.line().rfind("error ", 0), 0u) << bad.substr(0, 40);
  }
  engine.send("ping 4");
  EXPECT_EQ(engine.line(), "pong 4");
}

TEST(NboardPipe, PingDuringALongSearchAnswersAtOnce) {
  Nboard engine;
  engine.send("nboard 2");
  engine.line();
  const Transcript game = randomGame(20, 11);
  engine.send("set depth 60");
  engine.send("set game " + writeGgf(game, "2026.01.01"));
  engine.send("go");
  EXPECT_EQ(engine.line(), "status thinking at depth 60");
  // The search at the deepest level takes far longer than this.
  EXPECT_EQ(engine.line(300), "<timeout>");
  const auto sent = std::chrono::steady_clock::now();
  engine.send("ping 9");
  const std::string answer = engine.until("===", 2000);
  const std::string pong = engine.line(2000);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - sent)
          .count();
  ASSERT_EQ(answer.rfind("=== ", 0), 0u) << answer;
  EXPECT_TRUE(legalIn(game, answer.substr(4, 2))) << answer;
  EXPECT_EQ(pong, "pong 9");
  EXPECT_LE(ms, 100);
  // The stopped level is dropped: the answer is that of a whole shallower search, one
  // of the answers `go` gives at the depths a level each (move and value; not the time).
  auto moveAndValue = [](const std::string& l) { return l.substr(0, l.rfind('/')); };
  std::set<std::string> whole;
  for (int depth = 2; depth <= 10; depth += 2) {
    engine.send("set depth " + std::to_string(depth));
    engine.send("go");
    whole.insert(moveAndValue(engine.until("===")));
  }
  EXPECT_EQ(whole.count(moveAndValue(answer)), 1u) << answer;
}

namespace {

// The protocol's answers: a move is a square or PA, a value has two decimals, and the
// depth of a `search` or `book` line starts with an integer (plies, "100%" exact,
// "100%W" win/loss/draw).
bool digits(const std::string& w, std::size_t from = 0, std::size_t to = std::string::npos) {
  to = std::min(to, w.size());
  return from < to &&
         std::all_of(w.begin() + from, w.begin() + to, [](char c) { return c >= '0' && c <= '9'; });
}
bool isMove(const std::string& w) {
  return w == "PA" || (w.size() == 2 && w[0] >= 'a' && w[0] <= 'h' && w[1] >= '1' && w[1] <= '8');
}
bool isValue(const std::string& w) {
  const std::size_t sign = !w.empty() && w[0] == '-' ? 1 : 0, dot = w.find('.');
  return dot != std::string::npos && w.size() == dot + 3 && digits(w, sign, dot) &&
         digits(w, dot + 1);
}
bool isDepth(const std::string& w) {
  const std::size_t end = w.find('%');
  return digits(w, 0, end) &&
         (end == std::string::npos || w.substr(end) == "%" || w.substr(end) == "%W");
}

bool grammatical(const std::string& l) {
  std::istringstream in(l);
  std::vector<std::string> w;
  for (std::string word; in >> word;) w.push_back(word);
  if (w.empty()) return false;
  const std::string& k = w[0];
  if (k == "status" || k == "pong") return true;
  if (k == "learned") return w.size() == 1;
  if (k == "error") return w.size() >= 2;
  if (k == "set") return w.size() == 3 && w[1] == "myname";
  if (k == "nodestats") return w.size() == 3 && digits(w[1]) && isValue(w[2]) && w[2][0] != '-';
  if (k == "analysis") return w.size() == 3 && digits(w[1]) && isValue(w[2]);
  if (k == "search" || k == "book") {
    return w.size() == 5 && isMove(w[1]) && isValue(w[2]) && digits(w[3]) && isDepth(w[4]);
  }
  if (k == "===" && w.size() == 2) {
    const std::size_t a = w[1].find('/'), b = w[1].rfind('/');
    return a != b && isMove(w[1].substr(0, a)) && isValue(w[1].substr(a + 1, b - a - 1)) &&
           isValue(w[1].substr(b + 1)) && w[1][b + 1] != '-';
  }
  return false;
}

// The grammar itself: each form accepted, and the faults the client's parser rejects.
TEST(NboardPipe, GrammarOfTheAnswers) {
  for (const char* good : {"=== f5/-3.70/0.01", "=== PA/0.00/0.00", "search d6 2.12 0 7",
                           "book f6 -3.83 0 7", "search PA 1.00 0 100%W", "search a1 4.00 0 100%",
                           "analysis 12 -0.50", "nodestats 3400 0.06", "pong 3", "status",
                           "set myname Zedare", "learned", "error go: no game set"}) {
    EXPECT_TRUE(grammatical(good)) << good;
  }
  for (const char* bad : {"search g1 -0.00 0 book", "=== f5", "=== z9/1.00/0.00",
                          "search d6 2.1 0 7", "book f6 -3.83 0 %", "analysis x 1.00",
                          "nodestats 1 -0.50", "search d6 2.12 7", "=== f5/1.00/-1.00", ""}) {
    EXPECT_FALSE(grammatical(bad)) << bad;
  }
}

// The first game from seed 1 on in which black's move leaves white without a move while
// black still has one; the game ends with that move.
Transcript gameWithWhiteToPass() {
  for (unsigned seed = 1;; ++seed) {
    const Transcript whole = randomGame(60, seed);
    Transcript game = whole;
    game.moves.clear();
    Board b = game.start;
    for (const GameMove& m : whole.moves) {
      const int mover = b.sideToMove;
      EXPECT_EQ(playGameMove(b, m), "");
      game.moves.push_back(m);
      if (mover == -1 && !m.isPass() && !b.hasLegalMove(1) && b.hasLegalMove(-1)) return game;
    }
  }
}

// A game with two empty squares left and a move for the side to move.
Transcript gameWithTwoEmpties() {
  for (unsigned seed = 1;; ++seed) {
    const Transcript game = randomGame(58, seed);
    const Board end = finalPosition(game);
    if (end.count(0) == 2 && end.sideToMove != 0) return game;
  }
}

// A finished game, the board full and not drawn, in which white played the last move.
Transcript gameWhiteFinished() {
  for (unsigned seed = 1;; ++seed) {
    const Transcript game = randomGame(80, seed);
    const Board end = finalPosition(game);
    if (end.sideToMove == 0 && end.count(0) == 0 && end.count(-1) != end.count(1)) {
      Board before = game.start;
      for (std::size_t i = 0; i + 1 < game.moves.size(); ++i) playGameMove(before, game.moves[i]);
      if (before.sideToMove == 1) return game;
    }
  }
}

Transcript fromGgf(const std::string& ggf) {
  Transcript game;
  EXPECT_EQ(parseGgf(ggf, game), "") << ggf;
  return game;
}

}  // namespace

// The request sequences the client sends (the game, contempt, depth, a ping, then the
// command), answered in order: the pong first, then the command's answer, every line
// grammatical, and nothing after it but the next pong.
TEST(NboardPipe, ClientRequestSequencesReplayed) {
  const Transcript pass = gameWithWhiteToPass();
  const Transcript late = gameWithTwoEmpties();
  const Transcript finished = gameWhiteFinished();
  const std::string alternate =
      "(;GM[Othello]PC[NBoard]DT[2026]PB[a]PW[b]RE[?]TI[5:00]TY[8]BO[8 -------- -------- "
      "-------- ---O*--- ---O*--- -------- -------- -------- *];)";
  const std::string whiteToMove =
      "(;GM[Othello]PC[NBoard]DT[2026]PB[a]PW[b]RE[?]TI[5:00]TY[8]BO[8 -------- -------- "
      "--*----- ---**--- ---*O--- -------- -------- -------- O];)";
  struct Case {
    const char* name;
    std::string game;
    int depth;
    std::string command;
    std::string last;  // the prefix of the command's last line
    // Checks the command's lines (without the pong); `game` as the test parsed it.
    std::function<void(const std::vector<std::string>&, const Transcript&)> check;
  };
  auto count = [](const std::vector<std::string>& lines, const std::string& prefix) {
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
  };
  auto movesLegal = [](const std::vector<std::string>& lines, const Transcript& game) {
    for (const std::string& l : lines) {
      const std::size_t space = l.find(' ');
      const std::string word = l.substr(0, space);
      if (word == "===" || word == "search" || word == "book") {
        EXPECT_TRUE(legalIn(game, l.substr(space + 1, 2))) << l;
      }
    }
  };
  const std::vector<Case> cases = {
      {"white must pass: go", writeGgf(pass, "2026"), 8, "go", "===",
       [&](const auto& lines, const Transcript&) {
         EXPECT_EQ(lines.back().rfind("=== PA/", 0), 0u);
       }},
      {"white must pass: hint", writeGgf(pass, "2026"), 8, "hint 4", "status",
       [&](const auto& lines, const Transcript&) {
         EXPECT_EQ(count(lines, "search PA "), 1);
         EXPECT_EQ(count(lines, "search ") + count(lines, "book "), 1);
       }},
      {"analysis ending in a pass", writeGgf(pass, "2026"), 4, "analyze", "status",
       [&](const auto& lines, const Transcript& game) {
         // One line per position, the one white must pass in included.
         std::set<int> plies;
         for (const std::string& l : lines) {
           if (l.rfind("analysis ", 0) == 0) plies.insert(std::stoi(l.substr(9)));
         }
         EXPECT_EQ(count(lines, "analysis "), static_cast<long>(game.moves.size() + 1));
         EXPECT_EQ(plies.size(), game.moves.size() + 1);
         EXPECT_EQ(*plies.rbegin(), static_cast<int>(game.moves.size()));
       }},
      {"analysis of a finished game", writeGgf(finished, "2026"), 2, "analyze", "status",
       [&](const auto& lines, const Transcript& game) {
         // The last position and the one before (white's forced last move) are both worth
         // the final disc difference from black's side.
         const Board end = finalPosition(game);
         char expected[16];
         std::snprintf(expected, sizeof expected, "%.2f",
                       static_cast<double>(end.count(-1) - end.count(1)));
         const std::size_t n = game.moves.size();
         EXPECT_EQ(std::count(lines.begin(), lines.end(),
                              "analysis " + std::to_string(n) + " " + expected),
                   1);
         EXPECT_EQ(std::count(lines.begin(), lines.end(),
                              "analysis " + std::to_string(n - 1) + " " + expected),
                   1);
       }},
      {"book move as a hint", writeGgf(fromGgf("(;GM[Othello]B[f5];)"), "2026"), 8, "hint 4",
       "status",
       [&](const auto& lines, const Transcript& game) {
         EXPECT_EQ(count(lines, "book "), 1);
         EXPECT_EQ(count(lines, "search ") + count(lines, "book "), 3);
         movesLegal(lines, game);
       }},
      {"hint with two empty squares", writeGgf(late, "2026"), 8, "hint 4", "status",
       [&](const auto& lines, const Transcript& game) {
         EXPECT_EQ(count(lines, "book "), 0);
         for (const std::string& l : lines) {
           if (l.rfind("search ", 0) == 0) {
             EXPECT_EQ(l.substr(l.size() - 5), " 100%") << l;
           }
         }
         EXPECT_GE(count(lines, "search "), 1);
         movesLegal(lines, game);
       }},
      {"alternate start: go", alternate, 6, "go", "===", movesLegal},
      {"set-up board, white to move: go", whiteToMove, 6, "go", "===", movesLegal},
      {"set-up board, white to move: hint", whiteToMove, 6, "hint 2", "status",
       [&](const auto& lines, const Transcript& game) {
         EXPECT_EQ(count(lines, "search ") + count(lines, "book "), 2);
         movesLegal(lines, game);
       }},
      {"refused game, then go", "(;GM[Othello]BO[8 ---];)", 6, "go", "error go",
       [&](const auto& lines, const Transcript&) { EXPECT_EQ(count(lines, "==="), 0); }},
  };
  Nboard engine;
  engine.send("nboard 2");
  EXPECT_EQ(engine.line(), "set myname Zedare " PROJECT_VERSION);
  int ping = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Transcript game;
    const bool valid = parseGgf(c.game, game).empty();
    engine.send("set game " + c.game);
    engine.send("set contempt 0");
    engine.send("set depth " + std::to_string(c.depth));
    engine.send("ping " + std::to_string(++ping));
    engine.send(c.command);
    std::vector<std::string> lines;
    for (std::string l = engine.line();; l = engine.line()) {
      ASSERT_NE(l[0], '<') << "no pong";
      EXPECT_TRUE(grammatical(l)) << l;
      if (l == "pong " + std::to_string(ping)) break;
      EXPECT_FALSE(valid) << "before the pong: " << l;  // only a refused game answers
    }
    for (std::string l = engine.line();; l = engine.line()) {
      ASSERT_NE(l[0], '<') << "the command did not finish";
      EXPECT_TRUE(grammatical(l)) << l;
      lines.push_back(l);
      if (c.last == "status" ? l == "status" : l.rfind(c.last, 0) == 0) break;
    }
    c.check(lines, game);
    engine.send("ping " + std::to_string(++ping));
    EXPECT_EQ(engine.line(), "pong " + std::to_string(ping));
  }
}
