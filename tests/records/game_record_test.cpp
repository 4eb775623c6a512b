// The game record: storing by disc count, navigation, the game file's exact text, round
// trips, and files that must be refused without touching the record.
#include "scratch.h"
#include "records/game_record.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "../board/oracle.h"

using zedare::Board;
using zedare::GameRecord;

namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

std::string temp(const char* name) {
  return scratchPath(name);
}

}  // namespace

TEST(GameRecordStore, ResetStoreAndNavigation) {
  GameRecord rec;
  EXPECT_EQ(rec.currentIndex, 0);
  EXPECT_EQ(rec.lastIndex, 0);
  EXPECT_EQ(rec.playerColour, -1);
  EXPECT_EQ(rec.currentSideToMove(), -1);
  rec.forward();
  EXPECT_EQ(rec.currentIndex, 0);

  Board b;
  b.setInitial();
  rec.store(b, -1);
  b.play(3, 4, -1);
  rec.store(b, 1);
  EXPECT_EQ(rec.currentIndex, 1);
  EXPECT_EQ(rec.lastIndex, 1);
  EXPECT_EQ(rec.playerColour, 1);
  b.pass();  // a pass overwrites the slot of the position it passes in
  rec.store(b, 1);
  EXPECT_EQ(rec.lastIndex, 1);
  EXPECT_EQ(rec.currentSideToMove(), -1);

  // A longer game, then a new move from an earlier position cuts the rest off.
  std::mt19937 rng(4);
  Board g;
  GameRecord game;
  game.store((g.setInitial(), g), -1);
  oracle::randomGame(rng, g, 20,
                     [&](const Board& board, const oracle::Position&) { game.store(board, -1); });
  ASSERT_EQ(game.lastIndex, 20);
  for (int i = 0; i < 17; ++i) game.back();
  EXPECT_EQ(game.currentIndex, 3);
  Board at3;
  game.loadCurrent(at3);
  EXPECT_EQ(at3.discCount, 7);
  EXPECT_EQ(at3.checkConsistency(), "");
  for (int r = 1; r <= 8 && at3.discCount == 7; ++r)
    for (int c = 1; c <= 8; ++c)
      if (at3.play(r, c, at3.sideToMove)) {
        r = 9;
        break;
      }
  game.store(at3, -1);
  EXPECT_EQ(game.lastIndex, 4);
  // A position two moves past the last would leave a never-written slot: not stored.
  Board skipped = at3;
  for (int played = 0; played < 2;)
    for (int sq = 0; sq < 64 && played < 2; ++sq)
      played += skipped.play(sq / 8 + 1, sq % 8 + 1, skipped.sideToMove) ? 1 : 0;
  ASSERT_EQ(skipped.discCount, 10);
  game.store(skipped, -1);
  EXPECT_EQ(game.lastIndex, 4);
  EXPECT_EQ(game.currentIndex, 4);
  game.toLast();
  EXPECT_EQ(game.currentIndex, 4);
  game.toFirst();
  EXPECT_EQ(game.currentIndex, 0);
  game.back();
  EXPECT_EQ(game.currentIndex, 0);
}

TEST(GameRecordFile, ExactTextOfAFreshRecord) {
  GameRecord rec;
  const std::string path = temp("zedare_fresh.gam");
  ASSERT_TRUE(rec.save(path.c_str()));
  std::string expected = "-1 0 0\n";
  for (int r = 1; r <= 8; ++r)
    for (int c = 1; c <= 8; ++c) {
      int v = 0;
      if ((r == 4 && c == 4) || (r == 5 && c == 5)) v = 1;
      if ((r == 4 && c == 5) || (r == 5 && c == 4)) v = -1;
      expected += std::to_string(v) + " ";
    }
  expected += " -1\n";
  EXPECT_EQ(readFile(path), expected);
  GameRecord back;
  back.playerColour = 1;
  back.lastIndex = 0;
  ASSERT_TRUE(back.load(path.c_str()));
  EXPECT_EQ(back.currentIndex, 0);
  EXPECT_EQ(back.lastIndex, 0);
  EXPECT_EQ(back.playerColour, -1);
  std::remove(path.c_str());
}

