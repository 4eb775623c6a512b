// zedare_tool: the command line to the engine's offline operations (self-play matches
// and position dumps, opening books, training data, pattern tables and weights), which
// no exported function of the library reaches.
//
//   zedare_tool <command> [--option value | --flag]...
//   zedare_tool --help | zedare_tool <command> --help
//
// Game commands load the model first (weight set and pattern tables of slot 1, for a
// match also slot 2) and set the level. Runs longer than a couple of seconds show their
// progress on standard error. Ctrl-C asks the running operation to stop after the
// current game or line, leaving output files that hold whole games and lines; a second
// Ctrl-C ends the program at once.
//
// Exit status: 0 done, 1 a file could not be opened or read or written, 2 bad arguments,
// 130 stopped by Ctrl-C.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "api/engine.h"
#include "eval/model.h"
#include "records/transcript.h"
#include "training/offline.h"
#include "training/pattern_fit.h"

using zedare::Engine;

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

// ---------------------------------------------------------------------------
// Commands and their options

struct Option {
  const char* name;          // without the leading "--"
  const char* valueName;     // nullptr for a flag
  const char* defaultValue;  // nullptr: no default
  const char* help;
  bool optional = false;  // may be left out although it has no default
  bool positional = false;  // may also be given without its "--name", in order
};

struct Command {
  const char* name;
  const char* summary;
  const char* details;
  std::vector<Option> options;
  int (*run)(const std::map<std::string, std::string>& args);
};

const Option kModelOptions[] = {
    {"model-dir", "DIR", "modele", "directory of the model files"},
    {"params", "NAME", "parametry9_i15", "parameter file name: DIR//NAME_STYLE.dat"},
    {"patterns", "NAME", "wzorce9_i15", "pattern file prefix: DIR//NAME_A1.dat ... _PRZ.dat"},
    {"style", "N", "0", "style number (parameter file) of weight set 1"},
};

const Option kLevelOption = {"level", "N", "3", "engine level 1..7 (depth and endgame solving)"};
const Option kExactFromOption = {
    "exact-from", "E", nullptr,
    "solve the end exactly from E empty squares (when the level solves from fewer)", true};
const Option kComputerOption = {"computer-colour", "C", "1",
                                "colour of the engine's computer side, -1 or 1"};

// The root search and the time of every move the engine chooses.
const Option kSearchOptions[] = {
    {"algorithm", "K", "2", "root search: 0 minimax, 1 alpha-beta, 2 MTD(f), 3 fast"},
    {"move-time", "MS", "0", "milliseconds per move search, 0 none"},
};

std::vector<Option> withSearch(std::vector<Option> options) {
  for (const Option& o : kSearchOptions) options.push_back(o);
  return options;
}

std::vector<Option> withModel(std::vector<Option> options, bool level) {
  for (const Option& o : kModelOptions) options.push_back(o);
  if (level) options.push_back(kLevelOption);
  return options;
}

// ---------------------------------------------------------------------------
// Argument values

[[noreturn]] void usageError(const std::string& message) {
  std::fprintf(stderr, "zedare_tool: %s (see --help)\n", message.c_str());
  std::exit(kExitUsage);
}

long long integerArg(const std::map<std::string, std::string>& args, const char* name,
                     long long low, long long high) {
  const std::string& text = args.at(name);
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno == ERANGE || v < low || v > high) {
    usageError("--" + std::string(name) + " needs an integer from " + std::to_string(low) + " to " +
               std::to_string(high) + ", not \"" + text + "\"");
  }
  return v;
}

double numberArg(const std::map<std::string, std::string>& args, const char* name) {
  const std::string& text = args.at(name);
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || std::isnan(v)) {
    usageError("--" + std::string(name) + " needs a number, not \"" + text + "\"");
  }
  return v;
}

int colourArg(const std::map<std::string, std::string>& args, const char* name) {
  const long long c = integerArg(args, name, -1, 1);
  if (c == 0) usageError("--" + std::string(name) + " must be -1 or 1");
  return static_cast<int>(c);
}

const char* textArg(const std::map<std::string, std::string>& args, const char* name) {
  return args.at(name).c_str();
}

bool flagArg(const std::map<std::string, std::string>& args, const char* name) {
  return args.count(name) != 0;
}

// ---------------------------------------------------------------------------
// Progress on standard error

struct Progress {
  using Clock = std::chrono::steady_clock;
  Clock::time_point start = Clock::now();
  Clock::time_point lastShown = start;
  bool terminal = isatty(STDERR_FILENO) != 0;
  bool shown = false;
  zedare::OfflineProgress last{"", 0, 0, 0};

  double elapsed() const { return std::chrono::duration<double>(Clock::now() - start).count(); }
};

Progress progress;

std::string duration(double seconds) {
  char text[32];
  const long s = std::lround(seconds);
  if (s >= 3600) {
    std::snprintf(text, sizeof text, "%ldh%02ldm", s / 3600, s / 60 % 60);
  } else if (s >= 60) {
    std::snprintf(text, sizeof text, "%ldm%02lds", s / 60, s % 60);
  } else {
    std::snprintf(text, sizeof text, "%lds", s);
  }
  return text;
}

