// A visible focus for every control of the window: a frame drawn around whichever of its
// widgets has the keyboard focus, whatever the style draws (some draw nothing for a
// slider or a combo box). The frame lets every mouse event through.
#ifndef TAVRIN_FOCUS_FRAME_H
#define TAVRIN_FOCUS_FRAME_H

#include <QPointer>
#include <QWidget>

class FocusFrame : public QWidget {
 public:
  // Follows the focus among the widgets inside `window`.
  explicit FocusFrame(QWidget* window);

  // The widget framed now, or null.
  QWidget* target() const { return target_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void follow(QWidget* widget);
  void place();

  QWidget* window_;
  QPointer<QWidget> target_;
};

#endif
