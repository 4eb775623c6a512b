// TMainForm, the program's only window. It holds no game: every question about the
// position goes to the engine instance it created, and every option reaches the engine
// as a command code. The board is on the left; options, navigation, score and the
// evaluation bar are in the column on the right. Long engine calls run on workers
// (TavrinThread), at most one at a time; the window stops them through the engine's flags and waits for them
// while it keeps serving events, so a worker's blocking call never deadlocks.
#ifndef TAVRIN_MAIN_WINDOW_H
#define TAVRIN_MAIN_WINDOW_H

#include <QWidget>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "engine_client.h"
#include "file_dialog.h"
#include "save_question.h"
#include "tavrin_thread.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPainter;
class QPushButton;
class QRadioButton;
class QSlider;
class QTimer;
class Panel;
class PaintBox;
class AnalysisWindow;
class FocusFrame;
class HelpWindow;

// "e6": the square (engine row, column) as the board's edges name it; empty off the board.
QString squareName(int32_t row, int32_t column);

// Tells the user something that went wrong (a file not loaded or not saved).
using MessagePresenter =
    std::function<void(QWidget* parent, const QString& title, const QString& text)>;

// What the window takes from its surroundings; the defaults are the real ones.
struct TavrinOptions {
  // Folders searched for libzedare.so before the system's search; empty means the
  // folder of the executable.
  QStringList libraryDirectories;
  FileDialogRunner fileDialogs;  // empty: the platform's dialogs
  MessagePresenter messages;     // empty: a warning message box
  WorkerClock clock;             // empty functions: the wall clock and a real sleep
  SaveQuestion saveQuestion;     // empty: "Zapisać partię?" in a message box
};

class TMainForm : public QWidget {
 public:
  // Builds the window, binds the engine and runs FormCreate. Throws std::runtime_error
  // when the library or one of its functions cannot be found; the window is then not
  // usable and must not be shown.
  explicit TMainForm(const TavrinOptions& options = {});
  ~TMainForm() override;

  // --- Engine calls (any thread; the engine's own rules say which are allowed when) ---
  int32_t inst(uint32_t code, int32_t a = 0, int32_t b = 0) const;
  int32_t p0(uint32_t code, int32_t row = 0, int32_t column = 0, int32_t colour = 0) const;
  int32_t pp(uint32_t code) const;
  // 1 when the file was loaded or saved, 0 when not.
  int32_t filePp(uint32_t code, const QString& path) const;

  // --- Window operations ---
  void StopWorker();
  // Ends the worker still alive (stopping its background thinking, waiting for the
  // rest of its task), then starts one for `task`.
  void StartWorker(TavrinThread::Task task);
  void SyncWithRecord();

  // --- Event handlers ---
  void FormCreate();
  void Button1Click();
  void RadioButton1Click();
  void RadioButton2Click();
  void TrackBar1Change();
  void ComboBox2Change();
  void CheckBox4Click();
  void CheckBox1Click();
  void Button3Click();
  void Button4Click();
  void Button5Click();
  void Button11Click();
  void Button12Click();
  void Button2Click();
  void Button14Click();
  void Button13Click();
  void PlanszaMouseDown(Qt::MouseButton button, int x, int y);
  // Arrow keys move the cursor, Enter or Space plays its square; false for other keys.
  bool PlanszaKeyDown(int key);
  void PlanszaPaint(QPainter& painter);
  void WynikPaint(QPainter& painter);
  void OcenaPaint(QPainter& painter);

  // F1 and F2: the help window and "Ocena pozycji" (made on first use, then raised).
  void showHelp();
  void showAnalysis();
  // "Ocena pozycji" asks the engine again, if it is open and the engine is idle.
  void refreshAnalysis();

  // True while the worker has not ended.
  bool hasLiveWorker() const;

  // The status line: whose move it is, a pass and how the game goes on, who won.
  // Called on the user-interface thread after every board paint, when "Następny ruch"
  // shows or hides, and when the workers' state changes (see statusTimer_).
  void updateStatus();
  QString statusText() const;
  // "Komputer zagrał e6. " or "Gracz zagrał d3. ", empty when no move is marked.
  QString lastMoveText() const;