std::string amount(const char* unit, long long n) {
  char text[48];
  if (std::strcmp(unit, "bytes") == 0) {
    std::snprintf(text, sizeof text, "%.1f MB", n / 1e6);
  } else {
    std::snprintf(text, sizeof text, "%lld", n);
  }
  return text;
}

void showProgress(void*, const zedare::OfflineProgress& p) {
  progress.last = p;
  const auto now = Progress::Clock::now();
  const double sinceStart = progress.elapsed();
  // Short runs stay quiet; longer ones update once a second on a terminal, every ten
  // seconds into a log.
  const double every = progress.terminal ? 1.0 : 10.0;
  if (sinceStart < 2.0 || std::chrono::duration<double>(now - progress.lastShown).count() < every) {
    return;
  }
  progress.lastShown = now;
  std::string line = std::string(p.unit) + " " + amount(p.unit, p.done);
  if (p.total > 0) line += " / " + amount(p.unit, p.total);
  char rate[96];
  if (std::strcmp(p.unit, "games") == 0) {
    std::snprintf(rate, sizeof rate, "  %.2f games/s", p.done / sinceStart);
    line += rate;
  }
  std::snprintf(rate, sizeof rate, "  %.0f positions/s", p.positions / sinceStart);
  line += rate;
  if (p.total > 0 && p.done > 0 && p.done < p.total) {
    line += "  left " + duration(sinceStart * (p.total - p.done) / p.done);
  }
  line += "  (" + duration(sinceStart) + ")";
  if (progress.terminal) {
    std::fprintf(stderr, "\r%-78s", line.c_str());
  } else {
    std::fprintf(stderr, "%s\n", line.c_str());
  }
  progress.shown = true;
}

void endProgressLine() {
  if (progress.shown && progress.terminal) std::fputc('\n', stderr);
  progress.shown = false;
}

// ---------------------------------------------------------------------------
// Ctrl-C

extern "C" void onInterrupt(int) {
  zedare::requestOfflineStop();
  static const char message[] =
      "\nzedare_tool: stopping after the current game or line (Ctrl-C again to quit now)\n";
  ssize_t ignored = write(STDERR_FILENO, message, sizeof message - 1);
  (void)ignored;
}

void installInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;  // the second Ctrl-C ends the program
  sigaction(SIGINT, &action, nullptr);
}

// ---------------------------------------------------------------------------
// Engine set-up

bool readable(const std::string& path) {
  if (access(path.c_str(), R_OK) == 0) return true;
  std::fprintf(stderr, "zedare_tool: cannot read %s: %s\n", path.c_str(), std::strerror(errno));
  return false;
}

// Loads a model into a slot after checking that its nine files can be read (the loader
// itself ends the process on a file it cannot read).
bool loadModel(Engine& e, int slot, const std::string& directory, const std::string& params,
               const std::string& patterns, int style) {
  bool ok = readable(zedare::parameterPath(directory.c_str(), params.c_str(), style));
  for (int t = 0; t < 8; ++t) {
    ok = readable(zedare::patternPath(directory.c_str(), patterns.c_str(), t)) && ok;
  }
  if (!ok) return false;
  e.loadModel(slot, directory.c_str(), params.c_str(), patterns.c_str(), style);
  return true;
}

std::unique_ptr<Engine> engineWithModel(const std::map<std::string, std::string>& args) {
  auto e = std::make_unique<Engine>();
  const int style = static_cast<int>(integerArg(args, "style", 0, INT_MAX));
  if (!loadModel(*e, 1, args.at("model-dir"), args.at("params"), args.at("patterns"), style)) {
    std::exit(kExitFailed);
  }
  if (args.count("level")) e->setLevel(static_cast<int>(integerArg(args, "level", 1, 7)));
  if (args.count("algorithm"))
    e->algorithm = static_cast<zedare::Algorithm>(integerArg(args, "algorithm", 0, 3));
  if (args.count("move-time"))
    e->moveTime = static_cast<int>(integerArg(args, "move-time", 0, 3600000));
  // Training games may solve the end exactly from more empty squares than their level
  // does, so that a game's result is perfect play's from there on.
  if (args.count("exact-from")) {
    const int n = static_cast<int>(integerArg(args, "exact-from", 0, 60));
    if (n > e->exactEmpties) e->exactEmpties = n;
    if (n > e->wldEmpties) e->wldEmpties = n;
  }
  if (args.count("computer-colour")) {
    const int c = colourArg(args, "computer-colour");
    e->computerColour = c;
    e->humanColour = -c;
  }
  return e;
}

int finish(const char* command, int status, const char* unitDone = nullptr) {
  endProgressLine();
  const double seconds = progress.elapsed();
  const zedare::OfflineProgress& p = progress.last;
  if (status == zedare::kOfflineDone) {
    std::string line =
        std::string(command) + ": done in " + std::to_string(seconds).substr(0, 6) + " s";
    if (unitDone && p.done > 0) {
      char text[128];
      std::snprintf(text, sizeof text, " (%lld %s, %.2f %s/s, %lld positions, %.0f positions/s)",
                    p.done, unitDone, p.done / seconds, unitDone, p.positions,
                    p.positions / seconds);
      line += text;
    }
    std::fprintf(stderr, "%s\n", line.c_str());
    return 0;
  }
  if (status == zedare::kOfflineInterrupted) {
    std::fprintf(stderr, "%s: stopped after %s s; what was written is complete up to there\n",
                 command, std::to_string(seconds).substr(0, 6).c_str());
    return kExitInterrupted;
  }
  std::fprintf(stderr, "%s: failed: %s\n", command, zedare::offlineStatusText(status));
  return status == zedare::kOfflineBadArgument ? kExitUsage : kExitFailed;
}