TEST(GameRecordFile, RoundTripOfPlayedGames) {
  std::mt19937 rng(8);
  for (int n = 0; n < 20; ++n) {
    GameRecord rec;
    Board g;
    rec.store((g.setInitial(), g), n % 2 ? 1 : -1);
    oracle::randomGame(rng, g, 70, [&](const Board& board, const oracle::Position&) {
      rec.store(board, n % 2 ? 1 : -1);
    });
    g.sideToMove = 0;
    rec.store(g, n % 2 ? 1 : -1);
    for (int i = 0; i < n; ++i) rec.back();
    const std::string path = temp("zedare_round.gam");
    ASSERT_TRUE(rec.save(path.c_str()));
    GameRecord back;
    ASSERT_TRUE(back.load(path.c_str()));
    EXPECT_EQ(back.currentIndex, rec.currentIndex);
    EXPECT_EQ(back.lastIndex, rec.lastIndex);
    EXPECT_EQ(back.playerColour, rec.playerColour);
    for (int i = 0; i <= rec.lastIndex; ++i) {
      EXPECT_EQ(back.positions[i].toLine(), rec.positions[i].toLine()) << i;
      EXPECT_EQ(back.positions[i].discCount, rec.positions[i].discCount);
      EXPECT_EQ(back.positions[i].checkConsistency(), "");
    }
    std::remove(path.c_str());
  }
}

// Each bad file is refused and leaves a record that holds a game exactly as it was.
TEST(GameRecordFile, BadFilesLeaveTheRecordUnchanged) {
  GameRecord good;
  Board g;
  good.store((g.setInitial(), g), 1);
  g.play(3, 4, -1);
  good.store(g, 1);
  const std::string goodPath = temp("zedare_good.gam");
  ASSERT_TRUE(good.save(goodPath.c_str()));
  const std::string text = readFile(goodPath);
  const std::string header = text.substr(0, text.find('\n') + 1);
  const std::string body = text.substr(header.size());
  const std::string line1 = body.substr(0, body.find('\n') + 1);
  const std::string line2 = body.substr(line1.size());

  const std::vector<std::pair<std::string, std::string>> bad = {
      {"empty", ""},
      {"header with two numbers", "1 0\n" + body},
      {"header with words", "one 0 1\n" + body},
      {"header with a fourth number", "1 0 1 5\n" + body},
      {"last index above 60", "1 0 61\n" + body},
      {"last index below 0", "1 0 -1\n" + body},
      {"current index above last", "1 2 1\n" + body},
      {"current index below 0", "1 -1 1\n" + body},
      {"player colour not a colour", "0 0 1\n" + body},
      {"fewer lines than announced", "1 0 2\n" + body},
      {"a short position line", header + line1 + line2.substr(0, 60) + "\n"},
      {"side to move 2", header + line1 + line2.substr(0, line2.size() - 3) + " 2\n"},
      {"garbage after a line", header + line1 + line2.substr(0, line2.size() - 1) + " x\n"},
      {"slot 0 holding six discs", "1 0 0\n" + line2},
      {"slot 1 holding four discs", header + line1 + line1},
      {"a line that never ends", header + line1 + std::string(100000, '0')},
  };
  for (const auto& [what, content] : bad) {
    const std::string path = temp("zedare_bad.gam");
    writeFile(path, content);
    GameRecord rec = good;
    EXPECT_FALSE(rec.load(path.c_str())) << what;
    EXPECT_EQ(rec.lastIndex, 1) << what;
    EXPECT_EQ(rec.currentIndex, 1) << what;
    EXPECT_EQ(rec.playerColour, 1) << what;
    EXPECT_EQ(rec.positions[1].toLine(), good.positions[1].toLine()) << what;
    std::remove(path.c_str());
  }
  GameRecord rec = good;
  EXPECT_FALSE(rec.load(temp("zedare_missing.gam").c_str()));
  EXPECT_EQ(rec.lastIndex, 1);
  // A device that never ends a line is refused after its first few kilobytes.
  EXPECT_FALSE(rec.load("/dev/zero"));
  EXPECT_EQ(rec.positions[1].toLine(), good.positions[1].toLine());
  // The good file itself still loads, with carriage returns tolerated.
  std::string crlf;
  for (char ch : text) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
  const std::string crlfPath = temp("zedare_crlf.gam");
  writeFile(crlfPath, crlf);
  GameRecord fromCrlf;
  EXPECT_TRUE(fromCrlf.load(crlfPath.c_str()));
  EXPECT_EQ(fromCrlf.lastIndex, 1);
  std::remove(crlfPath.c_str());
  std::remove(goodPath.c_str());
}