  // --- Controls, under the form's names ---
  Panel* Panel1 = nullptr;
  Panel* Panel2 = nullptr;
  PaintBox* Plansza = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  QGroupBox* GroupBox3 = nullptr;
  QLabel* Label1 = nullptr;
  QRadioButton* RadioButton1 = nullptr;
  QRadioButton* RadioButton2 = nullptr;
  QLabel* Label12 = nullptr;
  QComboBox* ComboBox2 = nullptr;
  QLabel* Label2 = nullptr;
  QSlider* TrackBar1 = nullptr;
  QLabel* Label3 = nullptr;
  QCheckBox* CheckBox4 = nullptr;
  QCheckBox* CheckBox5 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QCheckBox* CheckBox2 = nullptr;
  QCheckBox* CheckBox3 = nullptr;
  QCheckBox* CheckBox7 = nullptr;
  PaintBox* Wynik = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button3 = nullptr;
  QPushButton* Button4 = nullptr;
  QPushButton* Button12 = nullptr;
  QPushButton* Button5 = nullptr;
  QPushButton* Button11 = nullptr;
  QPushButton* Button14 = nullptr;
  QPushButton* Button13 = nullptr;
  QPushButton* Button2 = nullptr;
  PaintBox* Ocena = nullptr;
  QLabel* Label8 = nullptr;
  QLabel* StatusLine = nullptr;
  // The row below the board: options beside the designed ones (option_strip.cpp).
  QWidget* OptionStrip = nullptr;
  QWidget* StripOptions = nullptr;        // the check boxes and the time, left
  QWidget* StripButtons = nullptr;        // the two buttons, right
  QCheckBox* MoveValuesBox = nullptr;     // "wartości ruchów"
  QCheckBox* FastThinkingBox = nullptr;   // "szybkie myślenie"
  QLabel* MoveTimeLabel = nullptr;        // "czas na ruch"
  QComboBox* MoveTimeBox = nullptr;       // brak / 1 s / 3 s / 10 s
  QPushButton* AnalysisButton = nullptr;  // "Ocena pozycji"
  QPushButton* HelpButton = nullptr;      // "Pomoc"
  AnalysisWindow* Analysis = nullptr;
  HelpWindow* Help = nullptr;
  FocusFrame* Focus = nullptr;
  FileDialog OpenDialog1;
  FileDialog SaveDialog1;

  // --- State ---
  // The only worker, the most recently started one (empty before the first).
  std::unique_ptr<TavrinThread> worker;
  WorkerSwitches switches;
  int clickColumn = 0;
  int clickRow = 0;
  // The keyboard cursor on the board, a screen square (1..8 from the left and the top);
  // drawn while the board has the focus.
  int cursorColumn = 4;
  int cursorRow = 4;
  // Moves were played since the game was last saved or loaded (or a new one started):
  // closing the window then asks "Zapisać partię?".
  bool unsaved = false;
  // Said in the status line before the rest until the next click or move, e.g. that a
  // square clicked is no legal move.
  QString statusNote;

  // Board geometry of the last board paint, used by the click handler.
  int margin = 0;
  int boardLeft = 0;
  int boardTop = 0;
  int boardRight = 0;
  int boardBottom = 0;
  double cellSize = 0.0;
  int discInset = 0;
  int hintOuterInset = 0;
  int hintInnerInset = 0;

  // Score and evaluation bar of the last paint.
  int blackCount = 0;
  int whiteCount = 0;
  int discCount = 0;
  double evaluation = 0.0;
  int barPosition = 0;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  void buildOptionStrip();
  // Lays the row out for the window's width; its height (one row or two).
  int placeOptionStrip(int width);
  void connectOptionStrip();
  void layoutControls();
  void placeOptionsColumn();
  void applyTabOrder();
  void connectHandlers();
  void newGame(bool startWorker);
  void navigate(uint32_t code);
  // Waits, serving events, until the worker has ended. Meanwhile thinkingAllowed is 0,
  // and a worker found still thinking (or, with cutSearches, still searching) after a
  // while gets the stop again: a stop sent before the engine raised its flag is lost.
  void waitForWorkers(bool cutSearches);
  // The live worker's phase; Idle when none lives.
  TavrinThread::Phase livePhase() const;
  // Ends background thinking now running, and leaves a running move search alone.
  void stopBackgroundThinking();
  // Both file dialogs start next time in the folder of `fileName`.
  void rememberFolder(const QString& fileName);

  EngineClient engine_;
  FileDialogRunner fileDialogs_;
  MessagePresenter messages_;
  WorkerClock clock_;
  SaveQuestion saveQuestion_;
  // While the worker runs, this timer looks every 50 ms whether it has started or ended
  // a search or has ended, and then brings the status line up to date: the worker's
  // phase and end are atomics, which the thread sanitizer sees.
  QTimer* statusTimer_ = nullptr;
  int lastWorkerState_ = 0;
  int workerState() const;
  QString gameStateText() const;
  // Where the buttons below the score stand in the designed one-column layout.
  std::vector<std::pair<QPushButton*, QPoint>> designedButtonPlaces_;
  int waitDepth_ = 0;
};

#endif