// ---------------------------------------------------------------------------
// The commands

using Args = std::map<std::string, std::string>;

int runMatch(const Args& a) {
  auto e = engineWithModel(a);
  const int style2 = static_cast<int>(integerArg(a, "style2", 0, INT_MAX));
  const std::string dir2 = a.count("model-dir2") ? a.at("model-dir2") : a.at("model-dir");
  const std::string params2 = a.count("params2") ? a.at("params2") : a.at("params");
  const std::string patterns2 = a.count("patterns2") ? a.at("patterns2") : a.at("patterns");
  if (!loadModel(*e, 2, dir2, params2, patterns2, style2)) return kExitFailed;
  // The second side (weight set 2) searches as the first unless told otherwise.
  e->matchSidesSet = true;
  e->matchSides[0] = {e->algorithm, e->moveTime};
  e->matchSides[1] = e->matchSides[0];
  if (a.count("algorithm2"))
    e->matchSides[1].algorithm = static_cast<zedare::Algorithm>(integerArg(a, "algorithm2", 0, 3));
  if (a.count("move-time2"))
    e->matchSides[1].moveTime = static_cast<int>(integerArg(a, "move-time2", 0, 3600000));
  const int depth = static_cast<int>(integerArg(a, "depth", 0, 30));
  const int status = e->startMatch(textArg(a, "name"), depth);
  if (status == zedare::kOfflineDone) {
    std::fprintf(stderr, "match: %s_wyniki.txt, %s_oceny.txt and %d game files\n",
                 e->matchName.c_str(), e->matchName.c_str(), e->gameCounter);
  }
  return finish("match", status, "games");
}

int runDump(const Args& a) {
  auto e = engineWithModel(a);
  const int depth = static_cast<int>(integerArg(a, "depth", 0, 30));
  const int first = static_cast<int>(integerArg(a, "first", 1, INT_MAX));
  const int last = static_cast<int>(integerArg(a, "last", 1, INT_MAX));
  if (a.count("perfect-from")) {
    e->dumpPerfectFrom = static_cast<int>(integerArg(a, "perfect-from", 0, 60));
  }
  const int status = e->startDump(textArg(a, "out"), depth, first, last);
  if (e->dumpCounter > 0) {
    std::fprintf(stderr, "dump: %d fallback moves were played\n", e->dumpCounter);
  }
  return finish("dump", status, "games");
}

int runBook(const Args& a) {
  auto e = engineWithModel(a);
  const int maxPly = static_cast<int>(integerArg(a, "max-ply", 0, 60));
  const int status = e->generateBook(textArg(a, "out"), maxPly, colourArg(a, "colour"));
  return finish("book", status, "lines");
}

int runContinuations(const Args& a) {
  auto e = engineWithModel(a);
  const int status = e->generateContinuations(
      textArg(a, "in"), static_cast<int>(integerArg(a, "move", 1, 60)), textArg(a, "out"),
      static_cast<int>(integerArg(a, "last-move", 1, 60)), colourArg(a, "colour"),
      numberArg(a, "threshold"));
  return finish("continuations", status);
}

int runSymmetrize(const Args& a) {
  Engine e;
  return finish("symmetrize", e.symmetrizeBook(textArg(a, "in"), textArg(a, "out")));
}

int runMerge(const Args& a) {
  Engine e;
  const int count = static_cast<int>(integerArg(a, "count", 0, 1000000));
  return finish("merge", e.mergePositionFiles(textArg(a, "base"), count));
}

int runFinals(const Args& a) {
  Engine e;
  return finish("finals", e.extractFinalPositions(textArg(a, "in"), textArg(a, "out")));
}

int runFeatureRows(const Args& a) {
  auto e = engineWithModel(a);
  return finish("feature-rows", e->writeFeatureRows(textArg(a, "in"), textArg(a, "out"),
                                                        flagArg(a, "side-to-move") ? 1 : 0));
}

int runPatternStats(const Args& a) {
  auto e = std::make_unique<Engine>();
  int status = e->patternStatistics(textArg(a, "positions"), textArg(a, "finals"));
  if (status == zedare::kOfflineDone) {
    if (e->gameCounter > 0) {
      std::fprintf(stderr,
                   "pattern-stats: warning: %d positions were paired with the final position "
                   "of another game (are the two files in the same order?)\n",
                   e->gameCounter);
    }
    status = e->savePatterns(textArg(a, "out"));
  }
  return finish("pattern-stats", status);
}

int runFit(const Args& a) {
  Engine e;
  const int status = e.fitWeights(textArg(a, "rows"), textArg(a, "out"),
                                  flagArg(a, "all-columns") ? 1 : 0, textArg(a, "errors"),
                                  flagArg(a, "side-to-move") ? 1 : 0);
  std::printf("\n");
  std::fflush(stdout);
  return finish("fit", status);
}

