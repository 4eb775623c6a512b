// The worker that runs the engine's long calls (a move search, background thinking) so
// that the window stays responsive. The window makes one worker per job and keeps at
// most one alive; the worker runs its task once and ends. It knows nothing of the
// window: it calls the engine through an EngineClient, reads the switches the window
// keeps in step with its check boxes, and reports by signals (queued repaint and report
// requests, and one blocking request that shows "Następny ruch").
#ifndef TAVRIN_TAVRIN_THREAD_H
#define TAVRIN_TAVRIN_THREAD_H

#include <QString>
#include <QThread>
#include <atomic>
#include <cstdint>
#include <functional>

#include "engine_client.h"

// The worker's view of time: the wall clock in whole seconds and a sleep in
// milliseconds. Replaceable so that tests neither wait nor depend on the clock.
struct WorkerClock {
  std::function<int64_t()> nowSeconds;
  std::function<void(int milliseconds)> sleep;
};

WorkerClock wallClock();

// What the worker reads of the window's state, as atomics the window keeps in step
// with its check boxes ("książka", "opóźnienie", "myślenie w tle").
struct WorkerSwitches {
  std::atomic<bool> book{true};
  std::atomic<bool> delay{true};
  std::atomic<bool> thinking{true};
  // 0 while the window waits for the worker to end, so that it starts no background
  // thinking.
  std::atomic<int> thinkingAllowed{1};
};

class TavrinThread : public QThread {
  Q_OBJECT

 public:
  enum Task { ComputerMove = 1, MoveForHuman = 2, ResumeThinking = 3 };

  // Which engine call the worker is inside, as far as the window must know: the window
  // re-sends a stop when a worker is still in a search or in background thinking while
  // it waits for it.
  enum Phase { Idle = 0, Searching = 1, Thinking = 2 };

  TavrinThread(const EngineClient& engine, const WorkerSwitches& switches, WorkerClock clock,
               Task task);

  Phase phase() const { return static_cast<Phase>(phase_.load()); }

  // True once the task has returned: everything the worker did happens before a true
  // answer. (The thread itself may still be winding down; wait() before deleting.)
  bool done() const { return done_.load(std::memory_order_acquire); }

  // The report shown in Label8: the evaluation rounded to one decimal, the number of
  // positions the search looked at, and the seconds it took.
  static QString reportText(double evaluation, int64_t positions, int64_t seconds);

 signals:
  // The board and the evaluation changed: repaint them.
  void boardChanged();
  void evaluationChanged();
  // The report for Label8 (see reportText).
  void reportReady(const QString& text);
  // The computer must pass next: "Następny ruch" is to be shown. Connected blocking, so
  // the worker goes on only once the button shows.
  void nextMoveNeeded();

 protected:
  void run() override;

 private:
  void Execute();
  void computerMove();
  void moveForHuman();
  void resumeThinking();
  // The timed search of one move with code 14 or 15, then the repaints and the report.
  void searchAndShowMove(uint32_t code);
  // Background thinking, unless the window is waiting for the workers to end.
  void think();

  const EngineClient& engine_;
  const WorkerSwitches& switches_;
  WorkerClock clock_;
  const Task task_;
  std::atomic<int> phase_{Idle};
  std::atomic<bool> done_{false};
};

#endif
