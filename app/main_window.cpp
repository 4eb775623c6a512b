#include "main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <stdexcept>

#include "focus_frame.h"
#include "game_transcripts.h"
#include "paint_box.h"
#include "shortcuts.h"

namespace {

// The style list runs from zachłanny (style 6) down to mistrzowski (style 0).
constexpr int kFirstEntryStyle = 6;
int styleOfEntry(int index) { return kFirstEntryStyle - index; }

constexpr int kOptionsWidth = 144;
constexpr int kOptionsBorder = 6;
// Two lines of the report below the bar; the group still ends below "Następny ruch".
constexpr int kOcenaHeight = 59;
constexpr int kOptionsHeight = 340;  // the Opcje group
// The options column in the designed layout needs the whole designed height: the
// Ocena group at the bottom meets "Następny ruch" there. A shorter column moves the
// score, the buttons and the Ocena group into a second column beside the options.
constexpr int kOneColumnHeight = 603;
// The status line below the board and the column, and above it the row of further
// options.
constexpr int kStatusHeight = 24;
constexpr int kStripHeight = 30;
// Below this width the status line has room for two lines.
constexpr int kWideStatus = 700;
// How long a worker may stay inside a search or background thinking after a stop
// before the window sends the stop again.
constexpr int kStopRepeatMs = 200;

const QString kEmptyReport = TavrinThread::reportText(0.0, 0, 0);

}  // namespace

TMainForm::TMainForm(const TavrinOptions& options)
    : fileDialogs_(options.fileDialogs ? options.fileDialogs
                                       : FileDialogRunner(runPlatformFileDialog)),
      messages_(options.messages ? options.messages
                                 : MessagePresenter([](QWidget* parent, const QString& title,
                                                       const QString& text) {
                                     QMessageBox::warning(parent, title, text);
                                   })),
      clock_(options.clock),
      saveQuestion_(options.saveQuestion ? options.saveQuestion : SaveQuestion(askToSaveGame)) {
  const WorkerClock wall = wallClock();
  if (!clock_.nowSeconds) clock_.nowSeconds = wall.nowSeconds;
  if (!clock_.sleep) clock_.sleep = wall.sleep;

  buildControls();
  Panel2->setDoubleBuffered(true);
  switches.thinkingAllowed.store(1);

  QStringList directories = options.libraryDirectories;
  if (directories.isEmpty()) directories << QCoreApplication::applicationDirPath();
  engine_.open(directories);

  statusTimer_ = new QTimer(this);
  statusTimer_->setInterval(50);
  connect(statusTimer_, &QTimer::timeout, this, [this] {
    const int state = workerState();
    if (state != lastWorkerState_) {
      lastWorkerState_ = state;
      updateStatus();
    }
    if (state == 0) {
      statusTimer_->stop();
      // The engine is idle again: the kept tree's move values and the terms of the
      // evaluation may be asked for now.
      if (MoveValuesBox->isChecked()) Plansza->update();
      refreshAnalysis();
    }
  });

  connectHandlers();
  installShortcuts(*this);
  Focus = new FocusFrame(this);
  FormCreate();
}

TMainForm::~TMainForm() {
  // A worker must not outlive its thread object; the engine itself stays alive with
  // the library until the process ends.
  if (engine_.isOpen() && hasLiveWorker()) StopWorker();
  if (worker) worker->wait();
  worker.reset();
}

// --- Building the form ---