int runFitPatterns(const Args& a) {
  zedare::PatternFitOptions o;
  o.alternations = static_cast<int>(integerArg(a, "alternations", INT_MIN, INT_MAX));
  o.ridge = numberArg(a, "ridge");
  o.weightedFirst = static_cast<int>(integerArg(a, "weighted-first", 0, 64));
  o.weightedLast = static_cast<int>(integerArg(a, "weighted-last", 0, 64));
  o.stageWeight = numberArg(a, "stage-weight");
  o.symmetries = !flagArg(a, "no-symmetries");
  o.solverIterations = static_cast<int>(integerArg(a, "solver-iterations", INT_MIN, INT_MAX));
  o.tolerance = numberArg(a, "tolerance");
  o.smoothFirst = static_cast<int>(integerArg(a, "smooth-first", INT_MIN, INT_MAX));
  o.smoothLast = static_cast<int>(integerArg(a, "smooth-last", INT_MIN, INT_MAX));
  o.smoothPoints = static_cast<int>(integerArg(a, "smooth-points", INT_MIN, INT_MAX));
  const std::string problem = zedare::checkPatternFitOptions(o);
  if (!problem.empty()) usageError(problem);
  return finish("fit-patterns",
                zedare::fitPatternTables(textArg(a, "positions"), textArg(a, "finals"),
                                         textArg(a, "out"), textArg(a, "params-out"), o,
                                         a.count("errors") ? textArg(a, "errors") : nullptr));
}

int runSmooth(const Args& a) {
  Engine e;
  const int status =
      e.smoothWeights(textArg(a, "in"), static_cast<int>(integerArg(a, "first", 1, INT_MAX)),
                      static_cast<int>(integerArg(a, "last", 1, INT_MAX)),
                      static_cast<int>(integerArg(a, "points", 1, 99)), textArg(a, "out"));
  return finish("smooth", status);
}

int runReport(const Args& a) {
  Engine e;
  const int status = e.featureReport(textArg(a, "rows"), textArg(a, "dir"));
  std::printf("\n");
  std::fflush(stdout);
  return finish("report", status);
}

int runConverter(const Args& a) {
  if (!zedare::writeConverterFile(textArg(a, "out"))) {
    std::fprintf(stderr, "converter: cannot write %s\n", textArg(a, "out"));
    return kExitFailed;
  }
  return finish("converter", zedare::kOfflineDone);
}

int runLines(const Args& a) {
  std::printf("%lld\n", zedare::countOpeningLines(static_cast<int>(integerArg(a, "depth", 0, 12))));
  return 0;
}

// One game of the loaded model against itself from the start position, as the game
// plays it: chooseMove without books for the side to move, a pass when it cannot move.
int runPlay(const Args& a) {
  auto e = engineWithModel(a);
  e->newGame();
  int moves = 0;
  for (int passes = 0; passes < 2;) {
    const int side = e->gameBoard.sideToMove;
    if (!e->gameBoard.hasLegalMove(side)) {
      zedare::passTurn(*e);
      ++passes;
      continue;
    }
    passes = 0;
    e->chooseMove(0);
    if (!zedare::playChosenMove(*e, side)) break;
    ++moves;
  }
  std::printf("%d moves; black %d, white %d\n", moves, e->gameBoard.count(-1),
              e->gameBoard.count(1));
  return finish("play", zedare::kOfflineDone);
}

int runSolvedSet(const Args& a) {
  const int status =
      zedare::writeSolvedSet(textArg(a, "in"), textArg(a, "out"),
                             static_cast<int>(integerArg(a, "min", 1, 60)),
                             static_cast<int>(integerArg(a, "max", 1, 60)));
  return finish("solved-set", status);
}

// The evaluation error table: for each style, root mean squared and mean absolute error
// of its static evaluation against the exact values, per empty-square count.
int runEvalError(const Args& a) {
  const int firstStyle = static_cast<int>(integerArg(a, "first-style", 0, INT_MAX));
  const int lastStyle = static_cast<int>(integerArg(a, "last-style", firstStyle, INT_MAX));
  std::vector<zedare::EvalErrors> tables;
  for (int style = firstStyle; style <= lastStyle; ++style) {
    Engine e;
    if (!loadModel(e, 1, a.at("model-dir"), a.at("params"), a.at("patterns"), style)) {
      return kExitFailed;
    }
    tables.emplace_back();
    const int status = zedare::evaluationErrors(e, textArg(a, "set"), tables.back());
    if (status != zedare::kOfflineDone) return finish("eval-error", status);
  }
  std::printf("# %s, styles %d-%d: RMS / mean absolute error in discs (positions)\n",
              a.at("model-dir").c_str(), firstStyle, lastStyle);
  std::printf("%-8s", "empties");
  for (int style = firstStyle; style <= lastStyle; ++style) std::printf("  style %-9d", style);
  std::printf("  positions\n");
  auto row = [&](const char* label, auto pick) {
    std::printf("%-8s", label);
    for (const auto& t : tables) {
      const zedare::EvalErrors::Row& r = pick(t);
      std::printf("  %6.2f / %5.2f", r.rms(), r.meanAbs());
    }
    std::printf("  %lld\n", pick(tables.front()).count);
  };
  for (int n = 0; n <= 60; ++n) {
    if (tables.front().byEmpties[n].count == 0) continue;
    row(std::to_string(n).c_str(), [n](const zedare::EvalErrors& t) -> const auto& {
      return t.byEmpties[n];
    });
  }
  row("all", [](const zedare::EvalErrors& t) -> const auto& { return t.all; });
  std::printf("%-8s", "slope");
  for (const auto& t : tables) std::printf("  %6.3f %+7.2f", t.slope, t.intercept);
  std::printf("  (exact = slope * evaluation + intercept)\n");
  return finish("eval-error", zedare::kOfflineDone);
}

