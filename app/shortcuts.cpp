#include "shortcuts.h"

#include <QKeySequence>
#include <QShortcut>
#include <functional>
#include <utility>

#include "main_window.h"

void stepToPlayersTurn(TMainForm& form, bool back) {
  form.StopWorker();
  const int32_t player = form.pp(ZEDARE_RECORD_PLAYER_COLOUR) == -1 ? -1 : 1;
  const uint32_t step = back ? ZEDARE_RECORD_BACK : ZEDARE_RECORD_FORWARD;
  // A record holds at most 61 positions: past that many steps it has ended.
  for (int i = 0; i < 61; ++i) {
    form.pp(step);
    if (form.pp(ZEDARE_RECORD_SIDE_TO_MOVE) == player) break;
  }
  form.SyncWithRecord();
}

void installShortcuts(TMainForm& form) {
  const std::pair<QKeySequence, std::function<void()>> keys[] = {
      {QKeySequence(Qt::CTRL | Qt::Key_N), [&form] { form.Button1Click(); }},
      {QKeySequence(Qt::CTRL | Qt::Key_O), [&form] { form.Button14Click(); }},
      {QKeySequence(Qt::CTRL | Qt::Key_S), [&form] { form.Button13Click(); }},
      {QKeySequence(Qt::CTRL | Qt::Key_Z), [&form] { stepToPlayersTurn(form, true); }},
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), [&form] { stepToPlayersTurn(form, false); }},
      {QKeySequence(Qt::CTRL | Qt::Key_Q), [&form] { form.close(); }},
      {QKeySequence(Qt::Key_F1), [&form] { form.showHelp(); }},
      {QKeySequence(Qt::Key_F2), [&form] { form.showAnalysis(); }},
  };
  for (const auto& [sequence, action] : keys) {
    auto* shortcut = new QShortcut(sequence, &form);
    QObject::connect(shortcut, &QShortcut::activated, &form, action);
  }
}
