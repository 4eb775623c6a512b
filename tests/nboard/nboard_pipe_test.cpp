// zedare-nboard driven through its standard input and output as an interface would drive
// it: a game set in GGF, the engine's move, hints, a ping during a long search, and bad
// commands, each answered on the pipe.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <random>
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

  // Lines up to the first that starts with `prefix` (status lines skipped); that line.
  std::string until(const std::string& prefix, int ms = 20000) {
    for (std::string l = line(ms);; l = line(ms)) {
      if (l.rfind(prefix, 0) == 0 || l[0] == '<') return l;
      EXPECT_EQ(l.rfind("status", 0), 0u) << "unexpected line: " << l;
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
    if (l.rfind("status ", 0) == 0) continue;
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
  const std::string answer = engine.line(2000);
  const std::string pong = engine.line(2000);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - sent)
          .count();
  ASSERT_EQ(answer.rfind("=== ", 0), 0u) << answer;
  EXPECT_TRUE(legalIn(game, answer.substr(4, 2))) << answer;
  EXPECT_EQ(pong, "pong 9");
  EXPECT_LE(ms, 100);
}