// How often the search of a level plays the book's move: evenly spread entries of a book
// file (only the first line of each group of four, the other three being its symmetric
// images), each searched from a fresh tree without books.
int runBookAgreement(const Args& a) {
  auto e = engineWithModel(a);
  std::vector<std::string> entries;
  {
    std::FILE* f = std::fopen(textArg(a, "book"), "r");
    if (!f) {
      std::fprintf(stderr, "book-agreement: cannot read %s\n", textArg(a, "book"));
      return kExitFailed;
    }
    char line[512];
    for (long n = 0; std::fgets(line, sizeof line, f); ++n) {
      if (n % 4 == 0) entries.push_back(line);
    }
    std::fclose(f);
  }
  const long count = static_cast<long>(integerArg(a, "count", 1, INT_MAX));
  const size_t step = std::max<size_t>(1, entries.size() / static_cast<size_t>(count));
  long searched = 0, same = 0;
  for (size_t i = 0; i < entries.size() && searched < count; i += step) {
    zedare::Board board;
    int row, column;
    double value;
    std::string why;
    if (!zedare::parseBookLine(entries[i].c_str(), board, row, column, value,
                               zedare::TextStrictness::Strict, &why)) {
      std::fprintf(stderr, "book-agreement: entry %zu: %s\n", i * 4 + 1, why.c_str());
      return kExitFailed;
    }
    if (value >= 9999.0) continue;  // the fixed first moves
    e->gameBoard = board;
    e->computerColour = board.sideToMove;
    e->humanColour = -board.sideToMove;
    e->resetTree();
    e->chooseMove(0);
    ++searched;
    if (e->bestMove.row == row && e->bestMove.column == column) ++same;
  }
  std::printf("%s level %d: %ld entries searched, the search plays the book's move in %ld "
              "(%.1f%%), another move in %ld (%.1f%%)\n",
              textArg(a, "book"), e->level, searched, same, searched ? 100.0 * same / searched : 0.0,
              searched - same, searched ? 100.0 * (searched - same) / searched : 0.0);
  return finish("book-agreement", zedare::kOfflineDone);
}

// A game from one file format into another, each chosen by the file's extension.
int runTranscript(const Args& a) {
  char date[40];
  const std::time_t now = std::time(nullptr);
  std::strftime(date, sizeof date, "%Y.%m.%d_%H:%M:%S.UTC", std::gmtime(&now));
  const std::string why = zedare::convertGameFile(textArg(a, "in"), textArg(a, "out"), date);
  if (!why.empty()) {
    std::fprintf(stderr, "transcript: %s\n", why.c_str());
    return zedare::gameFileFormat(textArg(a, "in")) == zedare::GameFileFormat::Unknown ||
                   zedare::gameFileFormat(textArg(a, "out")) == zedare::GameFileFormat::Unknown
               ? kExitUsage
               : kExitFailed;
  }
  return finish("transcript", zedare::kOfflineDone);
}