void TMainForm::buildControls() {
  setWindowTitle(QStringLiteral("Pelagor v.12"));
  // The form was designed for "MS Sans Serif" at 14 pixels. Linux has no such font:
  // it is still asked for by name and Qt falls back. Faces of about its width are named
  // as substitutes, so that the captions fit the places designed for them (the set-up
  // installs Liberation Sans, which has Arial's widths); where none is installed, Qt's
  // own fallback applies, and a wider face such as DejaVu Sans cuts captions off.
  QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                             {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Arial"),
                              QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),
                              QStringLiteral("Helvetica")});
  QFont formFont(QStringLiteral("MS Sans Serif"));
  formFont.setPixelSize(14);
  setFont(formFont);
  setMinimumSize(554, 455);
  move(224, 130);
  resize(744, 603 + kStripHeight + kStatusHeight);

  Panel2 = new Panel(this);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  Plansza = new PaintBox(Panel2);
  Plansza->setObjectName(QStringLiteral("Plansza"));

  Panel1 = new Panel(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));

  GroupBox1 = new QGroupBox(QStringLiteral(" Opcje "), Panel1);
  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  GroupBox1->setGeometry(kOptionsBorder, kOptionsBorder, kOptionsWidth - 2 * kOptionsBorder, 340);
  GroupBox2 = new QGroupBox(QStringLiteral("Wynik"), Panel1);
  GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
  GroupBox2->setGeometry(kOptionsBorder, kOptionsBorder + 340, kOptionsWidth - 2 * kOptionsBorder,
                         60);
  GroupBox3 = new QGroupBox(QStringLiteral("Ocena"), Panel1);
  GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
  GroupBox3->hide();

  auto label = [](const char* name, const QString& text, QWidget* parent, int left, int top) {
    auto* result = new QLabel(text, parent);
    result->setObjectName(QLatin1String(name));
    result->adjustSize();
    result->move(left, top);
    return result;
  };
  auto checkBox = [](const char* name, const QString& text, QWidget* parent, int top, bool ticked) {
    auto* result = new QCheckBox(text, parent);
    result->setObjectName(QLatin1String(name));
    result->setGeometry(10, top, 112, 21);
    result->setChecked(ticked);
    return result;
  };
  auto button = [](const char* name, const QString& text, QWidget* parent, int left, int top,
                   int width) {
    auto* result = new QPushButton(text, parent);
    result->setObjectName(QLatin1String(name));
    result->setGeometry(left, top, width, 25);
    return result;
  };

  Label1 = label("Label1", QStringLiteral("Kolor gracza"), GroupBox1, 10, 20);
  RadioButton1 = new QRadioButton(QStringLiteral("Czarny"), GroupBox1);
  RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
  RadioButton1->setGeometry(30, 39, 70, 21);
  RadioButton1->setChecked(true);
  RadioButton2 = new QRadioButton(QStringLiteral("Biały"), GroupBox1);
  RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
  RadioButton2->setGeometry(30, 59, 70, 21);

  Label12 = label("Label12", QStringLiteral("Styl komputera"), GroupBox1, 10, 83);
  // A fixed selection: a typed name matching no style would select a style the engine
  // does not have.
  ComboBox2 = new QComboBox(GroupBox1);
  ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
  ComboBox2->setEditable(false);
  ComboBox2->addItems({QStringLiteral("zachłanny"), QStringLiteral("ostrożny"),
                       QStringLiteral("solidny"), QStringLiteral("kombinacyjny"),
                       QStringLiteral("pozycyjny"), QStringLiteral("gambitowy"),
                       QStringLiteral("mistrzowski")});
  ComboBox2->setCurrentIndex(0);
  ComboBox2->setGeometry(12, 103, 110, ComboBox2->sizeHint().height());

  Label2 = label("Label2", QStringLiteral("Poziom trudności"), GroupBox1, 11, 133);
  TrackBar1 = new QSlider(Qt::Horizontal, GroupBox1);
  TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
  TrackBar1->setGeometry(15, 154, 87, 25);
  TrackBar1->setRange(1, 6);
  TrackBar1->setSingleStep(1);
  TrackBar1->setPageStep(1);
  TrackBar1->setTickPosition(QSlider::TicksBelow);
  TrackBar1->setTickInterval(1);
  TrackBar1->setValue(1);
  Label3 = label("Label3", QStringLiteral("1"), GroupBox1, 105, 155);

  CheckBox4 = checkBox("CheckBox4", QStringLiteral("odwróć układ"), GroupBox1, 185, false);
  CheckBox5 = checkBox("CheckBox5", QStringLiteral("pokaż ruchy"), GroupBox1, 210, false);
  CheckBox1 = checkBox("CheckBox1", QStringLiteral("pokaż ocenę"), GroupBox1, 235, false);
  CheckBox2 = checkBox("CheckBox2", QStringLiteral("opóźnienie"), GroupBox1, 260, true);
  CheckBox3 = checkBox("CheckBox3", QStringLiteral("myślenie w tle"), GroupBox1, 285, true);
  CheckBox7 = checkBox("CheckBox7", QStringLiteral("książka otwarć"), GroupBox1, 310, true);
  switches.book.store(CheckBox7->isChecked());
  switches.delay.store(CheckBox2->isChecked());
  switches.thinking.store(CheckBox3->isChecked());

  Wynik = new PaintBox(GroupBox2);
  Wynik->setObjectName(QStringLiteral("Wynik"));
  Wynik->setGeometry(10, 22, 115, 35);
  Wynik->setToolTip(QStringLiteral("Liczba pionów: czarnych, białych i wszystkich na planszy"));

  Button1 = button("Button1", QStringLiteral("Nowa partia"), Panel1, 10, 416, 122);
  Button3 = button("Button3", QStringLiteral("<<"), Panel1, 10, 448, 23);
  Button4 = button("Button4", QStringLiteral("<"), Panel1, 34, 448, 22);
  Button12 = button("Button12", QStringLiteral("|>"), Panel1, 57, 448, 30);
  Button5 = button("Button5", QStringLiteral(">"), Panel1, 88, 448, 22);
  Button11 = button("Button11", QStringLiteral(">>"), Panel1, 111, 448, 22);
  Button14 = button("Button14", QStringLiteral("Wczytaj"), Panel1, 10, 480, 58);
  Button13 = button("Button13", QStringLiteral("Zapisz"), Panel1, 76, 480, 57);
  Button2 = button("Button2", QStringLiteral("Następny ruch"), Panel1, 10, 512, 123);
  Button2->hide();
  // Shown when the human has to pass and the game waits for it: in bold, so that it
  // catches the eye. The status line tells when it is shown or hidden.
  QFont bold = Button2->font();
  bold.setBold(true);
  Button2->setFont(bold);
  Button2->installEventFilter(this);
  // A click on a button leaves the keyboard focus where it was (on the board, as a
  // rule); Tab still reaches every button.
  for (QPushButton* b :
       {Button1, Button3, Button4, Button12, Button5, Button11, Button14, Button13, Button2}) {
    b->setFocusPolicy(Qt::TabFocus);
  }
  Button3->setToolTip(QStringLiteral("Na początek partii"));
  Button4->setToolTip(QStringLiteral("Jeden ruch wstecz"));
  Button12->setToolTip(
      QStringLiteral("Dalej: komputer wykonuje ruch (także za gracza) albo przerywa namysł"));
  Button5->setToolTip(QStringLiteral("Jeden ruch naprzód"));
  Button11->setToolTip(QStringLiteral("Na koniec zapisanej partii"));
  Button1->setToolTip(QStringLiteral("Nowa partia (Ctrl+N)"));
  Button14->setToolTip(QStringLiteral("Wczytanie partii z pliku (Ctrl+O)"));
  Button13->setToolTip(QStringLiteral("Zapisanie partii do pliku (Ctrl+S)"));
  for (QPushButton* b :
       {Button1, Button3, Button4, Button12, Button5, Button11, Button14, Button13, Button2}) {
    designedButtonPlaces_.push_back({b, b->pos()});
  }

  Ocena = new PaintBox(GroupBox3);
  Ocena->setObjectName(QStringLiteral("Ocena"));
  Ocena->setGeometry(5, 19, 121, 10);
  Ocena->setToolTip(QStringLiteral(
      "Pasek oceny: od środka w lewo przewaga czarnych, w prawo białych, 6 pikseli na pion, "
      "do 10 pionów"));
  Label8 = new QLabel(kEmptyReport, GroupBox3);
  Label8->setObjectName(QStringLiteral("Label8"));
  QFont reportFont = Label8->font();
  reportFont.setPixelSize(10);
  Label8->setFont(reportFont);
  Label8->setGeometry(5, 30, 127, 28);
  Label8->setToolTip(QStringLiteral(
      "Ocena ostatniego przeszukania: o ile pionów przewagi na koniec partii i dla kogo. "
      "W końcówce rozwiązanej do końca to dokładna różnica pionów; 9,9 znaczy wygraną "
      "bez dokładnego wyniku, 0 – remis. Niżej: liczba ocenionych pozycji i czas "
      "namysłu w sekundach."));

  StatusLine = new QLabel(this);
  StatusLine->setObjectName(QStringLiteral("StatusLine"));
  StatusLine->setIndent(8);
  StatusLine->setFrameShape(QFrame::StyledPanel);

  // The board takes the keyboard focus (by Tab or a click): the arrow keys move a
  // cursor over its squares, Enter or Space plays there.
  Plansza->setFocusPolicy(Qt::StrongFocus);

  // The dialogs start in the user's home folder, later in the folder last used: the
  // working directory is the program's data folder, no place for the user's games.
  OpenDialog1 = {FileDialog::Kind::Open, QDir::homePath(), gameFileFilter(FileDialog::Kind::Open),
                 QStringLiteral("Otwieranie pliku partii")};
  SaveDialog1 = {FileDialog::Kind::Save, QDir::homePath(), gameFileFilter(FileDialog::Kind::Save),
                 QStringLiteral("Zapisywanie pliku partii")};

  buildOptionStrip();
  applyTabOrder();
  Plansza->setFocus();  // the keys play on the board from the start
  Panel1->onResize = [this] { placeOptionsColumn(); };
  layoutControls();
}

