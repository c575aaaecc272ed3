#include "ui/window_seams.h"

#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "ui/Unit1.h"
#include "ui/dialogs.h"
#include "ui/qt_text.h"

namespace ui {

void EndProcessNow(int exitCode) {
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

WindowSeams::WindowSeams(TForm1& form, Dialogs& dialogs, std::function<void(int)> exitProcess)
    : form_(form), dialogs_(dialogs), exitProcess_(std::move(exitProcess)) {}

void WindowSeams::ProcessPendingEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void WindowSeams::ShowErrorBox(const std::string& message) { dialogs_.ShowError(ToQString(message)); }

bool WindowSeams::AskYesNo(const std::string& message) { return dialogs_.AskYesNo(ToQString(message)); }

void WindowSeams::ShowSuccessBox(const std::string& message) { dialogs_.ShowSuccess(ToQString(message)); }

void WindowSeams::SetStatus(const std::string& text, core::Colour colour, bool blinking) {
    form_.SetStatus(text, colour, blinking);
}

void WindowSeams::ShowProgress(std::uint64_t done, std::uint64_t total) { form_.ShowProgress(done, total); }

void WindowSeams::HideProgress() { form_.HideProgress(); }

// The busy cursor is a state, not a stack: showing it twice and the default once leaves the default.
void WindowSeams::ShowBusyCursor() {
    if (QApplication::overrideCursor()) {
        QApplication::changeOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
}

void WindowSeams::ShowDefaultCursor() { QApplication::restoreOverrideCursor(); }

// Asked after every 4096-byte piece of a checksum: convert the text only when it changed.
std::string WindowSeams::SourceText() {
    const QString text = form_.Edit1->text();
    if (text != lastSourceText_ || !lastSourceTextValid_) {
        lastSourceText_ = text;
        lastSourceBytes_ = ToSystemText(text);
        lastSourceTextValid_ = true;
    }
    return lastSourceBytes_;
}

void WindowSeams::DisableMainWindow() { form_.setEnabled(false); }

void WindowSeams::Exit(int exitCode) {
    if (exitProcess_) exitProcess_(exitCode);
    std::abort();
}

}  // namespace ui
