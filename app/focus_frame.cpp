#include "focus_frame.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

namespace {

constexpr int kWidth = 2;
const QColor kFocusColour(0, 102, 204);

}  // namespace

FocusFrame::FocusFrame(QWidget* window) : QWidget(window), window_(window) {
  setObjectName(QStringLiteral("FocusFrame"));
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  hide();
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { follow(now); });
}

void FocusFrame::follow(QWidget* widget) {
  if (target_) target_->removeEventFilter(this);
  target_ = widget && widget != window_ && window_->isAncestorOf(widget) ? widget : nullptr;
  if (!target_) {
    hide();
    return;
  }
  target_->installEventFilter(this);
  place();
}

void FocusFrame::place() {
  QWidget* parent = target_->parentWidget();
  if (parentWidget() != parent) setParent(parent);
  // Around the widget, or just inside its edge where the widget fills its parent.
  setGeometry(
      target_->geometry().adjusted(-kWidth, -kWidth, kWidth, kWidth).intersected(parent->rect()));
  setVisible(target_->isVisible());
  raise();
}

bool FocusFrame::eventFilter(QObject* watched, QEvent* event) {
  if (watched == target_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
                             event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
    place();
  }
  return QWidget::eventFilter(watched, event);
}

void FocusFrame::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(Qt::NoPen);
  painter.setBrush(kFocusColour);
  const QRect r = rect();
  painter.drawRect(0, 0, r.width(), kWidth);
  painter.drawRect(0, r.height() - kWidth, r.width(), kWidth);
  painter.drawRect(0, 0, kWidth, r.height());
  painter.drawRect(r.width() - kWidth, 0, kWidth, r.height());
}
