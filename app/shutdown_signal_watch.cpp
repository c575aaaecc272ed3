#include "app/shutdown_signal_watch.h"

#include <QSocketNotifier>
#include <utility>

namespace app {

ShutdownSignalWatch::ShutdownSignalWatch(std::function<void(int signal)> onSignal) {
    if (signals_.descriptor() < 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(signals_.descriptor(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this, onSignal = std::move(onSignal)] {
        while (const std::optional<int> signal = signals_.Next()) onSignal(*signal);
    });
}

ShutdownSignalWatch::~ShutdownSignalWatch() = default;

}  // namespace app
