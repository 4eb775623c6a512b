// A stand-in for the engine library, for the desktop program's tests. It has the six
// exports of the real library and records every call, in order and with the calling
// thread, while its answers are scripted by the test through a few extra exports
// (declared in stand_in.h). Move searches and background thinking can be made to block
// until the window clears the engine's flags, as the real ones do.
#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "stand_in.h"
#include "zedare.h"

namespace {

struct Script {
  std::mutex mutex;
  std::vector<std::string> log;
  std::map<std::pair<int, uint32_t>, std::deque<int32_t>> queued;
  std::map<std::pair<int, uint32_t>, int32_t> fixed;
  int colour[8][8] = {};
  int state[8][8] = {};
  int legalFor[8][8] = {};
  std::thread::id mainThread;
  // Read by the calls without the lock.
  std::atomic<bool> searchBlocks{false};
  std::atomic<bool> thinkingBlocks{false};
  std::atomic<int> lingerMs{0};
  std::atomic<int> raiseDelayMs{0};
  std::atomic<int> failingStyle{-1};
};

Script& script() {
  static Script instance;
  return instance;
}

std::atomic<int32_t> searching{0};
std::atomic<int32_t> pondering{0};
int instanceTag = 0;

void record(const std::string& entry) {
  Script& s = script();
  std::lock_guard<std::mutex> lock(s.mutex);
  const bool fromMain = std::this_thread::get_id() == s.mainThread;
  s.log.push_back(fromMain ? entry : "w:" + entry);
}

// The name every code has in zedare.h, without its "ZEDARE_" prefix, per dispatcher
// (indexed like kStandInInst ... kStandInFile). The names are taken from the enumerators
// themselves, so the log cannot disagree with the header.
struct CodeName {
  uint32_t code;
  const char* name;
};
#define STAND_IN_CODE(enumerator) \
  { enumerator, &#enumerator[sizeof "ZEDARE_" - 1] }
const std::vector<CodeName> kCodeNames[] = {
    {STAND_IN_CODE(ZEDARE_SET_HUMAN_COLOUR),
     STAND_IN_CODE(ZEDARE_SET_LEVEL),
     STAND_IN_CODE(ZEDARE_SET_ALGORITHM),
     STAND_IN_CODE(ZEDARE_HUMAN_COLOUR),
     STAND_IN_CODE(ZEDARE_COMPUTER_COLOUR),
     STAND_IN_CODE(ZEDARE_SIDE_TO_MOVE),
     STAND_IN_CODE(ZEDARE_LEVEL),
     STAND_IN_CODE(ZEDARE_ALGORITHM),
     STAND_IN_CODE(ZEDARE_NEW_GAME),
     STAND_IN_CODE(ZEDARE_RESET_TREE),
     STAND_IN_CODE(ZEDARE_IS_HUMAN_TO_MOVE),
     STAND_IN_CODE(ZEDARE_IS_COMPUTER_TO_MOVE),
     STAND_IN_CODE(ZEDARE_HUMAN_CAN_MOVE),
     STAND_IN_CODE(ZEDARE_COMPUTER_CAN_MOVE),
     STAND_IN_CODE(ZEDARE_HUMAN_MOVE),
     STAND_IN_CODE(ZEDARE_COMPUTER_MOVE),
     STAND_IN_CODE(ZEDARE_THINK_IN_BACKGROUND),
     STAND_IN_CODE(ZEDARE_EXACT_COUNT),
     STAND_IN_CODE(ZEDARE_EVAL_COUNT),
     STAND_IN_CODE(ZEDARE_GAME_COUNTER),
     STAND_IN_CODE(ZEDARE_BEST_VALUE),
     STAND_IN_CODE(ZEDARE_LAST_ROW),
     STAND_IN_CODE(ZEDARE_LAST_COLUMN),
     STAND_IN_CODE(ZEDARE_SET_LAST_MOVE),
     STAND_IN_CODE(ZEDARE_DISC_DIFFERENCE),
     STAND_IN_CODE(ZEDARE_IS_SEARCHING),
     STAND_IN_CODE(ZEDARE_STOP_SEARCH),
     STAND_IN_CODE(ZEDARE_IS_PONDERING),
     STAND_IN_CODE(ZEDARE_STOP_PONDERING),
     STAND_IN_CODE(ZEDARE_LOAD_MODEL),
     STAND_IN_CODE(ZEDARE_SET_MOVE_TIME),
     STAND_IN_CODE(ZEDARE_MOVE_TIME),
     STAND_IN_CODE(ZEDARE_MOVE_VALUE),
     STAND_IN_CODE(ZEDARE_EVAL_TERM)},
    {STAND_IN_CODE(ZEDARE_SQUARE_COLOUR), STAND_IN_CODE(ZEDARE_SQUARE_STATE),
     STAND_IN_CODE(ZEDARE_IS_LEGAL), STAND_IN_CODE(ZEDARE_PASS), STAND_IN_CODE(ZEDARE_END_GAME)},
    {STAND_IN_CODE(ZEDARE_RECORD_STORE), STAND_IN_CODE(ZEDARE_RECORD_RESET),
     STAND_IN_CODE(ZEDARE_RECORD_PLAYER_COLOUR), STAND_IN_CODE(ZEDARE_RECORD_LOAD_CURRENT),
     STAND_IN_CODE(ZEDARE_RECORD_SIDE_TO_MOVE), STAND_IN_CODE(ZEDARE_RECORD_FORWARD),
     STAND_IN_CODE(ZEDARE_RECORD_BACK), STAND_IN_CODE(ZEDARE_RECORD_LAST),
     STAND_IN_CODE(ZEDARE_RECORD_FIRST)},
    {STAND_IN_CODE(ZEDARE_FILE_LOAD), STAND_IN_CODE(ZEDARE_FILE_SAVE)},
};
#undef STAND_IN_CODE

// A log entry: the code's name (a code zedare.h does not name: the dispatcher's letter
// and the number, e.g. "I29") and the arguments.
std::string format(int function, uint32_t code, std::initializer_list<int32_t> arguments) {
  static const char* const kUnnamed[] = {"I", "P", "PP", "F"};
  std::string text = kUnnamed[function] + std::to_string(code);
  for (const CodeName& entry : kCodeNames[function]) {
    if (entry.code == code) text = entry.name;
  }
  for (int32_t argument : arguments) text += " " + std::to_string(argument);
  return text;
}

int32_t answer(int function, uint32_t code, int32_t unscripted = 0) {
  Script& s = script();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto queued = s.queued.find({function, code});
  if (queued != s.queued.end() && !queued->second.empty()) {
    const int32_t value = queued->second.front();
    queued->second.pop_front();
    return value;
  }
  auto fixed = s.fixed.find({function, code});
  return fixed != s.fixed.end() ? fixed->second : unscripted;
}

bool onBoard(int32_t row, int32_t column) {
  return row >= 1 && row <= 8 && column >= 1 && column <= 8;
}

// Blocks like a search: the flag is raised on entry and the call returns once the
// other thread has cleared it.
void blockOn(std::atomic<int32_t>& flag) {
  flag.store(1);
  while (flag.load() != 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace

extern "C" {

ZedareHandle TavrinCreate(void) {
  record("Create");
  return &instanceTag;
}

void TavrinDestroy(ZedareHandle) {
  record("Destroy");
}

int32_t TavrinInst(ZedareHandle, uint32_t code, int32_t a, int32_t b) {
  const std::string entry = format(kStandInInst, code, {a, b});
  record(entry);
  switch (code) {
    case ZEDARE_HUMAN_MOVE:
    case ZEDARE_COMPUTER_MOVE:
      if (b == 0 && script().searchBlocks) {
        blockOn(searching);
        record(entry + " end");
      }
      return answer(kStandInInst, code);
    case ZEDARE_THINK_IN_BACKGROUND:
      if (script().thinkingBlocks) {
        // The real engine raises its flag on entry, over any stop sent just before.
        std::this_thread::sleep_for(std::chrono::milliseconds(script().raiseDelayMs.load()));
        blockOn(pondering);
        std::this_thread::sleep_for(std::chrono::milliseconds(script().lingerMs.load()));
        record(entry + " end");
      }
      return 0;
    case ZEDARE_IS_SEARCHING:
      return searching.load();
    case ZEDARE_STOP_SEARCH:
      searching.store(0);
      return 0;
    case ZEDARE_IS_PONDERING:
      return pondering.load();
    case ZEDARE_STOP_PONDERING:
      pondering.store(0);
      return 0;
    case ZEDARE_LOAD_MODEL:
      if (b == script().failingStyle) {
        using Hook = void (*)(const char*);
        if (auto hook = reinterpret_cast<Hook>(dlsym(RTLD_DEFAULT, "TavrinMatrixErrorHook"))) {
          hook("MATRIX: readtxt(char *)\nnieudane otwarcie pliku do odczytu\nmodele//x.dat\n");
          record("hook returned");
        }
      }
      return 0;
    default:
      return answer(kStandInInst, code);
  }
}

int32_t TavrinInst_p0(ZedareHandle, uint32_t code, int32_t row, int32_t column, int32_t colour) {
  record(format(kStandInP0, code, {row, column, colour}));
  if (code <= ZEDARE_IS_LEGAL && !onBoard(row, column)) {
    record("bad square");
    return 0;
  }
  Script& s = script();
  std::lock_guard<std::mutex> lock(s.mutex);
  switch (code) {
    case ZEDARE_SQUARE_COLOUR:
      return s.colour[row - 1][column - 1];
    case ZEDARE_SQUARE_STATE:
      return s.state[row - 1][column - 1];
    case ZEDARE_IS_LEGAL:
      return colour != 0 && s.legalFor[row - 1][column - 1] == colour ? 1 : 0;
    default:
      return 0;
  }
}

int32_t TavrinInst_pp(ZedareHandle, uint32_t code) {
  record(format(kStandInPp, code, {}));
  return answer(kStandInPp, code);
}

#ifndef STAND_IN_WITHOUT_FILE_EXPORT
int32_t TavrinFile_pp(ZedareHandle, uint32_t code, const char* path) {
  record(format(kStandInFile, code, {}) + " " + (path != nullptr ? path : "(null)"));
  return answer(kStandInFile, code, 1);
}
#endif

// --- Scripting ---

void StandInReset(void) {
  Script& s = script();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.log.clear();
  s.queued.clear();
  s.fixed.clear();
  std::memset(s.colour, 0, sizeof s.colour);
  std::memset(s.state, 0, sizeof s.state);
  std::memset(s.legalFor, 0, sizeof s.legalFor);
  s.mainThread = std::this_thread::get_id();
  s.searchBlocks = false;
  s.thinkingBlocks = false;
  s.lingerMs = 0;
  s.raiseDelayMs = 0;
  s.failingStyle = -1;
  searching.store(0);
  pondering.store(0);
}

void StandInSetAnswer(int function, uint32_t code, int32_t value) {
  Script& s = script();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.fixed[{function, code}] = value;
}

void StandInQueueAnswer(int function, uint32_t code, int32_t value) {
  Script& s = script();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.queued[{function, code}].push_back(value);
}

void StandInSetSquare(int32_t row, int32_t column, int32_t colour, int32_t state,
                      int32_t legalFor) {
  if (!onBoard(row, column)) return;
  Script& s = script();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.colour[row - 1][column - 1] = colour;
  s.state[row - 1][column - 1] = state;
  s.legalFor[row - 1][column - 1] = legalFor;
}

void StandInSetBlocking(int search, int thinking, int lingerMs, int raiseDelayMs) {
  Script& s = script();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.searchBlocks = search != 0;
  s.thinkingBlocks = thinking != 0;
  s.lingerMs = lingerMs;
  s.raiseDelayMs = raiseDelayMs;
}

void StandInFailStyle(int32_t style) {
  Script& s = script();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.failingStyle = style;
}

void StandInClearLog(void) {
  Script& s = script();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.log.clear();
}

int StandInLogSize(void) {
  Script& s = script();
  std::lock_guard<std::mutex> lock(s.mutex);
  return static_cast<int>(s.log.size());
}

int StandInLogEntry(int index, char* buffer, int size) {
  Script& s = script();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (index < 0 || index >= static_cast<int>(s.log.size()) || size <= 0) return 0;
  std::snprintf(buffer, static_cast<size_t>(size), "%s", s.log[index].c_str());
  return 1;
}

}  // extern "C"
