// The transcript codec: game records made as the window makes them go to move text and
// to GGF and back to the same positions (passes and games that end early included), and
// bad transcripts are refused with a message that says what and where.
#include "records/transcript.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "records/game_record.h"

using namespace zedare;

namespace {

// A random game stored the way the window stores it: after each move a forced pass is
// made at once (the slot then holds the side that moves next), and a game where neither
// side can move is ended (side to move 0).
GameRecord windowGame(unsigned seed, int maxMoves, bool& passed) {
  std::mt19937 rng(seed);
  GameRecord record;
  Board b;
  b.setInitial();
  record.store(b, -1);
  for (int n = 0; n < maxMoves && b.sideToMove != 0; ++n) {
    std::vector<std::pair<int, int>> legal;
    for (int r = 1; r <= 8; ++r)
      for (int c = 1; c <= 8; ++c)
        if (b.isLegal(r, c, b.sideToMove)) legal.emplace_back(r, c);
    const auto [r, c] = legal[rng() % legal.size()];
    b.play(r, c, b.sideToMove);
    if (!b.hasLegalMove(b.sideToMove)) {
      if (b.hasLegalMove(-b.sideToMove)) {
        b.pass();
        passed = true;
      } else {
        b.sideToMove = 0;
      }
    }
    record.store(b, -1);
  }
  return record;
}

void expectSamePositions(const GameRecord& a, const GameRecord& b, const std::string& how) {
  ASSERT_EQ(a.lastIndex, b.lastIndex) << how;
  for (int i = 0; i <= a.lastIndex; ++i) {
    EXPECT_TRUE(a.positions[i].sameSquares(b.positions[i])) << how << " position " << i;
    EXPECT_EQ(a.positions[i].sideToMove, b.positions[i].sideToMove) << how << " position " << i;
  }
}

}  // namespace

TEST(Transcript, RecordsRoundTripThroughMoveTextAndGgf) {
  int withPass = 0, endedEarly = 0, unfinished = 0;
  for (unsigned seed = 1; seed <= 300; ++seed) {
    bool passed = false;
    const GameRecord record = windowGame(seed, seed % 5 == 0 ? 30 : 60, passed);
    const Board& last = record.positions[record.lastIndex];
    withPass += passed;
    endedEarly += last.sideToMove == 0 && last.discCount < 64;
    unfinished += last.sideToMove != 0;

    Transcript game;
    ASSERT_EQ(transcriptFromRecord(record, game), "") << seed;
    std::string error;
    const std::string text = writeMoveText(game, error);
    ASSERT_EQ(error, "");
    // Read back as written, in upper case with the passes written out, and as GGF.
    std::string spelled;
    for (const GameMove& m : game.moves) spelled += m.isPass() ? "-- " : moveName(m) + " ";
    for (char& c : spelled) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::pair<std::string, std::string> forms[] = {
        {"text", text}, {"spelled", spelled}, {"ggf", writeGgf(game, "2026.01.01")}};
    for (const auto& [how, form] : forms) {
      Transcript read;
      ASSERT_EQ(how == "ggf" ? parseGgf(form, read) : parseMoveText(form, read), "")
          << how << ": " << form;
      GameRecord back;
      ASSERT_EQ(recordFromTranscript(read, back), "");
      expectSamePositions(record, back, how + " " + std::to_string(seed));
    }
  }
  // The random games cover what the round trip must carry.
  EXPECT_GT(withPass, 0);
  EXPECT_GT(endedEarly, 0);
  EXPECT_GT(unfinished, 0);
}

