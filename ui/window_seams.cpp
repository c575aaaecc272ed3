#include "ui/window_seams.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QSocketNotifier>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <utility>

#include "core/progress_meter.h"
#include "platform/process.h"
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

namespace {

// The progress of work on a worker, handed to the window's thread as queued calls.
class QueuedProgress : public core::ProgressDisplay {
  public:
    explicit QueuedProgress(TForm1& form) : form_(form) {}
    void ShowProgress(std::uint64_t done, std::uint64_t total) override {
        QMetaObject::invokeMethod(
            &form_, [form = &form_, done, total] { form->ShowProgress(done, total); }, Qt::QueuedConnection);
    }
    void HideProgress() override {
        QMetaObject::invokeMethod(
            &form_, [form = &form_] { form->HideProgress(); }, Qt::QueuedConnection);
    }

  private:
    TForm1& form_;
};

}  // namespace

void WindowSeams::ProcessPendingEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

// The loop ends when the worker says it is done, or at once when the application is quitting;
// the work is then waited for here (a closing window has cancelled what it wanted cancelled).
void WindowSeams::RunAside(const std::function<void(core::ProgressSink&)>& work) {
    QEventLoop loop;
    QueuedProgress progress(form_);
    std::thread worker([&] {
        {
            core::ProgressMeter meter(progress);
            work(meter);
        }  // the meter's last word reaches the window before the end does
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
}

// The program's end wakes the loop through a descriptor (no waking up at intervals); a program
// that has ended already needs no loop at all.
std::optional<std::uint32_t> WindowSeams::AwaitProgram(int program) {
    platform::ProgramEndWatch watch(program);
    if (watch.descriptor() >= 0) {
        QEventLoop loop;
        QSocketNotifier notifier(watch.descriptor(), QSocketNotifier::Read);
        QObject::connect(&notifier, &QSocketNotifier::activated, &loop, [&] {
            if (watch.Ended()) loop.quit();
        });
        if (!watch.Ended()) loop.exec();
    }
    return platform::ReapProgram(program);
}

void WindowSeams::ShowErrorBox(const std::string& message, const std::string& reason) {
    dialogs_.ShowError(ToQString(message), ToQString(reason));
}

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

void WindowSeams::DisableMainWindow() { form_.setEnabled(false); }

void WindowSeams::Exit(int exitCode) {
    if (exitProcess_) exitProcess_(exitCode);
    std::abort();
}

}  // namespace ui
