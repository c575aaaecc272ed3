// Converts a known version of several GiB (5 unless an argument gives the GiB), mostly a hole,
// through the real window with our patch tool in the set, after the same conversion of a 256 MiB
// version. After each it prints the times, the peak memory so far of this process (the window)
// and the patch tool's peak: a peak that stays where the small file put it does not grow with the
// file's size.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/event_dispatcher.h"
#include "core/program_state.h"
#include "platform/files.h"
#include "tests/core/support/system_md5.h"
#include "tests/support/sparse_version_pair.h"
#include "tests/ui/support/window_controls.h"
#include "ui/Unit1.h"
#include "ui/dialogs.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::uint64_t MiB = std::uint64_t{1} << 20;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Answers Yes and remembers whether the run succeeded.
class BenchDialogs : public ui::Dialogs {
  public:
    void ShowError(const QString& text, const QString& details) override {
        std::fprintf(stderr, "error box: %s (%s)\n", text.toLocal8Bit().constData(),
                     details.toLocal8Bit().constData());
    }
    bool AskYesNo(const QString&) override { return true; }
    void ShowSuccess(const QString&) override { succeeded = true; }
    std::optional<QString> OpenFileName(const QString&, const QString&) override { return std::nullopt; }
    std::optional<QString> SaveFileName(const QString&, const QString&) override { return std::nullopt; }

    bool succeeded = false;
};

double OwnPeakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024;
}

// The set's patch tool is ours, run by GNU time, which takes its peak memory from wait4's rusage.
// Our own rusage of children would not do: the kernel carries a process's high-water mark across
// exec, so a child of this large process reports this process's peak.
void InstallMeasuredTool(const std::string& extraction, const std::string& peakFile) {
    const std::string tool = extraction + "/bspatch";
    std::ofstream(tool) << "#!/bin/sh\nexec /usr/bin/time -f %M -o '" << peakFile << "' '" << FC_BSPATCH
                        << "' \"$@\"\n";
    fs::permissions(tool, fs::perms::owner_all);
}

double PeakMiBIn(const std::string& peakFile) {
    double kib = 0;
    std::ifstream(peakFile) >> kib;
    return kib / 1024;
}

std::string VersionDirectory(const std::string& work, std::uint64_t oldSize) {
    return work + "/" + std::to_string(oldSize);
}

// Writes the versions and the patch for every size in a child process, so that the memory their
// writing takes is not counted as the window's. Called before the application exists, so the
// child is a copy of a small process without threads.
bool WriteVersionsInChild(const std::string& work, const std::vector<std::uint64_t>& sizes) {
    std::printf("writing the versions and the patches (not measured)...\n");
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        try {
            for (const std::uint64_t size : sizes) {
                const std::string directory = VersionDirectory(work, size);
                fs::create_directories(directory + "/extracted");
                (void)testing_support::MakeSparseVersionPair(directory,
                                                             directory + "/extracted/old_1_2.bsdiff", size);
            }
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s\n", error.what());
            _exit(1);
        }
        _exit(0);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// One conversion of the version of `oldSize` bytes; its directory is removed afterwards.
bool ConvertOnce(const std::string& work, std::uint64_t oldSize) {
    std::printf("%.2f GiB:\n", static_cast<double>(oldSize) / (1024 * MiB));
    const std::string directory = VersionDirectory(work, oldSize);
    const std::string extraction = directory + "/extracted";
    const std::string peakFile = directory + "/tool-peak";
    InstallMeasuredTool(extraction, peakFile);
    const std::string oldPath = directory + "/old.bin";

    core::ProgramSetup setup;
    core::RunRegister run;
    run.ExtractionDir = extraction;
    setup.FileInfos = {
        testing_support::CatalogueEntry("1", testing_support::SystemMd5Hex(oldPath)),
        testing_support::CatalogueEntry("2", testing_support::SystemMd5Hex(directory + "/new.bin"))};
    BenchDialogs dialogs;
    ui::TForm1 form(dialogs, setup, run);
    const testing_support::WindowControls controls(form);
    form.SetCaptions();
    form.SetFixedCaptions();
    form.show();
    controls.Edit2->setText(QString::fromLocal8Bit(directory + "/converted.bin"));

    const Clock::time_point start = Clock::now();
    controls.Edit1->setText(QString::fromLocal8Bit(oldPath));
    const double identify = SecondsSince(start);
    const bool enabled = controls.Button3->isEnabled();
    if (enabled) controls.Button3->click();
    const double total = SecondsSince(start);

    const double toolPeak = PeakMiBIn(peakFile);
    std::error_code ignored;
    fs::remove_all(directory, ignored);
    if (!enabled || !dialogs.succeeded) {
        std::fprintf(stderr, "the conversion did not verify\n");
        return false;
    }
    std::printf("  identify %.1f s, convert and identify again %.1f s\n", identify, total - identify);
    std::printf("  peak memory: window process so far %.1f MiB, patch tool %.1f MiB\n", OwnPeakMiB(),
                toolPeak);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::uint64_t largeGiB = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 5;
    std::string work = platform::TempFolder() + "/fc-bench-XXXXXX";
    if (largeGiB == 0 || !mkdtemp(work.data())) {
        std::fprintf(stderr, "usage: bench-large_conversion [GiB]; the work directory goes to $TMPDIR\n");
        return 1;
    }
    const std::vector<std::uint64_t> sizes{256 * MiB, largeGiB * 1024 * MiB};
    bool ok = WriteVersionsInChild(work, sizes);

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app::PreferQtEventDispatcher();  // as the program itself runs
    QApplication application(argc, argv);
    for (const std::uint64_t size : sizes) ok = ok && ConvertOnce(work, size);
    std::error_code ignored;
    fs::remove_all(work, ignored);
    return ok ? 0 : 1;
}