void TMainForm::layoutControls() {
  const int width = this->width();
  // In a narrow window the row of further options takes two rows and the status line
  // two lines, so that nothing is cut off.
  const int strip = placeOptionStrip(width);
  const int status = width < kWideStatus ? 2 * kStatusHeight - 6 : kStatusHeight;
  StatusLine->setWordWrap(width < kWideStatus);
  const int height = std::max(0, this->height() - strip - status);
  const int columnWidth = height < kOneColumnHeight ? 2 * kOptionsWidth : kOptionsWidth;
  const int boardWidth = std::max(0, width - columnWidth);
  Panel2->setGeometry(0, 0, boardWidth, height);
  Plansza->setGeometry(0, 0, boardWidth, height);
  Panel1->setGeometry(boardWidth, 0, columnWidth, height);
  OptionStrip->move(0, height);
  StatusLine->setGeometry(0, height + strip, width, status);
  placeOptionsColumn();
}

void TMainForm::placeOptionsColumn() {
  // In two columns, everything designed below the Opcje group moves up beside it.
  const bool twoColumns = Panel1->height() < kOneColumnHeight;
  const QPoint shift = twoColumns ? QPoint(kOptionsWidth, -kOptionsHeight) : QPoint(0, 0);
  GroupBox2->move(QPoint(kOptionsBorder, kOptionsBorder + kOptionsHeight) + shift);
  for (const auto& [button, place] : designedButtonPlaces_) button->move(place + shift);
  GroupBox3->setGeometry(kOptionsBorder + shift.x(),
                         Panel1->height() - kOptionsBorder - kOcenaHeight,
                         kOptionsWidth - 2 * kOptionsBorder, kOcenaHeight);
}

