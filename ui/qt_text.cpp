#include "ui/qt_text.h"

namespace ui {

QString ToQString(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToSystemText(const QString& text) { return text.toLocal8Bit().toStdString(); }

QString WithLineBreaks(QString text) { return text.replace(QChar('\r'), QChar('\n')); }

}  // namespace ui
