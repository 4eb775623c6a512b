// The row below the board with the options beside the designed ones: "wartości ruchów"
// (the kept tree's value of each of the player's moves, on its square), "szybkie
// myślenie" (the fast search), "czas na ruch" (a time limit per move), and the buttons of
// the two further windows, "Ocena pozycji" (F2) and "Pomoc" (F1).
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "analysis_window.h"
#include "help_window.h"
#include "main_window.h"
#include "paint_box.h"

namespace {

// The choices of "czas na ruch" and the milliseconds each sends (0: no limit).
struct MoveTime {
  const char* text;
  int milliseconds;
};
constexpr MoveTime kMoveTimes[] = {{"brak", 0}, {"1 s", 1000}, {"3 s", 3000}, {"10 s", 10000}};

// The search algorithms the check box switches between.
constexpr int kMtdf = 2;
constexpr int kFast = 3;

}  // namespace

namespace {

constexpr int kRowHeight = 30;
constexpr int kMargin = 8;

QHBoxLayout* rowOf(QWidget* widget) {
  auto* row = new QHBoxLayout(widget);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(8);
  return row;
}

}  // namespace

void TMainForm::buildOptionStrip() {
  OptionStrip = new QWidget(this);
  OptionStrip->setObjectName(QStringLiteral("OptionStrip"));
  StripOptions = new QWidget(OptionStrip);
  StripButtons = new QWidget(OptionStrip);

  MoveValuesBox = new QCheckBox(QStringLiteral("wartości ruchów"), StripOptions);
  MoveValuesBox->setObjectName(QStringLiteral("MoveValuesBox"));
  MoveValuesBox->setToolTip(QStringLiteral(
      "Na polach możliwych ruchów: ich ocena z punktu widzenia gracza (w pionach), gdy "
      "komputer skończył myśleć; najlepszy ruch w żółtej obwódce"));
  FastThinkingBox = new QCheckBox(QStringLiteral("szybkie myślenie"), StripOptions);
  FastThinkingBox->setObjectName(QStringLiteral("FastThinkingBox"));
  FastThinkingBox->setToolTip(QStringLiteral("Szybsze przeszukiwanie na tym samym poziomie"));
  MoveTimeLabel = new QLabel(QStringLiteral("czas na ruch"), StripOptions);
  MoveTimeLabel->setObjectName(QStringLiteral("MoveTimeLabel"));
  MoveTimeBox = new QComboBox(StripOptions);
  MoveTimeBox->setObjectName(QStringLiteral("MoveTimeBox"));
  for (const MoveTime& t : kMoveTimes) MoveTimeBox->addItem(QString::fromUtf8(t.text));
  MoveTimeBox->setToolTip(QStringLiteral("Najdłuższy namysł komputera nad jednym ruchem"));
  MoveTimeLabel->setBuddy(MoveTimeBox);
  AnalysisButton = new QPushButton(QStringLiteral("Ocena pozycji"), StripButtons);
  AnalysisButton->setObjectName(QStringLiteral("AnalysisButton"));
  AnalysisButton->setToolTip(QStringLiteral("Z czego składa się ocena tej pozycji (F2)"));
  HelpButton = new QPushButton(QStringLiteral("Pomoc"), StripButtons);
  HelpButton->setObjectName(QStringLiteral("HelpButton"));
  HelpButton->setToolTip(QStringLiteral("Zasady, klawisze, opcje, poziomy, o programie (F1)"));
  for (QPushButton* b : {AnalysisButton, HelpButton}) b->setFocusPolicy(Qt::TabFocus);

  QHBoxLayout* options = rowOf(StripOptions);
  options->addWidget(MoveValuesBox);
  options->addWidget(FastThinkingBox);
  options->addWidget(MoveTimeLabel);
  options->addWidget(MoveTimeBox);
  QHBoxLayout* buttons = rowOf(StripButtons);
  buttons->addWidget(AnalysisButton);
  buttons->addWidget(HelpButton);
}

int TMainForm::placeOptionStrip(int width) {
  const QSize options = StripOptions->sizeHint();
  const QSize buttons = StripButtons->sizeHint();
  const bool oneRow = options.width() + buttons.width() + 4 * kMargin <= width;
  const int height = oneRow ? kRowHeight : 2 * kRowHeight;
  OptionStrip->resize(width, height);
  auto centred = [](int top, int h) { return top + (kRowHeight - h) / 2; };
  StripOptions->setGeometry(kMargin, centred(0, options.height()), options.width(),
                            options.height());
  const int buttonsTop = oneRow ? 0 : kRowHeight;
  StripButtons->setGeometry(width - kMargin - buttons.width(),
                            centred(buttonsTop, buttons.height()), buttons.width(),
                            buttons.height());
  // Also while hidden, when a layout waits for its first show.
  for (QWidget* part : {StripOptions, StripButtons}) part->layout()->setGeometry(part->rect());
  return height;
}

void TMainForm::connectOptionStrip() {
  connect(MoveValuesBox, &QCheckBox::toggled, this, [this] { Plansza->update(); });
  // The engine's settings change only while no search runs.
  connect(FastThinkingBox, &QCheckBox::toggled, this, [this](bool on) {
    StopWorker();
    inst(ZEDARE_SET_ALGORITHM, on ? kFast : kMtdf);
  });
  connect(MoveTimeBox, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index < 0 || index >= static_cast<int>(std::size(kMoveTimes))) return;
    StopWorker();
    inst(ZEDARE_SET_MOVE_TIME, kMoveTimes[index].milliseconds);
  });
  connect(AnalysisButton, &QPushButton::clicked, this, [this] { showAnalysis(); });
  connect(HelpButton, &QPushButton::clicked, this, [this] { showHelp(); });
}

void TMainForm::showHelp() {
  if (!Help) Help = new HelpWindow(this);
  Help->show();
  Help->raise();
  Help->activateWindow();
}

void TMainForm::showAnalysis() {
  if (!Analysis) {
    Analysis = new AnalysisWindow(
        [this](uint32_t code, int32_t a, int32_t b) { return inst(code, a, b); }, this);
  }
  Analysis->show();
  Analysis->raise();
  refreshAnalysis();
}

void TMainForm::refreshAnalysis() {
  if (!Analysis || !Analysis->isVisible()) return;
  if (hasLiveWorker()) {
    Analysis->showBusy();
  } else {
    Analysis->refresh();
  }
}
