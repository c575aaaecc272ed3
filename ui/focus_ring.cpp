#include "ui/focus_ring.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <algorithm>

namespace ui {

FocusRing::FocusRing(QWidget& window, std::initializer_list<QWidget*> controls)
    : QFocusFrame(&window), controls_(controls) {
    hide();  // until one of the controls has the focus
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { FollowFocusTo(now); });
}

// The frame moves into the control's parent and keeps to its place and size by itself.
void FocusRing::FollowFocusTo(QWidget* focused) {
    const bool ringed = std::find(controls_.begin(), controls_.end(), focused) != controls_.end();
    setWidget(ringed ? focused : nullptr);
}

// The frame reaches a few pixels beyond the control on every side; the ring fills that margin.
void FocusRing::paintEvent(QPaintEvent*) {
    const int width = std::max(1, style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this));
    QPainter painter(this);
    QPen pen(palette().color(QPalette::Highlight), width);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.drawRect(QRectF(rect()).adjusted(width / 2.0, width / 2.0, -width / 2.0, -width / 2.0));
}

}  // namespace ui
