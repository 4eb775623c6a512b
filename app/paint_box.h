// Two plain widgets that the form is built from: a Panel (a container that can ask its
// paint boxes to draw off screen first) and a PaintBox (a surface that hands its paint
// and mouse-down events to the form's handlers, so the drawing code lives with the form).
#ifndef TAVRIN_PAINT_BOX_H
#define TAVRIN_PAINT_BOX_H

#include <QWidget>
#include <functional>

class QPainter;

class Panel : public QWidget {
 public:
  explicit Panel(QWidget* parent = nullptr);

  // When set, the paint boxes inside compose each frame in an off-screen pixmap and
  // put it on screen in one step, so a board repainted during play does not flicker.
  void setDoubleBuffered(bool on) { doubleBuffered_ = on; }
  bool doubleBuffered() const { return doubleBuffered_; }

  std::function<void()> onResize;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  bool doubleBuffered_ = false;
};

class PaintBox : public QWidget {
 public:
  explicit PaintBox(QWidget* parent = nullptr);

  std::function<void(QPainter&)> onPaint;
  std::function<void(Qt::MouseButton, int x, int y)> onMouseDown;
  // Returns true when it took the key.
  std::function<bool(int key)> onKeyDown;

  // True while the box has the focus and the user came to it by the keyboard (Tab, or
  // a key since): only then is a keyboard cursor worth showing. A mouse click hides it.
  bool keyboardFocus() const { return hasFocus() && keyboardFocus_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  // A box that shows the focus (the board's cursor) is redrawn when it changes.
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  bool keyboardFocus_ = false;
};

#endif