void TMainForm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // Without a window manager nothing holds the window to its minimum size: it is put
  // back, rather than cutting controls off.
  const QSize least = size().expandedTo(minimumSize());
  if (least != size() && windowHandle() != nullptr) {
    QTimer::singleShot(0, this, [this] { resize(size().expandedTo(minimumSize())); });
  }
  layoutControls();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (unsaved) {
    switch (saveQuestion_(this)) {
      case SaveAnswer::Save:
        Button13Click();
        if (unsaved) {  // not saved after all (the dialog cancelled, or a failure)
          event->ignore();
          return;
        }
        break;
      case SaveAnswer::Discard:
        break;
      case SaveAnswer::Cancel:
        event->ignore();
        return;
    }
  }
  QWidget::closeEvent(event);
}

void TMainForm::applyTabOrder() {
  QWidget* order[] = {RadioButton1,  RadioButton2,    TrackBar1,   CheckBox3,      CheckBox7,
                      CheckBox2,     CheckBox5,       CheckBox4,   ComboBox2,      CheckBox1,
                      Button1,       Button2,         Button3,     Button4,        Button5,
                      Button11,      Button12,        Button13,    Button14,       Plansza,
                      MoveValuesBox, FastThinkingBox, MoveTimeBox, AnalysisButton, HelpButton};
  for (size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void TMainForm::connectHandlers() {
  connect(RadioButton1, &QRadioButton::clicked, this, [this] { RadioButton1Click(); });
  connect(RadioButton2, &QRadioButton::clicked, this, [this] { RadioButton2Click(); });
  connect(TrackBar1, &QSlider::valueChanged, this, [this] { TrackBar1Change(); });
  connect(ComboBox2, &QComboBox::currentIndexChanged, this, [this] { ComboBox2Change(); });
  connect(CheckBox4, &QCheckBox::toggled, this, [this] { CheckBox4Click(); });
  connect(CheckBox5, &QCheckBox::toggled, this, [this] { CheckBox4Click(); });
  connect(CheckBox1, &QCheckBox::toggled, this, [this] { CheckBox1Click(); });
  // The worker reads these three; it sees them through atomics kept in step here.
  connect(CheckBox7, &QCheckBox::toggled, this, [this](bool on) { switches.book.store(on); });
  connect(CheckBox2, &QCheckBox::toggled, this, [this](bool on) { switches.delay.store(on); });
  connect(CheckBox3, &QCheckBox::toggled, this, [this](bool on) {
    switches.thinking.store(on);
    if (!on) stopBackgroundThinking();
  });
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
  connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
  connect(Button12, &QPushButton::clicked, this, [this] { Button12Click(); });
  connect(Button5, &QPushButton::clicked, this, [this] { Button5Click(); });
  connect(Button11, &QPushButton::clicked, this, [this] { Button11Click(); });
  connect(Button14, &QPushButton::clicked, this, [this] { Button14Click(); });
  connect(Button13, &QPushButton::clicked, this, [this] { Button13Click(); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
  Plansza->onPaint = [this](QPainter& painter) { PlanszaPaint(painter); };
  Plansza->onMouseDown = [this](Qt::MouseButton button, int x, int y) {
    PlanszaMouseDown(button, x, y);
  };
  Plansza->onKeyDown = [this](int key) { return PlanszaKeyDown(key); };
  Wynik->onPaint = [this](QPainter& painter) { WynikPaint(painter); };
  Ocena->onPaint = [this](QPainter& painter) { OcenaPaint(painter); };
  connectOptionStrip();
}

// --- Engine calls ---

int32_t TMainForm::inst(uint32_t code, int32_t a, int32_t b) const {
  return engine_.inst(code, a, b);
}

int32_t TMainForm::p0(uint32_t code, int32_t row, int32_t column, int32_t colour) const {
  return engine_.p0(code, row, column, colour);
}

int32_t TMainForm::pp(uint32_t code) const {
  return engine_.pp(code);
}

int32_t TMainForm::filePp(uint32_t code, const QString& path) const {
  return engine_.filePp(code, path);
}

// --- The worker ---

bool TMainForm::hasLiveWorker() const {
  return worker && !worker->done();
}

TavrinThread::Phase TMainForm::livePhase() const {
  return hasLiveWorker() ? worker->phase() : TavrinThread::Idle;
}

void TMainForm::StartWorker(TavrinThread::Task task) {
  // At most one worker lives at a time: an earlier one (background thinking, or the
  // end of its task) is ended and waited for before the next is made.
  stopBackgroundThinking();
  waitForWorkers(false);
  Q_ASSERT(!hasLiveWorker());
  if (worker) worker->wait();
  worker = std::make_unique<TavrinThread>(engine_, switches, clock_, task);
  // Queued: the worker's requests are served on this thread by the controls' own slots.
  connect(worker.get(), &TavrinThread::boardChanged, Plansza, qOverload<>(&QWidget::update),
          Qt::QueuedConnection);
  connect(
      worker.get(), &TavrinThread::boardChanged, this, [this] { unsaved = true; },
      Qt::QueuedConnection);
  connect(worker.get(), &TavrinThread::evaluationChanged, Ocena, qOverload<>(&QWidget::update),
          Qt::QueuedConnection);
  connect(worker.get(), &TavrinThread::reportReady, Label8, &QLabel::setText,
          Qt::QueuedConnection);
  // Blocking: the worker goes on only once the button shows. The waits on this thread
  // serve events, so this never deadlocks.
  connect(worker.get(), &TavrinThread::nextMoveNeeded, Button2, &QWidget::show,
          Qt::BlockingQueuedConnection);
  worker->start();
  // Forces one look after the start, also for a worker that ends before the first tick.
  lastWorkerState_ = -1;
  statusTimer_->start();
  updateStatus();
}

int TMainForm::workerState() const {
  if (!hasLiveWorker()) return 0;
  return worker->phase() == TavrinThread::Searching ? 2 : 1;
}

void TMainForm::waitForWorkers(bool cutSearches) {
  if (!hasLiveWorker()) return;
  ++waitDepth_;
  switches.thinkingAllowed.store(0);
  QElapsedTimer sinceStop;
  sinceStop.start();
  while (!worker->done()) {
    // The worker may be blocked in a call that only this thread can serve.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    worker->wait(QDeadlineTimer(10));
    if (sinceStop.elapsed() >= kStopRepeatMs && !worker->done()) {
      if (worker->phase() == TavrinThread::Thinking) {
        inst(ZEDARE_STOP_PONDERING);
      } else if (cutSearches && worker->phase() == TavrinThread::Searching) {
        inst(ZEDARE_STOP_SEARCH);
      }
      sinceStop.restart();
    }
  }
  if (--waitDepth_ == 0) switches.thinkingAllowed.store(1);
}

void TMainForm::stopBackgroundThinking() {
  // The worker publishes its Thinking phase before it reads the check box (see
  // TavrinThread::think), so one that is about to think either sees the box clear or is
  // seen here. The stop is repeated while it thinks: the engine may raise its flag
  // only after the first stop was sent. A move search that runs is left alone.
  while (livePhase() == TavrinThread::Thinking) {
    inst(ZEDARE_STOP_PONDERING);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    worker->wait(QDeadlineTimer(10));
  }
}

void TMainForm::StopWorker() {
  if (inst(ZEDARE_IS_SEARCHING) != 0) {
    inst(ZEDARE_STOP_SEARCH);
    switches.thinkingAllowed.store(0);
    waitForWorkers(true);
    switches.thinkingAllowed.store(1);
  }
  if (inst(ZEDARE_IS_PONDERING) != 0) {
    inst(ZEDARE_STOP_PONDERING);
    waitForWorkers(true);
  }
  // A worker between two engine calls has neither flag up, yet it must not go on
  // while the caller changes the game.
  waitForWorkers(true);
}

// --- Window operations and handlers ---

void TMainForm::SyncWithRecord() {
  if (pp(ZEDARE_RECORD_PLAYER_COLOUR) == -1) {
    RadioButton1->setChecked(true);
    inst(ZEDARE_SET_HUMAN_COLOUR, -1);
  } else {
    RadioButton2->setChecked(true);
    inst(ZEDARE_SET_HUMAN_COLOUR, 1);
  }
  pp(ZEDARE_RECORD_LOAD_CURRENT);
  const int32_t sideToMove = inst(ZEDARE_SIDE_TO_MOVE);
  if (sideToMove != pp(ZEDARE_RECORD_SIDE_TO_MOVE)) p0(ZEDARE_PASS);
  inst(ZEDARE_SET_LAST_MOVE, 0, 0);
  inst(ZEDARE_RESET_TREE);
  Plansza->repaint();
  Button2->hide();
}

void TMainForm::FormCreate() {
  margin = 12;
  Plansza->repaint();
  Ocena->repaint();
  inst(ZEDARE_LOAD_MODEL, 1, styleOfEntry(ComboBox2->currentIndex()));
  inst(ZEDARE_SET_LEVEL, TrackBar1->value());
  StartWorker(TavrinThread::ComputerMove);
}

void TMainForm::newGame(bool startWorker) {
  StopWorker();
  inst(ZEDARE_NEW_GAME);
  pp(ZEDARE_RECORD_RESET);
  unsaved = false;
  statusNote.clear();
  Plansza->repaint();
  Button2->hide();
  Ocena->repaint();
  Label8->setText(kEmptyReport);
  inst(ZEDARE_SET_LEVEL, TrackBar1->value());
  if (startWorker) StartWorker(TavrinThread::ComputerMove);
}

void TMainForm::Button1Click() {
  newGame(true);
}

void TMainForm::RadioButton1Click() {
  StopWorker();
  if (RadioButton1->isChecked()) inst(ZEDARE_SET_HUMAN_COLOUR, -1);
  inst(ZEDARE_RESET_TREE);
  Button2->hide();
  Plansza->repaint();
}

void TMainForm::RadioButton2Click() {
  StopWorker();
  if (RadioButton2->isChecked()) inst(ZEDARE_SET_HUMAN_COLOUR, 1);
  inst(ZEDARE_RESET_TREE);
  Button2->hide();
  Plansza->repaint();
}

void TMainForm::TrackBar1Change() {
  StopWorker();
  inst(ZEDARE_SET_LEVEL, TrackBar1->value());
  Label3->setText(QString::number(inst(ZEDARE_LEVEL)));
}

void TMainForm::ComboBox2Change() {
  const int index = ComboBox2->currentIndex();
  if (index < 0) return;
  StopWorker();
  inst(ZEDARE_LOAD_MODEL, 1, styleOfEntry(index));
}

void TMainForm::CheckBox4Click() {
  Plansza->repaint();
}

void TMainForm::CheckBox1Click() {
  GroupBox3->setVisible(CheckBox1->isChecked());
}

void TMainForm::navigate(uint32_t code) {
  StopWorker();
  pp(code);
  SyncWithRecord();
}

void TMainForm::Button3Click() {
  navigate(ZEDARE_RECORD_FIRST);
}
void TMainForm::Button4Click() {
  navigate(ZEDARE_RECORD_BACK);
}
void TMainForm::Button5Click() {
  navigate(ZEDARE_RECORD_FORWARD);
}
void TMainForm::Button11Click() {
  navigate(ZEDARE_RECORD_LAST);
}

void TMainForm::Button12Click() {
  if (inst(ZEDARE_IS_SEARCHING) != 0) {
    // Cut the running search short: its move is still played and shown, but that
    // worker does not go on to think in the background; a new one resumes it.
    inst(ZEDARE_STOP_SEARCH);
    switches.thinkingAllowed.store(0);
    waitForWorkers(true);
    switches.thinkingAllowed.store(1);
    StartWorker(TavrinThread::ResumeThinking);
  } else {
    if (inst(ZEDARE_IS_PONDERING) != 0) inst(ZEDARE_STOP_PONDERING);
    waitForWorkers(false);
    StartWorker(inst(ZEDARE_IS_COMPUTER_TO_MOVE) != 0 ? TavrinThread::ComputerMove : TavrinThread::MoveForHuman);
  }
  Button2->hide();
}

void TMainForm::Button2Click() {
  Button2->hide();
  // The worker that showed the button may still be storing the position.
  waitForWorkers(false);
  StartWorker(TavrinThread::ComputerMove);
}

void TMainForm::rememberFolder(const QString& fileName) {
  const QString folder = QFileInfo(fileName).absolutePath();
  OpenDialog1.initialDir = folder;
  SaveDialog1.initialDir = folder;
}

void TMainForm::Button14Click() {
  StopWorker();
  const QString name = fileDialogs_(this, OpenDialog1);
  Plansza->setFocus();
  if (name.isEmpty()) return;
  rememberFolder(name);
  // The engine replaces its record only with a good file and otherwise keeps it, so the
  // game on screen is changed only after a load that worked. Why a load failed is said
  // as far as the window can tell: a file it cannot read is found before the engine is
  // asked; a file the engine refuses has contents that are no game record.
  const QFileInfo file(name);
  QString reason;
  if (!file.exists()) {
    reason = QStringLiteral("Plik nie istnieje.");
  } else if (file.isDir()) {
    reason = QStringLiteral("To jest folder, a nie plik.");
  } else if (QFile readable(name); !readable.open(QIODevice::ReadOnly)) {
    reason = QStringLiteral("Nie można go otworzyć do odczytu.");
  } else if (isTranscriptFile(name)) {
    // Move text and GGF reach the engine as a game file written beside it for the load.
    QTemporaryDir folder;
    QString why;
    const QString gameFile =
        folder.isValid() ? transcriptToGameFile(name, folder.path(), &why) : QString();
    if (gameFile.isEmpty() || filePp(ZEDARE_FILE_LOAD, gameFile) == 0) {
      reason = QStringLiteral("Zapis partii jest błędny: %1.").arg(why);
    }
  } else if (filePp(ZEDARE_FILE_LOAD, name) == 0) {
    reason = file.size() == 0 ? QStringLiteral("Plik jest pusty.")
                              : QStringLiteral(
                                    "Jego zawartość nie jest zapisem partii (plik jest "
                                    "uszkodzony albo innego rodzaju).");
  }
  if (!reason.isEmpty()) {
    messages_(this, OpenDialog1.title,
              QStringLiteral("Nie wczytano pliku „%1”.\n%2\nBieżąca partia pozostaje bez zmian.")
                  .arg(QDir::toNativeSeparators(name), reason));
    return;
  }
  // What "Nowa partia" clears besides the record, which the load has replaced.
  unsaved = false;
  statusNote.clear();
  Button2->hide();
  Label8->setText(kEmptyReport);
  Ocena->update();
  SyncWithRecord();
}

void TMainForm::Button13Click() {
  StopWorker();
  const QString chosen = fileDialogs_(this, SaveDialog1);
  Plansza->setFocus();
  if (chosen.isEmpty()) return;
  rememberFolder(chosen);
  if (isTranscriptFile(chosen)) {
    // The engine saves its game file, which is then written in the kind chosen.
    QTemporaryDir folder;
    const QString gameFile = folder.filePath(QStringLiteral("partia.gam"));
    const QString why = folder.isValid() && filePp(ZEDARE_FILE_SAVE, gameFile) != 0
                            ? gameFileToTranscript(gameFile, chosen)
                            : QStringLiteral("nie zapisano partii");
    if (why.isEmpty()) {
      unsaved = false;
      return;
    }
    messages_(this, SaveDialog1.title,
              QStringLiteral("Nie zapisano partii w pliku „%1”.\n%2")
                  .arg(QDir::toNativeSeparators(chosen), why));
    return;
  }
  const QString name = chosen.endsWith(QStringLiteral(".gam"), Qt::CaseInsensitive)
                           ? chosen
                           : chosen + QStringLiteral(".gam");
  if (filePp(ZEDARE_FILE_SAVE, name) != 0) {
    unsaved = false;
    return;
  }
  const QFileInfo folder(QFileInfo(name).absolutePath());
  QString reason;
  if (!folder.isDir()) {
    reason =
        QStringLiteral("Folder %1 nie istnieje.").arg(QDir::toNativeSeparators(folder.filePath()));
  } else if (!folder.isWritable()) {
    reason = QStringLiteral("Brak prawa zapisu w folderze %1.")
                 .arg(QDir::toNativeSeparators(folder.filePath()));
  } else {
    reason = QStringLiteral("Zapis pliku nie powiódł się (na przykład brak miejsca na dysku).");
  }
  messages_(this, SaveDialog1.title,
            QStringLiteral("Nie zapisano partii w pliku „%1”.\n%2")
                .arg(QDir::toNativeSeparators(name), reason));
}

bool TMainForm::PlanszaKeyDown(int key) {
  switch (key) {
    case Qt::Key_Left:
      cursorColumn = std::max(1, cursorColumn - 1);
      break;
    case Qt::Key_Right:
      cursorColumn = std::min(8, cursorColumn + 1);
      break;
    case Qt::Key_Up:
      cursorRow = std::max(1, cursorRow - 1);
      break;
    case Qt::Key_Down:
      cursorRow = std::min(8, cursorRow + 1);
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      // In a pass the key does what the highlighted "Następny ruch" does; otherwise it is
      // a click on the middle of the cursor's square (the board must have been painted).
      if (!Button2->isHidden()) {
        Button2Click();
      } else if (cellSize > 0) {
        PlanszaMouseDown(Qt::LeftButton,
                         boardLeft + static_cast<int>((cursorColumn - 0.5) * cellSize),
                         boardTop + static_cast<int>((cursorRow - 0.5) * cellSize));
      }
      return true;
    default:
      return false;
  }
  Plansza->update();
  return true;
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Button2 && (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
    updateStatus();
  }
  return QWidget::eventFilter(watched, event);
}

void TMainForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  updateStatus();
}

void TMainForm::PlanszaMouseDown(Qt::MouseButton, int x, int y) {
  const bool flipped = CheckBox4->isChecked();
  const bool inside = boardLeft < x && x < boardRight && boardTop < y && y < boardBottom;
  // The square under the click; the grid can be a pixel taller or wider than eight
  // squares, so the last pixel row or column still belongs to square 8.
  auto locate = [&](int32_t* row, int32_t* column) {
    clickColumn = std::clamp(static_cast<int>((x - boardLeft) / cellSize) + 1, 1, 8);
    clickRow = std::clamp(static_cast<int>((y - boardTop) / cellSize) + 1, 1, 8);
    *row = clickColumn;
    *column = flipped ? 9 - clickRow : clickRow;
  };
  int32_t row = 0;
  int32_t column = 0;

  // The board takes moves only from the human and only on the human's turn. While a
  // search runs (the computer's move, or the human's after "|>") the click is ignored:
  // that search is about to play a move itself.
  const bool humanToMove = inst(ZEDARE_IS_HUMAN_TO_MOVE) != 0;
  if (inst(ZEDARE_IS_SEARCHING) != 0 || !humanToMove) return;
  statusNote.clear();

  if (inst(ZEDARE_HUMAN_CAN_MOVE) == 0) {
    p0(ZEDARE_PASS);
  } else if (inside) {
    locate(&row, &column);
    if (p0(ZEDARE_IS_LEGAL, row, column, inst(ZEDARE_HUMAN_COLOUR)) != 0) {
      inst(ZEDARE_STOP_PONDERING);
      waitForWorkers(false);
      // A worker that had not yet raised its search flag may have moved meanwhile:
      // the turn and the square are asked again after the wait.
      if (inst(ZEDARE_IS_HUMAN_TO_MOVE) != 0 && p0(ZEDARE_IS_LEGAL, row, column, inst(ZEDARE_HUMAN_COLOUR)) != 0) {
        inst(ZEDARE_HUMAN_MOVE, row, column);
        unsaved = true;
        Plansza->repaint();
        if (inst(ZEDARE_COMPUTER_CAN_MOVE) == 0) p0(inst(ZEDARE_HUMAN_CAN_MOVE) != 0 ? ZEDARE_PASS : ZEDARE_END_GAME);
        pp(ZEDARE_RECORD_STORE);
      }
    } else {
      statusNote = QStringLiteral("Ruch na %1 jest niedozwolony.").arg(squareName(row, column));
      updateStatus();
    }
  }
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  StartWorker(TavrinThread::ComputerMove);
}
