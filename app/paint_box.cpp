#include "paint_box.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

Panel::Panel(QWidget* parent) : QWidget(parent) {}

void Panel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (onResize) onResize();
}

PaintBox::PaintBox(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
}

void PaintBox::paintEvent(QPaintEvent*) {
  if (!onPaint) return;
  const auto* panel = dynamic_cast<const Panel*>(parentWidget());
  if (panel == nullptr || !panel->doubleBuffered()) {
    QPainter painter(this);
    painter.setFont(font());
    onPaint(painter);
    return;
  }
  // The handler draws only part of the box; the rest shows the panel's background, so
  // the buffer starts as that background.
  const qreal ratio = devicePixelRatioF();
  QPixmap buffer(size() * ratio);
  buffer.setDevicePixelRatio(ratio);
  buffer.fill(panel->palette().color(panel->backgroundRole()));
  {
    QPainter painter(&buffer);
    painter.setFont(font());
    onPaint(painter);
  }
  QPainter(this).drawPixmap(0, 0, buffer);
}

void PaintBox::mousePressEvent(QMouseEvent* event) {
  if (keyboardFocus_) {
    keyboardFocus_ = false;
    update();
  }
  if (onMouseDown) {
    const QPoint at = event->position().toPoint();
    onMouseDown(event->button(), at.x(), at.y());
  }
  event->accept();
}

void PaintBox::keyPressEvent(QKeyEvent* event) {
  if (onKeyDown && onKeyDown(event->key())) {
    if (!keyboardFocus_) {
      keyboardFocus_ = true;
      update();
    }
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void PaintBox::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  keyboardFocus_ =
      event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
  update();
}

void PaintBox::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  update();
}
