// The branding picture in Image1 and the input column that makes room for it.
#include "ui/picture.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <algorithm>

#include "core/dib.h"
#include "core/resource_library.h"
#include "ui/Unit1.h"
#include "ui/window_seams.h"

namespace ui {
namespace {

// Space between the picture's right edge and the input column.
constexpr int ColumnGap = 17;

// Pixels of the lower-left pixel's colour are left out, so the window shows through them.
QPixmap TransparentPixmap(const QImage& picture) {
    QImage drawn = picture.convertToFormat(QImage::Format_ARGB32);
    const QRgb transparent = drawn.pixel(0, drawn.height() - 1);
    for (int y = 0; y < drawn.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(drawn.scanLine(y));
        std::replace(line, line + drawn.width(), transparent, qRgba(0, 0, 0, 0));
    }
    return QPixmap::fromImage(drawn);
}

}  // namespace

QImage DecodeBitmapResource(std::span<const std::uint8_t> resource) {
    const std::optional<std::vector<std::uint8_t>> file = core::BitmapFileFromResource(resource);
    if (!file) return {};
    const QImage decoded =
        QImage::fromData(QByteArrayView(file->data(), static_cast<qsizetype>(file->size())), "BMP");
    if (decoded.isNull()) return {};
    return decoded.convertToFormat(QImage::Format_RGB888);
}

void TForm1::LoadPicture(core::ResourceLibrary* library, const std::string& name) {
    if (Image1->isHidden()) return;
    Image1->clear();
    std::optional<std::vector<std::uint8_t>> resource;
    if (library) resource = library->Find(core::BitmapResourceType, name);
    const QImage picture = resource ? DecodeBitmapResource(*resource) : QImage();
    if (picture.isNull())
        Image1->hide();
    else
        PlacePicture(picture);
    // Paint the picture and the moved controls at once.
    seams_->ProcessPendingEvents();
}

void TForm1::PlacePicture(const QImage& picture) {
    const int centre = Panel1->y() + Panel1->height() / 2;
    Image1->setPixmap(TransparentPixmap(picture));
    Image1->setGeometry(Image1->x(), centre - picture.height() / 2, picture.width(), picture.height());
    MoveInputColumnTo(Image1->x() + Image1->width() + ColumnGap);
}

// The edit boxes keep their right edges; the check box keeps its indent below the labels.
void TForm1::MoveInputColumnTo(int left) {
    const int indent = CheckBox1->x() - Label1->x();
    for (QLabel* label : {Label1, Label2}) label->move(left, label->y());
    for (QLineEdit* edit : {Edit1, Edit2}) {
        const int width = std::max(0, edit->width() - (left - edit->x()));
        edit->setGeometry(left, edit->y(), width, edit->height());
    }
    CheckBox1->move(left + indent, CheckBox1->y());
}

}  // namespace ui
