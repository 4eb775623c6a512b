// Test-side access to the stand-in engine: loads the libzedare.so that lies beside the
// test program (the same file the window binds) and wraps its scripting functions.
#ifndef TAVRIN_TESTS_STAND_IN_CLIENT_H
#define TAVRIN_TESTS_STAND_IN_CLIENT_H

#include <dlfcn.h>

#include <QCoreApplication>
#include <QStringList>
#include <QTest>
#include <algorithm>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <mutex>
#include <vector>

#include "main_window.h"
#include "stand_in.h"

class StandIn {
 public:
  StandIn() {
    const QByteArray path =
        (QCoreApplication::applicationDirPath() + "/libzedare.so").toLocal8Bit();
    handle_ = dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) qFatal("stand-in engine not found: %s", dlerror());
    bind(reset_, "StandInReset");
    bind(setAnswer_, "StandInSetAnswer");
    bind(queueAnswer_, "StandInQueueAnswer");
    bind(setSquare_, "StandInSetSquare");
    bind(setBlocking_, "StandInSetBlocking");
    bind(failStyle_, "StandInFailStyle");
    bind(clearLog_, "StandInClearLog");
    bind(logSize_, "StandInLogSize");
    bind(logEntry_, "StandInLogEntry");
  }

  void reset() { reset_(); }
  void answer(int function, uint32_t code, int32_t value) { setAnswer_(function, code, value); }
  void queue(int function, uint32_t code, std::initializer_list<int32_t> values) {
    for (int32_t value : values) queueAnswer_(function, code, value);
  }
  void square(int32_t row, int32_t column, int32_t colour, int32_t state = 2,
              int32_t legalFor = 0) {
    setSquare_(row, column, colour, state, legalFor);
  }
  void startPosition() {
    square(4, 4, 1);
    square(5, 5, 1);
    square(4, 5, -1);
    square(5, 4, -1);
  }
  void blocking(bool search, bool thinking, int lingerMs = 0, int raiseDelayMs = 0) {
    setBlocking_(search ? 1 : 0, thinking ? 1 : 0, lingerMs, raiseDelayMs);
  }
  void failStyle(int32_t style) { failStyle_(style); }
  void clearLog() { clearLog_(); }

  QStringList log() const {
    QStringList entries;
    char buffer[512];
    const int size = logSize_();
    for (int i = 0; i < size; ++i) {
      if (logEntry_(i, buffer, sizeof buffer) != 0) entries << QString::fromUtf8(buffer);
    }
    return entries;
  }

  // The log with every run of painting queries made on the user-interface thread
  // replaced by one "paint".
  QStringList logWithPaints() const { return collapsePaints(log()); }

  // The log without painting queries at all.
  QStringList logWithoutPaints() const {
    QStringList entries = logWithPaints();
    entries.removeAll(QStringLiteral("paint"));
    return entries;
  }

  bool logged(const QString& entry) const { return log().contains(entry); }

  static QStringList collapsePaints(const QStringList& entries) {
    static const QStringList queries = {"SQUARE_COLOUR ",   "SQUARE_STATE ", "IS_LEGAL ",
                                        "COMPUTER_COLOUR ", "SIDE_TO_MOVE ", "BEST_VALUE ",
                                        "LAST_ROW ",        "LAST_COLUMN "};
    auto isQuery = [](const QString& entry) {
      return std::any_of(queries.begin(), queries.end(),
                         [&](const QString& prefix) { return entry.startsWith(prefix); });
    };
    QStringList result;
    for (int i = 0; i < entries.size();) {
      int end = i;
      while (end < entries.size() && isQuery(entries[end])) ++end;
      // A painter asks for at least the 64 squares; shorter runs are the handlers' own.
      if (end - i >= 8) {
        if (result.isEmpty() || result.last() != QLatin1String("paint")) result << "paint";
        i = end;
      } else {
        result << entries[i];
        ++i;
      }
    }
    return result;
  }

 private:
  template <typename F>
  void bind(F& function, const char* name) {
    function = reinterpret_cast<F>(dlsym(handle_, name));
    if (function == nullptr) qFatal("stand-in engine lacks %s", name);
  }

  void* handle_ = nullptr;
  void (*reset_)() = nullptr;
  void (*setAnswer_)(int, uint32_t, int32_t) = nullptr;
  void (*queueAnswer_)(int, uint32_t, int32_t) = nullptr;
  void (*setSquare_)(int32_t, int32_t, int32_t, int32_t, int32_t) = nullptr;
  void (*setBlocking_)(int, int, int, int) = nullptr;
  void (*failStyle_)(int32_t) = nullptr;
  void (*clearLog_)() = nullptr;
  int (*logSize_)() = nullptr;
  int (*logEntry_)(int, char*, int) = nullptr;
};

// A worker clock for tests: scripted readings (0 once they run out) and recorded sleeps,
// so that no test waits on the real clock.
class TestClock {
 public:
  void queueReadings(std::initializer_list<int64_t> readings) {
    std::lock_guard<std::mutex> lock(mutex_);
    readings_.insert(readings_.end(), readings);
  }
  std::vector<int> sleeps() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return sleeps_;
  }
  WorkerClock clock() {
    WorkerClock result;
    result.nowSeconds = [this] {
      std::lock_guard<std::mutex> lock(mutex_);
      if (readings_.empty()) return int64_t{0};
      const int64_t value = readings_.front();
      readings_.pop_front();
      return value;
    };
    result.sleep = [this](int milliseconds) {
      std::lock_guard<std::mutex> lock(mutex_);
      sleeps_.push_back(milliseconds);
    };
    return result;
  }

 private:
  mutable std::mutex mutex_;
  std::deque<int64_t> readings_;
  std::vector<int> sleeps_;
};

// Waits, serving events, until the window has no running worker.
inline bool waitForIdle(const TMainForm& form, int timeoutMs = 10000) {
  return QTest::qWaitFor([&] { return !form.hasLiveWorker(); }, timeoutMs);
}

#endif
