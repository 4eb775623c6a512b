#include "analysis_window.h"

#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QTableWidget>
#include <QVBoxLayout>

#include "eval/terms.h"
#include "zedare.h"

namespace {

QString thousandths(int64_t value) {
  QLocale locale;
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return locale.toString(static_cast<double>(value) / 1000.0, 'f', 3);
}

QTableWidgetItem* cell(const QString& text, bool number) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsEnabled);
  if (number) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return item;
}

}  // namespace

AnalysisWindow::AnalysisWindow(Inst inst, QWidget* parent)
    : QDialog(parent), inst_(std::move(inst)) {
  setObjectName(QStringLiteral("AnalysisWindow"));
  setWindowTitle(QStringLiteral("Ocena pozycji"));
  note = new QLabel(this);
  note->setWordWrap(true);
  table = new QTableWidget(zedare::kEvalTermCount + 1, 4, this);
  table->setHorizontalHeaderLabels({QStringLiteral("cecha"), QStringLiteral("wartość"),
                                    QStringLiteral("waga"), QStringLiteral("udział")});
  table->verticalHeader()->hide();
  table->setWordWrap(false);
  table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  table->setSelectionMode(QAbstractItemView::NoSelection);
  table->setToolTip(
      QStringLiteral("Udział cechy = waga × wartość. Wartość cechy to różnica między "
                     "komputerem a graczem (albo wartość wzorców z punktu widzenia "
                     "komputera); waga zależy od liczby pionów na planszy."));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(note);
  layout->addWidget(table);
  resize(460, 560);
}

void AnalysisWindow::showBusy() {
  note->setText(QStringLiteral("Komputer myśli – ocena pokaże się, gdy skończy."));
}

void AnalysisWindow::refresh() {
  int64_t sum = 0;
  bool any = false;
  for (int t = 1; t <= zedare::kEvalTermCount; ++t) {
    const int32_t share = inst_(ZEDARE_EVAL_TERM, t, 0);
    const int32_t value = inst_(ZEDARE_EVAL_TERM, t, 1);
    const int32_t weight = inst_(ZEDARE_EVAL_TERM, t, 2);
    any = any || share != 0 || value != 0 || weight != 0;
    sum += share;
    const int row = t - 1;
    table->setItem(row, 0, cell(QString::fromUtf8(zedare::kEvalTerms[row].polish), false));
    table->setItem(row, 1, cell(QString::number(value), true));
    table->setItem(row, 2, cell(thousandths(weight), true));
    table->setItem(row, 3, cell(thousandths(share), true));
  }
  const int last = zedare::kEvalTermCount;
  table->setItem(last, 0, cell(QStringLiteral("suma = ocena"), false));
  table->setItem(last, 1, cell(QString(), true));
  table->setItem(last, 2, cell(QString(), true));
  table->setItem(last, 3, cell(thousandths(sum), true));
  QFont bold = table->font();
  bold.setBold(true);
  for (int column = 0; column < 4; ++column) table->item(last, column)->setFont(bold);
  note->setText(any ? QStringLiteral("Ocena pozycji na planszy z punktu widzenia komputera: "
                                     "dodatnia sprzyja komputerowi, ujemna graczowi "
                                     "(w pionach przewagi na koniec partii).")
                    : QStringLiteral("Brak oceny: partia jest skończona (liczą się już "
                                     "tylko piony) albo styl komputera nie jest "
                                     "wczytany."));
}