TEST(GameRecordFile, FailedSaveKeepsTheOldFile) {
  GameRecord rec;
  const std::string path = temp("zedare_keep.gam");
  ASSERT_TRUE(rec.save(path.c_str()));
  const std::string before = readFile(path);
  // A target inside a folder that does not exist cannot be written; the temporary file
  // beside it cannot either, and nothing else is touched.
  EXPECT_FALSE(rec.save(scratchPath("no_such_folder/x.gam").c_str()));
  EXPECT_EQ(readFile(path), before);
  // Saving over a good file replaces it whole and leaves no temporary file behind.
  Board b;
  b.setInitial();
  b.play(3, 4, -1);
  rec.store(b, 1);
  ASSERT_TRUE(rec.save(path.c_str()));
  EXPECT_NE(readFile(path), before);
  EXPECT_FALSE(std::ifstream(path + ".tmp").good());
  std::remove(path.c_str());
}

namespace {

// Saving through the temporary file: what it may overwrite and what it must keep. Each
// case starts in a folder of its own holding the target "game.gam" with the text "old".
TEST(GameRecordFile, SaveKeepsWhatTheUserOwns) {
  namespace fs = std::filesystem;
  const fs::path root = fs::path(::testing::TempDir()) / ("zedare_save_" + std::to_string(getpid()));
  GameRecord rec;
  enum class Setup { ReadOnly, UserTmpFile, ThroughLink, GroupReadable, NoFolderWrite };
  const struct {
    const char* what;
    Setup setup;
    bool saved;
  } cases[] = {
      {"a read-only target is refused", Setup::ReadOnly, false},
      {"the user's NAME.tmp is left alone", Setup::UserTmpFile, true},
      {"a link is followed and stays a link", Setup::ThroughLink, true},
      {"the old file's permissions are kept", Setup::GroupReadable, true},
      {"a folder closed to writing refuses", Setup::NoFolderWrite, false},
  };
  for (const auto& c : cases) {
    const fs::path dir = root / std::to_string(static_cast<int>(c.setup));
    fs::create_directories(dir);
    const fs::path target = dir / "game.gam";
    writeFile(target.string(), "old");
    fs::path saveAs = target;
    switch (c.setup) {
      case Setup::ReadOnly:
        chmod(target.c_str(), 0444);
        break;
      case Setup::UserTmpFile:
        writeFile(target.string() + ".tmp", "mine");
        break;
      case Setup::ThroughLink:
        saveAs = dir / "link.gam";
        fs::create_symlink("game.gam", saveAs);
        break;
      case Setup::GroupReadable:
        chmod(target.c_str(), 0640);
        break;
      case Setup::NoFolderWrite:
        // Root may write into any folder; the case then only shows that nothing is lost.
        chmod(dir.c_str(), 0555);
        break;
    }
    const bool closedToRoot = c.setup == Setup::NoFolderWrite && geteuid() == 0;
    const bool saved = rec.save(saveAs.c_str());
    if (!closedToRoot) {
      EXPECT_EQ(saved, c.saved) << c.what;
    }
    const std::string now = readFile(target.string());
    EXPECT_EQ(now == "old", !saved) << c.what;
    if (saved) {
      GameRecord back;
      EXPECT_TRUE(back.load(target.c_str())) << c.what;
    }
    struct stat info;
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    const unsigned expectedMode = c.setup == Setup::ReadOnly ? 0444 : c.setup == Setup::GroupReadable ? 0640 : info.st_mode & 0777;
    EXPECT_EQ(info.st_mode & 0777, expectedMode) << c.what;
    if (c.setup == Setup::UserTmpFile) {
      EXPECT_EQ(readFile(target.string() + ".tmp"), "mine");
    }
    if (c.setup == Setup::ThroughLink) {
      EXPECT_TRUE(fs::is_symlink(saveAs)) << c.what;
    }
    // No temporary file is left behind, whatever happened.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
      (void)entry;
      ++files;
    }
    const int expectedFiles = 1 + (c.setup == Setup::UserTmpFile || c.setup == Setup::ThroughLink);
    EXPECT_EQ(files, expectedFiles) << c.what;
    chmod(dir.c_str(), 0755);
  }
  fs::remove_all(root);
}

}  // namespace
