// "Ocena pozycji" (F2): the evaluation of the position on the board, term by term, as
// the engine computes it for the computer: each of the fourteen features with its value,
// its weight at the position's stage, and its contribution (weight x value), and their
// sum, the evaluation itself. The engine answers these questions only while no search
// runs, so the window is refreshed by its owner when the engine is idle.
#ifndef TAVRIN_ANALYSIS_WINDOW_H
#define TAVRIN_ANALYSIS_WINDOW_H

#include <QDialog>
#include <cstdint>
#include <functional>

class QLabel;
class QTableWidget;

class AnalysisWindow : public QDialog {
 public:
  // `inst` calls TavrinInst with (code, a, b).
  using Inst = std::function<int32_t(uint32_t code, int32_t a, int32_t b)>;
  AnalysisWindow(Inst inst, QWidget* parent = nullptr);

  // Asks the engine again (only while no search runs).
  void refresh();
  // While the computer thinks: the table stays as it was, the note says why.
  void showBusy();

  QLabel* note = nullptr;
  QTableWidget* table = nullptr;  // 14 terms and the sum; columns name, value, weight, share

 private:
  Inst inst_;
};

#endif
