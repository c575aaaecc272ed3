#include "ui/qt_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

#include "ui/qt_text.h"

namespace ui {
namespace {

QMessageBox::StandardButton RunMessageBox(QMessageBox::Icon icon, const char* caption, const QString& text,
                                          QMessageBox::StandardButtons buttons,
                                          QMessageBox::StandardButton defaultButton,
                                          const QString& details = {}) {
    QMessageBox box(icon, QString::fromLatin1(caption), WithLineBreaks(text), buttons, nullptr);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    box.setDetailedText(details);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

// The dialogs have no filter, default suffix or title of their own; a name the user types
// need not exist yet, which the caller reports in its own way.
std::optional<QString> RunFileDialog(QFileDialog::AcceptMode mode, const QString& initialDir,
                                     const QString& fileName) {
    QFileDialog dialog(nullptr);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The conversion asks before it replaces a file, so the dialog must not ask as well.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!initialDir.isEmpty()) dialog.setDirectory(initialDir);
    dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

}  // namespace

void QtDialogs::ShowError(const QString& text, const QString& details) {
    RunMessageBox(QMessageBox::Critical, "Error", text, QMessageBox::Ok, QMessageBox::Ok, details);
}

bool QtDialogs::AskYesNo(const QString& text) {
    return RunMessageBox(QMessageBox::Question, "Question", text, QMessageBox::Yes | QMessageBox::No,
                         QMessageBox::Yes) == QMessageBox::Yes;
}

void QtDialogs::ShowSuccess(const QString& text) {
    RunMessageBox(QMessageBox::Information, "Success", text, QMessageBox::Ok, QMessageBox::Ok);
}

std::optional<QString> QtDialogs::OpenFileName(const QString& initialDir, const QString& fileName) {
    return RunFileDialog(QFileDialog::AcceptOpen, initialDir, fileName);
}

std::optional<QString> QtDialogs::SaveFileName(const QString& initialDir, const QString& fileName) {
    return RunFileDialog(QFileDialog::AcceptSave, initialDir, fileName);
}

}  // namespace ui
