#include "app/shutdown_signal_watch.h"

#include <QSocketNotifier>
#include <utility>

#include "platform/shutdown_signals.h"

namespace app {

ShutdownSignalWatch::ShutdownSignalWatch(std::function<void(int signal)> onSignal) {
    const int pipe = platform::CatchShutdownSignals();
    if (pipe < 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(pipe, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [pipe, onSignal = std::move(onSignal)] {
        while (const std::optional<int> signal = platform::NextShutdownSignal(pipe)) onSignal(*signal);
    });
}

ShutdownSignalWatch::~ShutdownSignalWatch() = default;

}  // namespace app
