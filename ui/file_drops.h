#pragma once
// Files dropped from a file manager: onto the target box a drop names the target, anywhere else
// on the window the source, each exactly as if the name had been typed there.
#include <QObject>
#include <QPoint>
#include <QString>
#include <optional>

class QLineEdit;
class QMimeData;
class QWidget;

namespace ui {

// The first file of the drag's URL list when it is a local file that is no directory; nothing
// for anything else (a remote URL, plain text, an empty list).
[[nodiscard]] std::optional<QString> DroppedLocalFile(const QMimeData& data);

class FileDrops : public QObject {
    Q_OBJECT

  public:
    // Watches drags over the window and both boxes; the boxes keep taking dragged plain text.
    FileDrops(QWidget& window, QLineEdit& sourceBox, QLineEdit& targetBox);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The box a drag over `watched` at `position` (in watched's coordinates) is meant for.
    QLineEdit& BoxFor(const QObject* watched, QPoint position) const;
    // Writes the name once the drop has ended, so that a long checksum does not hold the drag's source.
    static void WriteLater(QLineEdit& box, const QString& path);

    QWidget& window_;
    QLineEdit& sourceBox_;
    QLineEdit& targetBox_;
};

}  // namespace ui
