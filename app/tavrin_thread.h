// The worker that runs the engine's long calls (a move search, background thinking) so
// that the window stays responsive. The window makes one worker per job; the worker
// runs its task once and ends. It talks to the window only through thread-safe
// routes: atomics mirrored from the check boxes, queued repaint and label requests,
// and one blocking call that shows "Następny ruch" on the user-interface thread.
#ifndef TAVRIN_TAVRIN_THREAD_H
#define TAVRIN_TAVRIN_THREAD_H

#include <QString>
#include <QThread>
#include <atomic>
#include <cstdint>
#include <functional>

class TMainForm;

// The worker's view of time: the wall clock in whole seconds and a sleep in
// milliseconds. Replaceable so that tests neither wait nor depend on the clock.
struct WorkerClock {
  std::function<int64_t()> nowSeconds;
  std::function<void(int milliseconds)> sleep;
};

WorkerClock wallClock();

class TavrinThread : public QThread {
 public:
  enum Task { ComputerMove = 1, MoveForHuman = 2, ResumeThinking = 3 };

  // Which engine call the worker is inside, as far as the window must know: the window
  // re-sends a stop when a worker is still in a search or in background thinking while
  // it waits for it.
  enum Phase { Idle = 0, Searching = 1, Thinking = 2 };

  TavrinThread(TMainForm* form, WorkerClock clock);

  int task = 0;
  double evaluation = 0.0;

  Phase phase() const { return static_cast<Phase>(phase_.load()); }

  // True once the task has returned: everything the worker did happens before a true
  // answer. (The thread itself may still be winding down; wait() before deleting.)
  bool done() const { return done_.load(std::memory_order_acquire); }

  // The report shown in Label8: the evaluation rounded to one decimal, the number of
  // positions the search looked at, and the seconds it took.
  static QString reportText(double evaluation, int64_t positions, int64_t seconds);

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

  TMainForm* form_;
  WorkerClock clock_;
  std::atomic<int> phase_{Idle};
  std::atomic<bool> done_{false};
};

#endif
