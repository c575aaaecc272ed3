#pragma once
// A ring in the highlight colour around the focused control, for the controls whose own look
// does not show the focus: an empty list draws no focused item, and the window's default button
// looks the same with and without the focus.
#include <QFocusFrame>
#include <initializer_list>
#include <vector>

namespace ui {

class FocusRing : public QFocusFrame {
    Q_OBJECT

  public:
    FocusRing(QWidget& window, std::initializer_list<QWidget*> controls);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void FollowFocusTo(QWidget* focused);

    std::vector<QWidget*> controls_;
};

}  // namespace ui