const std::vector<Command>& commands() {
  static const std::vector<Command> list = {
      {"match", "self-play match of weight set 1 (human side) against weight set 2",
       "Plays every opening line up to DEPTH plies to the end, weight set 1 on the human\n"
       "side and weight set 2 on the computer side. Writes NAME_{C|B}DEPTH_wyniki.txt (one\n"
       "result line per game), NAME_{C|B}DEPTH_oceny.txt (a feature record per position)\n"
       "and NAME_{C|B}DEPTH_<game>.gam (C when the computer plays black).",
       [] {
         auto o = withModel(
             {{"name", "NAME", nullptr, "base name of the match's files"},
              {"depth", "D", nullptr, "opening depth in plies"},
              {"style2", "N", "1", "style number of weight set 2"},
              {"model-dir2", "DIR", nullptr, "model directory of set 2 (default: --model-dir)",
               true},
              {"params2", "NAME", nullptr, "parameter name of set 2 (default: --params)", true},
              {"patterns2", "NAME", nullptr, "pattern prefix of set 2 (default: --patterns)", true},
              {"algorithm2", "K", nullptr, "root search of set 2's moves (default: --algorithm)",
               true},
              {"move-time2", "MS", nullptr, "move time of set 2 (default: --move-time)", true}},
             true);
         o.push_back(kComputerOption);
         return withSearch(o);
       }(),
       runMatch},
      {"dump", "position dump: every position of the self-play games of a range",
       "Plays every opening line up to DEPTH plies to the end with weight set 1 and writes\n"
       "each position of the games numbered FIRST to LAST as \"game<TAB>discs<TAB>board\"\n"
       "(the opening positions, one per move, and the final position with side to move 0).\n"
       "Games outside the range are counted but not played, so ranges split a dump.",
       [] {
         auto o = withModel({{"out", "FILE", nullptr, "position file to write"},
                             {"depth", "D", nullptr, "opening depth in plies"},
                             {"first", "N", "1", "first game number to play"},
                             {"last", "N", "2147483647", "last game number to play"}},
                            true);
         o.push_back(kComputerOption);
         o.push_back(kExactFromOption);
         o.push_back({"perfect-from", "E", nullptr,
                      "finish every game by perfect play (the exact solver, both sides) from E "
                      "empty squares",
                      true});
         return withSearch(o);
       }(),
       runDump},
      {"book", "opening book: the engine's move against every reply",
       "Writes one book line for every position with COLOUR to move reached within\n"
       "MAX_PLY plies when COLOUR follows the engine's choice (fixed moves 3 4 and 3 3 at\n"
       "plies 1 and 2, then level 6 at plies 3 and 4 and level 5 later) and the opponent\n"
       "tries every legal move (only the first at ply 1). COLOUR -1 makes the \"_c\" books,\n"
       "1 the \"_b\" books. Lines are flushed as they are written.",
       withSearch(
           withModel({{"out", "FILE", nullptr, "book file to write"},
                      {"max-ply", "P", nullptr, "last ply expanded"},
                      {"colour", "K", nullptr, "colour whose moves the book holds, -1 or 1"}},
                     false)),
       runBook},
      {"continuations", "continuation book: the engine's own play from book positions",
       "For each book entry at move number MOVE whose value is at most THRESHOLD, plays the\n"
       "entry's move and goes on with the engine's own choices for both sides, writing a\n"
       "book line for every position of COLOUR up to move LAST, while the value of the\n"
       "computer's moves stays at most THRESHOLD. Played at --level.",
       withSearch(withModel({{"in", "FILE", nullptr, "book file to read"},
                             {"move", "M", nullptr, "move number of the entries to continue"},
                             {"out", "FILE", nullptr, "continuation book to write"},
                             {"last-move", "N", nullptr, "last move number written"},
                             {"colour", "K", nullptr, "colour of the book's positions, -1 or 1"},
                             {"threshold", "T", nullptr, "largest move value that is continued"}},
                            true)),
       runContinuations},
      {"symmetrize",
       "adds the three symmetric images of every book line",
       "Writes each line of the input book followed by its images under the reflections\n"
       "in the two diagonals and the half turn (position and move alike).",
       {{"in", "FILE", nullptr, "book file to read"},
        {"out", "FILE", nullptr, "book file to write"}},
       runSymmetrize},
      {"merge",
       "joins BASE_1.txt .. BASE_K.txt into BASE.txt",
       "Copies the position lines of BASE_1.txt to BASE_K.txt, in order, into BASE.txt.\n"
       "A part that does not exist is skipped with a note.",
       {{"base", "BASE", nullptr, "base name of the position files"},
        {"count", "K", nullptr, "number of parts"}},
       runMerge},
      {"finals",
       "keeps the final positions (side to move 0) of a position file",
       "",
       {{"in", "FILE", nullptr, "position file to read"},
        {"out", "FILE", nullptr, "final-position file to write"}},
       runFinals},
      {"feature-rows", "turns every position into a row of 20 feature values",
       "Writes one row per position: game, discs, side to move, disc difference, frontier,\n"
       "mobility, stable discs, corners/X-squares, 0, PRZ patterns, corner access, region\n"
       "parity, 0, corner threat, corner patterns, SC1..SC3 patterns, corners of each side,\n"
       "seen from --computer-colour and with the pattern tables of the model given.",
       [] {
         auto o = withModel({{"in", "FILE", nullptr, "position file to read"},
                             {"out", "FILE", nullptr, "feature-row file to write"},
                             {"side-to-move", nullptr, nullptr,
                              "column 13: +1 computer to move, -1 human, 0 final (else 0)"}},
                            false);
         o.push_back(kComputerOption);
         return o;
       }(),
       runFeatureRows},
      {"pattern-stats",
       "pattern tables from positions and their games' final positions",
       "Counts every edge, corner and diagonal pattern of every position (under the eight\n"
       "symmetries, each also with colours inverted) with what its game's final position\n"
       "holds on the pattern's squares, and writes the eight tables to PREFIX_A1.dat ..\n"
       "PREFIX_PRZ.dat. Both files must list the games in the same order.",
       {{"positions", "FILE", nullptr, "position file (a dump)"},
        {"finals", "FILE", nullptr, "its final positions (finals)"},
        {"out", "PREFIX", nullptr, "prefix of the eight pattern files"}},
       runPatternStats},
      {"fit",
       "fits the weights of every stage to a feature-row file",
       "Regresses the final disc difference of each game on the feature rows of each disc\n"
       "count (stages with fewer than 500 rows are skipped) and writes the 18 x 64 weight\n"
       "matrix to NAME.dat and the RMS error of each stage to --errors.\n"
       "By default only two columns can enter the fit: frontier (5) and corners and\n"
       "X-squares (8); every other term keeps weight 0.\n"
       "With --all-columns every column can enter: disc difference, mobility, stability,\n"
       "pattern, corner access, region parity and corner threat terms as well. In both\n"
       "cases a column needs 200 non-zero values and a correlation with the result above\n"
       "0.05, a column 95% correlated with a stronger one is dropped, and columns whose\n"
       "weight has the wrong sign are dropped one at a time, weakest first.\n"
       "With --side-to-move column 13 (the side-to-move term, in rows written with it)\n"
       "enters every stage past those rules: within a stage it is nearly constant, the\n"
       "stage's intercept.",
       {{"rows", "FILE", nullptr, "feature-row file to read"},
        {"out", "NAME", nullptr, "weight matrix written to NAME.dat"},
        {"all-columns", nullptr, nullptr, "let every feature column enter the fit"},
        {"side-to-move", nullptr, nullptr,
         "fit column 13 too (rows from feature-rows --side-to-move)"},
        {"errors", "FILE", "err.txt", "file for the 1 x 64 error vector"}},
       runFit},
      {"fit-patterns",
       "fits the line pattern tables together with the weights",
       "Makes the pattern statistics of the positions (as pattern-stats) and the weights\n"
       "for their features (as feature-rows --side-to-move, fit --all-columns\n"
       "--side-to-move and smooth), then alternates: the values of the tables SC1, SC2,\n"
       "SC3 and PRZ are fitted together, for the current weights, by least squares of the\n"
       "evaluation against the games' final disc differences (one sparse problem,\n"
       "conjugate gradients), and the weights are fitted and smoothed again for the new\n"
       "tables. The corner tables keep the means. Writes the eight pattern files\n"
       "PREFIX_A1.dat .. PREFIX_PRZ.dat (count, count x value, value) and the weights to\n"
       "--params-out. Both input files must list the games in the same order.",
       {{"positions", "FILE", nullptr, "position file (a dump)"},
        {"finals", "FILE", nullptr, "its final positions (finals)"},
        {"out", "PREFIX", nullptr, "prefix of the eight pattern files"},
        {"params-out", "FILE", nullptr, "parameter file to write (18 x 64 weights)"},
        {"errors", "FILE", nullptr, "file for the last weight fit's 1 x 64 error vector", true},
        {"alternations", "N", "4", "table solves, each followed by a weight fit (0: the means)"},
        {"ridge", "R", "10", "each value pulled towards 0 as by R more occurrences"},
        {"weighted-first", "D", "40", "first disc count of the weighted positions"},
        {"weighted-last", "D", "52", "last disc count of the weighted positions"},
        {"stage-weight", "W", "2", "weight of those positions in the table solve"},
        {"no-symmetries", nullptr, nullptr,
         "a value per pattern index, not tied to its reversed and inverted lines"},
        {"solver-iterations", "N", "1000", "conjugate-gradient iterations of a solve, at most"},
        {"tolerance", "T", "1e-6", "relative residual at which a solve stops"},
        {"smooth-first", "F", "5", "first column smoothed"},
        {"smooth-last", "L", "64", "last column smoothed"},
        {"smooth-points", "P", "5", "smoothing window, odd"}},
       runFitPatterns},
      {"smooth",
       "smooths each weight row along the disc count",
       "Replaces each run of non-zero weights between columns FIRST and LAST of every row\n"
       "but row 12 by a moving straight-line fit over POINTS columns (3 for shorter runs;\n"
       "runs of one or two are kept). POINTS must be odd.",
       {{"in", "FILE", nullptr, "weight matrix to read"},
        {"first", "F", nullptr, "first column"},
        {"last", "L", nullptr, "last column"},
        {"points", "P", nullptr, "window width, odd"},
        {"out", "FILE", nullptr, "weight matrix to write"}},
       runSmooth},
      {"report",
       "per-stage correlation, coefficient and fill of every feature column",
       "Writes korelacje.txt (correlation of each column with the final disc difference),\n"
       "parametry0.txt (the column's least-squares coefficient alone) and wypelnienie.txt\n"
       "(its non-zero entries), 20 x 64 each, for disc counts 4 to 63.",
       {{"rows", "FILE", nullptr, "feature-row file to read"},
        {"dir", "DIR", "", "directory for the three files (default: here)"}},
       runReport},
      {"lines",
       "prints the number of games a match or dump of a depth plays",
       "The number of opening lines up to DEPTH plies (the games of a match or dump), for\n"
       "splitting a dump into ranges (--first, --last) run side by side and merged.",
       {{"depth", "D", nullptr, "opening depth in plies"}},
       runLines},
      {"converter",
       "writes the row converter table",
       "Writes the table that turns a packed board row into colours and square states\n"
       "(the same as the separate write_converter program).",
       {{"out", "PATH", "modele//konwerter.dat", "file to write"}},
       runConverter},
      {"transcript",
       "a game from one file format into another (.gam, .txt/.mov, .ggf)",
       "Reads the game in IN and writes it to OUT, the formats chosen by the extensions:\n"
       ".gam the game file of the window, .txt or .mov move text (f5d6c3..., passes left\n"
       "out; PA or -- accepted), .ggf one GGF game. Move text and .gam start from the\n"
       "standard position; a GGF game from another position can only go to GGF. A bad\n"
       "file is refused with the move or character where it went wrong.",
       {{"in", "FILE", nullptr, "game to read", false, true},
        {"out", "FILE", nullptr, "game file to write", false, true}},
       runTranscript},
      {"solved-set",
       "positions of self-play games with their exact values",
       "Takes one position of every game of a position file, with MIN to MAX empty squares\n"
       "(the game number chooses the count, so the games spread over the range) and a move\n"
       "to play, solves it exactly and writes \"value<TAB>position line\", the value being the\n"
       "final disc difference for the side to move under perfect play (empty squares of an\n"
       "early end count for nobody).",
       {{"in", "FILE", nullptr, "position file (a dump)"},
        {"out", "FILE", nullptr, "solved set to write"},
        {"min", "N", "16", "fewest empty squares"},
        {"max", "N", "22", "most empty squares"}},
       runSolvedSet},
      {"eval-error", "error of each style's static evaluation against a solved set",
       "Prints, per empty-square count, the root mean squared and the mean absolute error\n"
       "in discs of the static evaluation (weight set 1 of each style, from the side to\n"
       "move) against the exact values of a solved set, and the least-squares line of the\n"
       "exact value on the evaluation (a slope of 1: the evaluation is in discs).",
       [] {
         auto o = withModel({{"set", "FILE", nullptr, "solved set (solved-set)"},
                             {"first-style", "N", "0", "first style"},
                             {"last-style", "N", "6", "last style"}},
                            false);
         // The styles are chosen by the two options above.
         o.erase(std::remove_if(o.begin(), o.end(),
                                [](const Option& x) { return std::strcmp(x.name, "style") == 0; }),
                 o.end());
         return o;
       }(),
       runEvalError},
      {"book-agreement", "how often a level's search plays the book's move",
       "Searches evenly spread entries of a book file (the first of each four lines, the\n"
       "others being its symmetric images; the fixed first moves left out) at --level from\n"
       "a fresh tree without books and prints how often the move is the book's.",
       withModel({{"book", "FILE", nullptr, "book file (otwarcia/...)"},
                  {"count", "N", "100", "entries to search"}},
                 true),
       runBookAgreement},
      {"play", "one game of the loaded model against itself",
       "Loads the model as the game does (code 30), sets the level and plays one game from\n"
       "the start position, both sides by the engine; prints the moves and the final score.",
       withModel({}, true), runPlay},
  };
  return list;
}