TEST(Transcript, GgfCarriesItsStartPositionNamesAndResult) {
  // From a position other than the start, with white to move, a value and time after a
  // move, and properties of no interest to the game.
  const std::string ggf =
      "(;GM[Othello]PC[NBoard]DT[2026]PB[Gracz]PW[Zedare]RE[?]TI[5:00]TY[8]BO[8 "
      "-------- -------- -------- ---O*--- ---**--- ----*--- -------- -------- O]"
      "W[f6/1.5/0.2]B[d3]C[comment];)";
  Transcript game;
  ASSERT_EQ(parseGgf(ggf, game), "");
  EXPECT_EQ(game.start.discCount, 5);
  EXPECT_EQ(game.start.sideToMove, 1);
  ASSERT_EQ(game.moves.size(), 2u);
  EXPECT_EQ(moveName(game.moves[0]), "f6");
  const std::string written = writeGgf(game, "2026.01.01");
  EXPECT_NE(written.find("PB[Gracz]PW[Zedare]"), std::string::npos) << written;
  // Unfinished: no result yet. A game that ends (black takes white's last discs) has one.
  EXPECT_NE(written.find("RE[?]"), std::string::npos) << written;
  Transcript finished;
  ASSERT_EQ(parseGgf("(;GM[Othello]BO[8 *OO----- -------- -------- -------- -------- -------- "
                     "-------- -------* *]B[d1];)",
                     finished),
            "");
  EXPECT_NE(writeGgf(finished, "x").find("RE[+5.00]"), std::string::npos);
  Transcript again;
  ASSERT_EQ(parseGgf(written, again), "");
  EXPECT_TRUE(finalPosition(again).sameSquares(finalPosition(game)));
  // Neither a game record nor move text can start there.
  GameRecord record;
  EXPECT_NE(recordFromTranscript(game, record).find("starts from 5"), std::string::npos);
  std::string error;
  EXPECT_EQ(writeMoveText(game, error), "");
  EXPECT_NE(error.find("standard position"), std::string::npos);
}

TEST(Transcript, BadTranscriptsAreRefusedSayingWhatAndWhere) {
  const std::string standardBoard =
      "BO[8 ---------------------------O*------*O--------------------------- *]";
  struct Case {
    bool ggf;
    std::string text;
    std::string message;
  };
  const Case cases[] = {
      {false, "f5d6c3x9", "character 7: \"x9\" is not a move"},
      {false, "f5d6c", "character 5: \"c\" is not a move"},
      {false, "f5 f5", "move 2 (f5): the square is taken"},
      {false, "f5a1", "move 2 (a1): not a legal move for white"},
      {false, "f5pa", "move 2 (pa): a pass, but white can move"},
      {false, std::string(70000, ' '), "longer than any game"},
      {true, "", "a game starts with \"(;\""},
      {true, "(;GM[Othello]B[f5]", "ends before \";)\""},
      {true, "(;GM[Othello]BO[8 ---", "ends inside BO["},
      {true, "(;GM[Chess];)", "GM[Chess] is not Othello"},
      {true, "(;TY[10];)", "only TY[8]"},
      {true, "(;BO[10 -];)", "only 8x8"},
      {true, "(;BO[8 ---];)", "needs 64 squares"},
      {true, "(;" + standardBoard + "W[f5];)", "played by white, but black is to move"},
      {true, "(;" + standardBoard + "B[f5]W[PA];)", "a pass, but white can move"},
      {true, "(;" + standardBoard + "B[z5];)", "B[z5] is not a move"},
      {true, "(;GM[Othello] b[f5];)", "character 15: expected a property"},
  };
  for (const Case& c : cases) {
    Transcript game;
    game.moves.push_back(GameMove{6, 5});  // a refused read leaves it as it was
    const std::string why = c.ggf ? parseGgf(c.text, game) : parseMoveText(c.text, game);
    EXPECT_NE(why.find(c.message), std::string::npos) << c.text.substr(0, 60) << " gave: " << why;
    EXPECT_EQ(game.moves.size(), 1u);
  }
  // A record whose positions do not follow each other by moves is no game.
  GameRecord record;
  Board b;
  b.setInitial();
  record.store(b, -1);
  b.play(6, 5, -1);
  b.setSquare(1, 1, 1);
  b.rebuildCandidates();
  record.positions[1] = b;
  record.lastIndex = 1;
  Transcript game;
  EXPECT_NE(transcriptFromRecord(record, game).find("position 1: does not follow"),
            std::string::npos);
}
