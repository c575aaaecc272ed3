#include "ui/file_drops.h"

#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include "platform/files.h"
#include "ui/qt_text.h"

namespace ui {

std::optional<QString> DroppedLocalFile(const QMimeData& data) {
    const QList<QUrl> urls = data.urls();
    if (urls.isEmpty() || !urls.front().isLocalFile()) return std::nullopt;
    const QString path = urls.front().toLocalFile();
    if (path.isEmpty() || platform::DirectoryExists(ToSystemText(path))) return std::nullopt;
    return path;
}

FileDrops::FileDrops(QWidget& window, QLineEdit& sourceBox, QLineEdit& targetBox)
    : QObject(&window), window_(window), sourceBox_(sourceBox), targetBox_(targetBox) {
    window.setAcceptDrops(true);
    for (QObject* watched : std::initializer_list<QObject*>{&window, &sourceBox, &targetBox})
        watched->installEventFilter(this);
}

// Qt hands a drag that a disabled box cannot take on to the window, so the window looks where it is.
QLineEdit& FileDrops::BoxFor(const QObject* watched, QPoint position) const {
    if (watched == &targetBox_) return targetBox_;
    if (watched == &sourceBox_) return sourceBox_;
    const QRect targetArea(targetBox_.mapTo(&window_, QPoint(0, 0)), targetBox_.size());
    return targetArea.contains(position) ? targetBox_ : sourceBox_;
}

// A disabled box (the whole window while it starts, the inputs while a conversion runs, the
// target box while the source is overwritten) refuses, and the cursor shows it.
bool FileDrops::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
    auto& drag = static_cast<QDropEvent&>(*event);
    const bool onABox = watched == &sourceBox_ || watched == &targetBox_;
    if (onABox && !drag.mimeData()->hasUrls()) return false;  // dragged text: the box inserts it

    QLineEdit& box = BoxFor(watched, drag.position().toPoint());
    const std::optional<QString> file = DroppedLocalFile(*drag.mimeData());
    if (!file || !box.isEnabled()) {
        drag.ignore();
        return true;
    }
    drag.acceptProposedAction();
    if (type == QEvent::Drop) WriteLater(box, *file);
    return true;
}

void FileDrops::WriteLater(QLineEdit& box, const QString& path) {
    QTimer::singleShot(0, &box, [&box, path] {
        if (!box.isEnabled())
            return;  // closed to input meanwhile: a conversion started, or the window closes
        box.setFocus(Qt::OtherFocusReason);
        box.setText(path);
        box.end(false);
    });
}

}  // namespace ui
