// How the main window answers the desktop's requests to change its state.
#include <QEvent>

#include "ui/Unit1.h"

namespace ui {

// The window has no maximise box, yet a window manager or another program can still ask for a
// maximised window: that request leaves its place and size as they are.
void TForm1::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange && windowState().testFlag(Qt::WindowMaximized))
        setWindowState(windowState() & ~Qt::WindowMaximized);
    QWidget::changeEvent(event);
}

}  // namespace ui
