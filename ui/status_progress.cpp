// The thin progress bar below the status text, shown while a long checksum or copy runs.
#include <QGroupBox>
#include <QProgressBar>
#include <algorithm>

#include "ui/Unit1.h"

namespace ui {
namespace {

// Finer than the bar's width in pixels.
constexpr int ProgressSteps = 1000;

int StepsDone(std::uint64_t done, std::uint64_t total) {
    if (total == 0) return ProgressSteps;
    const double fraction = static_cast<double>(std::min(done, total)) / static_cast<double>(total);
    return static_cast<int>(fraction * ProgressSteps);
}

}  // namespace

void TForm1::SetUpProgressBar() {
    ProgressBar1->setRange(0, ProgressSteps);
    ProgressBar1->setTextVisible(false);
    // Three pixels leave no room for a framed bar: a flat track with the done part in the
    // highlight colour.
    ProgressBar1->setStyleSheet(
        QStringLiteral("QProgressBar { border: none; background: palette(midlight); }"
                       "QProgressBar::chunk { background: palette(highlight); }"));
    ProgressBar1->setAccessibleName(QStringLiteral("Progress"));
    ProgressBar1->hide();
}

void TForm1::ShowProgress(std::uint64_t done, std::uint64_t total) {
    ProgressBar1->setValue(StepsDone(done, total));
    ProgressBar1->show();
}

void TForm1::HideProgress() { ProgressBar1->hide(); }

}  // namespace ui
