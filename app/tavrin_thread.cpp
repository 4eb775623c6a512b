#include "tavrin_thread.h"

#include <QLocale>
#include <chrono>
#include <cmath>
#include <ctime>
#include <thread>

#include "main_window.h"

WorkerClock wallClock() {
  WorkerClock clock;
  clock.nowSeconds = [] { return static_cast<int64_t>(std::time(nullptr)); };
  clock.sleep = [](int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  };
  return clock;
}

TavrinThread::TavrinThread(TMainForm* form, WorkerClock clock)
    : form_(form), clock_(std::move(clock)) {}

QString TavrinThread::reportText(double evaluation, int64_t positions, int64_t seconds) {
  // A general number in its shortest form with at most 15 significant digits, in the
  // user's decimal separator but without digit grouping.
  QLocale locale;
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  const double rounded = std::floor(evaluation * 10.0 + 0.5) * 0.1;
  return locale.toString(rounded, 'g', 15) + QStringLiteral(" / ") + QString::number(positions) +
         QStringLiteral(" (") + locale.toString(static_cast<double>(seconds), 'g', 15) +
         QStringLiteral(" s)");
}

void TavrinThread::run() {
  Execute();
  done_.store(true, std::memory_order_release);
}

void TavrinThread::Execute() {
  switch (task) {
    case ComputerMove:
      computerMove();
      break;
    case MoveForHuman:
      moveForHuman();
      break;
    case ResumeThinking:
      resumeThinking();
      break;
    default:
      break;
  }
}

void TavrinThread::searchAndShowMove(uint32_t code) {
  const int64_t start = clock_.nowSeconds();
  phase_.store(Searching);
  form_->inst(code, form_->bookChecked() ? 1 : 0, 0);
  phase_.store(Idle);
  const int64_t duration = clock_.nowSeconds() - start;
  // A quick move would otherwise appear the instant the human's move is drawn.
  if (form_->delayChecked() && duration < 1) clock_.sleep(500);
  form_->requestBoardRepaint();
  evaluation = form_->inst(ZEDARE_BEST_VALUE) * 0.001;
  form_->requestBarRepaint();
  const int64_t positions = static_cast<int64_t>(form_->inst(ZEDARE_EXACT_COUNT)) + form_->inst(ZEDARE_EVAL_COUNT);
  form_->setReport(reportText(evaluation, positions, duration));
}

void TavrinThread::think() {
  // The phase is published before thinkingAllowed is read, and the window clears
  // thinkingAllowed before it reads the phase (both sequentially consistent): either this
  // worker sees the window waiting and skips, or the window sees the worker thinking
  // and keeps sending the stop until the worker has returned.
  // The same holds for "myślenie w tle": the window clears its mirror before it looks
  // for a thinking worker.
  phase_.store(Thinking);
  if (form_->thinkingAllowed.load() != 0 && form_->thinkingChecked()) form_->inst(ZEDARE_THINK_IN_BACKGROUND);
  phase_.store(Idle);
}

void TavrinThread::computerMove() {
  if (form_->inst(ZEDARE_IS_COMPUTER_TO_MOVE) == 0) return;
  if (form_->inst(ZEDARE_COMPUTER_CAN_MOVE) != 0) {
    searchAndShowMove(ZEDARE_COMPUTER_MOVE);
  } else {
    form_->p0(ZEDARE_PASS);
  }
  if (form_->inst(ZEDARE_HUMAN_CAN_MOVE) != 0) {
    if (form_->thinkingChecked()) think();
  } else if (form_->inst(ZEDARE_COMPUTER_CAN_MOVE) != 0) {
    form_->p0(ZEDARE_PASS);
    form_->showNextMoveButton();
  } else {
    form_->p0(ZEDARE_END_GAME);
  }
  form_->pp(ZEDARE_RECORD_STORE);
}

void TavrinThread::moveForHuman() {
  if (form_->inst(ZEDARE_IS_HUMAN_TO_MOVE) == 0) return;
  if (form_->inst(ZEDARE_HUMAN_CAN_MOVE) != 0) {
    searchAndShowMove(ZEDARE_HUMAN_MOVE);
  } else {
    form_->p0(ZEDARE_PASS);
  }
  if (form_->inst(ZEDARE_COMPUTER_CAN_MOVE) == 0) {
    form_->p0(form_->inst(ZEDARE_HUMAN_CAN_MOVE) != 0 ? ZEDARE_PASS : ZEDARE_END_GAME);
  }
  form_->pp(ZEDARE_RECORD_STORE);
}

void TavrinThread::resumeThinking() {
  if (form_->inst(ZEDARE_HUMAN_CAN_MOVE) != 0 && form_->thinkingChecked()) think();
}
