#include "tavrin_thread.h"

#include <QLocale>
#include <chrono>
#include <cmath>
#include <ctime>
#include <thread>

WorkerClock wallClock() {
  WorkerClock clock;
  clock.nowSeconds = [] { return static_cast<int64_t>(std::time(nullptr)); };
  clock.sleep = [](int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  };
  return clock;
}

TavrinThread::TavrinThread(const EngineClient& engine, const WorkerSwitches& switches,
                           WorkerClock clock, Task task)
    : engine_(engine), switches_(switches), clock_(std::move(clock)), task_(task) {}

namespace {

// "pion", "piony", "pionów" by the number; a fraction takes "piona".
QString discs(double n) {
  if (n != std::floor(n)) return QStringLiteral("piona");
  const int64_t whole = static_cast<int64_t>(n);
  if (whole == 1) return QStringLiteral("pion");
  const int64_t ones = whole % 10, tens = whole % 100;
  if (ones >= 2 && ones <= 4 && (tens < 12 || tens > 14)) return QStringLiteral("piony");
  return QStringLiteral("pionów");
}

}  // namespace

QString TavrinThread::reportText(double evaluation, int64_t positions, int64_t seconds) {
  // The evaluation rounded to one decimal, in the user's decimal separator but without
  // digit grouping, said as whose advantage it is; the second line the positions scored
  // and the seconds taken.
  QLocale locale;
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  const double rounded = std::floor(evaluation * 10.0 + 0.5) * 0.1;
  const double size = std::fabs(rounded);
  QString judgement;
  if (size < 0.05) {
    judgement = QStringLiteral("0 – równowaga");
  } else {
    const double shown = std::round(size * 10.0) / 10.0;
    judgement = QStringLiteral("%1 %2 dla %3")
                    .arg(locale.toString(shown, 'g', 15), discs(shown),
                         rounded > 0 ? QStringLiteral("komputera") : QStringLiteral("gracza"));
  }
  return judgement + QLatin1Char('\n') + QString::number(positions) + QStringLiteral(" poz., ") +
         locale.toString(static_cast<double>(seconds), 'g', 15) + QStringLiteral(" s");
}

void TavrinThread::run() {
  Execute();
  done_.store(true, std::memory_order_release);
}

void TavrinThread::Execute() {
  switch (task_) {
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
  engine_.inst(code, switches_.book.load() ? 1 : 0, 0);
  phase_.store(Idle);
  const int64_t duration = clock_.nowSeconds() - start;
  // A quick move would otherwise appear the instant the human's move is drawn.
  if (switches_.delay.load() && duration < 1) clock_.sleep(500);
  emit boardChanged();
  const double evaluation = engine_.inst(ZEDARE_BEST_VALUE) * 0.001;
  emit evaluationChanged();
  const int64_t positions = static_cast<int64_t>(engine_.inst(ZEDARE_EXACT_COUNT)) + engine_.inst(ZEDARE_EVAL_COUNT);
  emit reportReady(reportText(evaluation, positions, duration));
}

void TavrinThread::think() {
  // The phase is published before thinkingAllowed is read, and the window clears
  // thinkingAllowed before it reads the phase (both sequentially consistent): either this
  // worker sees the window waiting and skips, or the window sees the worker thinking
  // and keeps sending the stop until the worker has returned.
  // The same holds for "myślenie w tle": the window clears its mirror before it looks
  // for a thinking worker.
  phase_.store(Thinking);
  if (switches_.thinkingAllowed.load() != 0 && switches_.thinking.load()) engine_.inst(ZEDARE_THINK_IN_BACKGROUND);
  phase_.store(Idle);
}

void TavrinThread::computerMove() {
  if (engine_.inst(ZEDARE_IS_COMPUTER_TO_MOVE) == 0) return;
  if (engine_.inst(ZEDARE_COMPUTER_CAN_MOVE) != 0) {
    searchAndShowMove(ZEDARE_COMPUTER_MOVE);
  } else {
    engine_.p0(ZEDARE_PASS);
  }
  if (engine_.inst(ZEDARE_HUMAN_CAN_MOVE) != 0) {
    if (switches_.thinking.load()) think();
  } else if (engine_.inst(ZEDARE_COMPUTER_CAN_MOVE) != 0) {
    engine_.p0(ZEDARE_PASS);
    emit nextMoveNeeded();
  } else {
    engine_.p0(ZEDARE_END_GAME);
  }
  engine_.pp(ZEDARE_RECORD_STORE);
}

void TavrinThread::moveForHuman() {
  if (engine_.inst(ZEDARE_IS_HUMAN_TO_MOVE) == 0) return;
  if (engine_.inst(ZEDARE_HUMAN_CAN_MOVE) != 0) {
    searchAndShowMove(ZEDARE_HUMAN_MOVE);
  } else {
    engine_.p0(ZEDARE_PASS);
  }
  if (engine_.inst(ZEDARE_COMPUTER_CAN_MOVE) == 0) {
    engine_.p0(engine_.inst(ZEDARE_HUMAN_CAN_MOVE) != 0 ? ZEDARE_PASS : ZEDARE_END_GAME);
  }
  engine_.pp(ZEDARE_RECORD_STORE);
}

void TavrinThread::resumeThinking() {
  if (engine_.inst(ZEDARE_HUMAN_CAN_MOVE) != 0 && switches_.thinking.load()) think();
}