void printOverview() {
  std::printf(
      "usage: zedare_tool <command> [--option value | --flag]...\n"
      "       zedare_tool <command> --help\n\n"
      "Offline operations of the engine. Run from the folder that holds modele/ (or give\n"
      "--model-dir). Ctrl-C stops a long run after the current game or line.\n\n"
      "commands:\n");
  for (const Command& c : commands()) std::printf("  %-15s %s\n", c.name, c.summary);
  std::printf(
      "\nThe row converter file is also written by the separate program write_converter.\n"
      "Exit status: 0 done, 1 file or data error, 2 bad arguments, 130 stopped by Ctrl-C.\n");
}

void printCommandHelp(const Command& c) {
  std::printf("usage: zedare_tool %s", c.name);
  for (const Option& o : c.options) {
    const bool optional = !o.valueName || o.defaultValue || o.optional;
    std::printf(optional ? " [--%s%s%s]" : " --%s%s%s", o.name, o.valueName ? " " : "",
                o.valueName ? o.valueName : "");
  }
  std::printf("\n\n%s\n", c.summary);
  if (*c.details) std::printf("\n%s\n", c.details);
  std::printf("\noptions:\n");
  for (const Option& o : c.options) {
    std::string left =
        std::string("--") + o.name + (o.valueName ? std::string(" ") + o.valueName : "");
    std::printf("  %-22s %s", left.c_str(), o.help);
    if (o.valueName && o.defaultValue && *o.defaultValue) std::printf(" [%s]", o.defaultValue);
    std::printf("\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
    printOverview();
    return argc < 2 ? kExitUsage : 0;
  }
  const Command* command = nullptr;
  for (const Command& c : commands())
    if (argv[1] == std::string(c.name)) command = &c;
  if (!command) usageError("unknown command \"" + std::string(argv[1]) + "\"");

  Args args;
  for (int i = 2; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "--help" || word == "-h") {
      printCommandHelp(*command);
      return 0;
    }
    if (word.rfind("--", 0) != 0) {
      const Option* next = nullptr;
      for (const Option& o : command->options)
        if (!next && o.positional && !args.count(o.name)) next = &o;
      if (!next) usageError("unexpected argument \"" + word + "\"");
      args[next->name] = word;
      continue;
    }
    const Option* option = nullptr;
    for (const Option& o : command->options)
      if (word.substr(2) == o.name) option = &o;
    if (!option) usageError(std::string(command->name) + " has no option " + word);
    if (args.count(option->name)) usageError(word + " given twice");
    if (option->valueName) {
      if (i + 1 >= argc) usageError(word + " needs a value (" + option->valueName + ")");
      args[option->name] = argv[++i];
    } else {
      args[option->name] = "";
    }
  }
  for (const Option& o : command->options) {
    if (!o.valueName || args.count(o.name)) continue;
    if (o.defaultValue) {
      args[o.name] = o.defaultValue;
    } else if (!o.optional) {
      usageError(std::string(command->name) + " needs --" + o.name);
    }
  }

  installInterruptHandler();
  zedare::setOfflineProgressHook(showProgress, nullptr);
  return command->run(args);
}
