// Converts a 256 MiB file through the real window (identify, Convert, verify, flush, identify
// again) and times the shell doing the same work with cp, bspatch, md5sum and sync, in turn for a
// number of rounds (the first argument, 3 when none is given) on the same patch: first with
// Debian's bspatch on both sides, then with ours on both sides. The sides take turns at going
// first. Prints each round, both sides' best times and their ratio, the median of the rounds' own
// ratios, the processor time the hypervisor took meanwhile, and the longest pause of a 10 ms timer
// while the window worked. Each side starts from a machine at rest (see Settle). bench-patch_tool
// compares the patch tools alone.
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/event_dispatcher.h"
#include "bench/processor_name.h"
#include "bench/sample_versions.h"
#include "core/checksum.h"
#include "core/dos_time.h"
#include "core/program_state.h"
#include "platform/files.h"
#include "tests/ui/support/window_controls.h"
#include "ui/Unit1.h"
#include "ui/dialogs.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

using bench::VersionMiB;
using bench::WriteVersion;
constexpr int TickIntervalMs = 10;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

// Writes out what earlier work left in the page cache and lets memory freed by it settle, so that
// neither side starts with an advantage. A virtual machine may hand freed memory back to its host
// within a second, and filling such memory again costs about eight times as much: a side that
// started right after the other's files were removed would fill cheap memory, and the side that
// first identifies its source would not.
void Settle() {
    Shell("sync");
    std::this_thread::sleep_for(std::chrono::seconds(2));
}

// Answers every question with Yes and remembers what it was shown and when.
class BenchDialogs : public ui::Dialogs {
  public:
    void ShowError(const QString& text, const QString& details) override {
        std::fprintf(stderr, "error box: %s (%s)\n", text.toLocal8Bit().constData(),
                     details.toLocal8Bit().constData());
        failed = true;
    }
    bool AskYesNo(const QString&) override { return true; }
    void ShowSuccess(const QString&) override { succeededAt = Clock::now(); }
    std::optional<QString> OpenFileName(const QString&, const QString&) override { return std::nullopt; }
    std::optional<QString> SaveFileName(const QString&, const QString&) override { return std::nullopt; }

    bool failed = false;
    std::optional<Clock::time_point> succeededAt;
};

// The longest time between two ticks of a short timer: how long the window could not react. A gap
// with the patch tool running at either of its ticks spans a wait for the tool; those gaps are
// kept apart, as the window learns of the tool's end differently from the rest of its work.
class TickWatch {
  public:
    explicit TickWatch(std::function<bool()> toolRunning) : toolRunning_(std::move(toolRunning)) {
        timer_.setInterval(TickIntervalMs);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const Clock::time_point now = Clock::now();
            const bool running = toolRunning_();
            const double gap = std::chrono::duration<double, std::milli>(now - last_).count();
            double& longest = running || lastRunning_ ? longestToolWait_ : longestElsewhere_;
            longest = std::max(longest, gap);
            last_ = now;
            lastRunning_ = running;
        });
    }
    void Start() {
        last_ = Clock::now();
        lastRunning_ = toolRunning_();
        timer_.start();
    }
    void Stop() { timer_.stop(); }
    double LongestToolWaitGapMs() const { return longestToolWait_; }
    double LongestOtherGapMs() const { return longestElsewhere_; }

  private:
    std::function<bool()> toolRunning_;
    QTimer timer_;
    Clock::time_point last_;
    bool lastRunning_ = false;
    double longestToolWait_ = 0;
    double longestElsewhere_ = 0;
};

// The patch tool both sides run, copied into the extraction directory as the window's set holds it.
struct PatchTool {
    const char* name;
    std::string path;
};

struct Files {
    std::string work;
    std::string extraction;
    std::string source;
    std::string changed;
    std::string patch;
};

// The catalogue's checksum of a version, taken before the measured work starts.
std::string Md5Of(const std::string& path, ui::TForm1& form) {
    core::ChecksumMemory quiet;
    core::Seams seams = form.CoreSeams();
    const core::CancelToken cancel;
    return core::FileMd5Hex(path, cancel, seams, quiet).value_or(std::string());
}

core::FileInfo Entry(const std::string& version, const std::string& md5) {
    core::FileInfo entry;
    entry.FileName = "source.bin";
    entry.Version = version;
    entry.Md5 = md5;
    entry.Description1 = "Version " + version;
    entry.TimeStamp = *core::PackDosDateTime({2004, 3, 1, 13, 5, 8});
    return entry;
}

struct WindowTimes {
    double identify = 0;
    double convert = 0;
    double handBack = 0;
    double longestToolWaitGapMs = 0;
    double longestOtherGapMs = 0;
    bool succeeded = false;
    double Total() const { return identify + convert + handBack; }
    double LongestGapMs() const { return std::max(longestToolWaitGapMs, longestOtherGapMs); }
};

// Names the target first, so that identifying the source chooses its one version and enables Convert.
WindowTimes ConvertThroughWindow(const Files& files, const std::string& target) {
    core::ProgramSetup setup;
    core::RunRegister run;
    run.ExtractionDir = files.extraction;
    BenchDialogs dialogs;
    ui::TForm1 form(dialogs, setup, run);
    const testing_support::WindowControls controls(form);
    setup.FileInfos = {Entry("1", Md5Of(files.source, form)), Entry("2", Md5Of(files.changed, form))};
    form.SetCaptions();
    form.SetFixedCaptions();
    form.show();
    controls.Edit2->setText(QString::fromLocal8Bit(target));
    QApplication::processEvents();
    Settle();

    WindowTimes times;
    TickWatch ticks([&run] { return run.RunningProgram != core::NoProgram; });
    ticks.Start();
    const Clock::time_point start = Clock::now();
    controls.Edit1->setText(QString::fromLocal8Bit(files.source));
    times.identify = SecondsSince(start);
    if (!controls.Button3->isEnabled()) {
        std::fprintf(stderr, "Convert is not enabled after identifying the source\n");
        return times;
    }
    const Clock::time_point convertStart = Clock::now();
    controls.Button3->click();
    const Clock::time_point end = Clock::now();
    ticks.Stop();

    times.succeeded = dialogs.succeededAt.has_value() && !dialogs.failed;
    if (times.succeeded) {
        times.convert = std::chrono::duration<double>(*dialogs.succeededAt - convertStart).count();
        times.handBack = std::chrono::duration<double>(end - *dialogs.succeededAt).count();
    }
    times.longestToolWaitGapMs = ticks.LongestToolWaitGapMs();
    times.longestOtherGapMs = ticks.LongestOtherGapMs();
    return times;
}

// The shell's time for one round: the work itself, and the flush of its result to disk that the
// window makes before the result replaces anything. The work alone leaves the result in the page
// cache for the kernel to write later, outside the measured time.
struct ShellTimes {
    double work = 1e9;
    double flush = 0;
    double Flushed() const { return work + flush; }
};

// The same work in the shell: copy aside, patch, checksum the source and the result.
std::optional<ShellTimes> ConvertInShell(const Files& files, const PatchTool& tool,
                                         const std::string& target) {
    const std::string copy = files.work + "/shell-copy.tmp";
    Settle();
    const Clock::time_point start = Clock::now();
    const bool ok =
        Shell("cp " + Quoted(files.source) + " " + Quoted(copy) + " && " + Quoted(tool.path) + " " +
              Quoted(copy) + " " + Quoted(target) + " " + Quoted(files.patch) + " && md5sum " +
              Quoted(files.source) + " " + Quoted(target) + " >/dev/null && rm -f " + Quoted(copy));
    ShellTimes times{.work = SecondsSince(start)};
    const Clock::time_point flushStart = Clock::now();
    if (!ok || !Shell("sync --data " + Quoted(target))) return std::nullopt;
    times.flush = SecondsSince(flushStart);
    return times;
}

// The two versions, the patch tool and the patch, all inside the work directory.
std::optional<Files> MakeFiles(const std::string& work) {
    Files files{work, work + "/extracted", work + "/source.bin", work + "/changed.bin",
                work + "/extracted/source_1_2.bsdiff"};
    fs::create_directory(files.extraction);
    WriteVersion(files.source, false);
    WriteVersion(files.changed, true);

    std::printf("making the patch with bsdiff (%d MiB, not part of the measured work)...\n", VersionMiB);
    std::fflush(stdout);
    const Clock::time_point start = Clock::now();
    if (!Shell("bsdiff " + Quoted(files.source) + " " + Quoted(files.changed) + " " + Quoted(files.patch)))
        return std::nullopt;
    std::printf("bsdiff: %.1f s, patch %ju bytes\n", SecondsSince(start),
                static_cast<std::uintmax_t>(fs::file_size(files.patch)));
    return files;
}

// After a conversion the source is identified again; when it has not changed since the first
// identification, its remembered checksum spares reading it.
void ReportSecondIdentification(const WindowTimes& window) {
    std::printf("second identification of the unchanged source: %.3f s (the first took %.3f s)\n",
                window.handBack, window.identify);
}

// How many rounds of both sides to run: the first argument, 3 when none is given.
int RequestedRounds() {
    const QStringList arguments = QCoreApplication::arguments();
    return arguments.size() > 1 ? std::max(arguments[1].toInt(), 1) : 3;
}

// The best of the rounds for each side, and the worst pauses of the window seen in any round.
struct Rounds {
    int count = 0;
    ShellTimes shell{.work = 1e9, .flush = 1e9};
    double shellWorkAlone = 1e9;
    WindowTimes window{.identify = 1e9};
    double longestToolWaitGapMs = 0;
    double longestOtherGapMs = 0;
    std::vector<double> ratios;  // each round's own, its two sides having run back to back

    void Add(const ShellTimes& shellTimes, const WindowTimes& times) {
        ++count;
        ratios.push_back(times.Total() / shellTimes.Flushed());
        if (shellTimes.Flushed() < shell.Flushed()) shell = shellTimes;
        shellWorkAlone = std::min(shellWorkAlone, shellTimes.work);
        if (times.Total() < window.Total()) window = times;
        longestToolWaitGapMs = std::max(longestToolWaitGapMs, times.longestToolWaitGapMs);
        longestOtherGapMs = std::max(longestOtherGapMs, times.longestOtherGapMs);
    }

    double MedianRatio() {
        const auto middle = ratios.begin() + std::ssize(ratios) / 2;
        std::nth_element(ratios.begin(), middle, ratios.end());
        return *middle;
    }
};

// Processor time that the hypervisor gave to others, summed over this machine's processors (the
// steal column of /proc/stat): what makes a virtual machine anything but quiet. 0 when unknown.
double StolenSeconds() {
    std::ifstream stat("/proc/stat");
    std::string label;
    std::uint64_t fields[8] = {};
    stat >> label;
    for (std::uint64_t& field : fields) stat >> field;
    return stat ? static_cast<double>(fields[7]) / static_cast<double>(sysconf(_SC_CLK_TCK)) : 0.0;
}

// Whether `target` holds the new version; it is removed either way, so that the next run, of
// either side, does not share the page cache with it.
bool CheckedAndRemoved(const Files& files, const std::string& target) {
    const bool same = Shell("cmp -s " + Quoted(target) + " " + Quoted(files.changed));
    std::error_code ignored;
    fs::remove(target, ignored);
    return same;
}

std::optional<ShellTimes> ShellSide(const Files& files, const PatchTool& tool) {
    const std::string target = files.work + "/shell-target.bin";
    const std::optional<ShellTimes> times = ConvertInShell(files, tool, target);
    if (!CheckedAndRemoved(files, target)) return std::nullopt;
    return times;
}

std::optional<WindowTimes> WindowSide(const Files& files) {
    const std::string target = files.work + "/window-target.bin";
    const WindowTimes times = ConvertThroughWindow(files, target);
    if (!CheckedAndRemoved(files, target) || !times.succeeded) return std::nullopt;
    return times;
}

// One round of both sides; `shellFirst` says which goes first, as the second one runs while the
// disk may still be busy with what the first one wrote. Nullopt when either failed.
std::optional<std::pair<ShellTimes, WindowTimes>> RunRound(const Files& files, const PatchTool& tool,
                                                           bool shellFirst) {
    std::optional<ShellTimes> shell;
    if (shellFirst) shell = ShellSide(files, tool);
    const std::optional<WindowTimes> window = WindowSide(files);
    if (!shellFirst) shell = ShellSide(files, tool);
    if (!shell || !window) return std::nullopt;
    return std::pair(*shell, *window);
}

// The rounds with one patch tool on both sides, and their figures.
bool Report(const Files& files, const PatchTool& tool) {
    std::printf("\nWith %s on both sides (%s):\n", tool.name, tool.path.c_str());
    if (!Shell("cp " + Quoted(tool.path) + " " + Quoted(files.extraction + "/bspatch"))) return false;
    Rounds rounds;
    const double stolenBefore = StolenSeconds();
    for (int round = 1; round <= RequestedRounds(); ++round) {
        const std::optional<std::pair<ShellTimes, WindowTimes>> result =
            RunRound(files, tool, round % 2 == 1);
        if (!result) {
            std::fprintf(stderr, "a conversion failed\n");
            return false;
        }
        const auto& [shell, window] = *result;
        std::printf(
            "round %d: window %.2f s, shell %.2f s (%.2f s before its flush), ratio %.3f, longest "
            "gap %.1f ms\n",
            round, window.Total(), shell.Flushed(), shell.work, window.Total() / shell.Flushed(),
            window.LongestGapMs());
        std::fflush(stdout);
        rounds.Add(shell, window);
    }
    std::printf("processor time taken by the hypervisor during these rounds: %.1f s\n",
                StolenSeconds() - stolenBefore);
    const WindowTimes& window = rounds.window;
    std::printf("Best of %d rounds:\n", rounds.count);
    std::printf("window: %.2f s (identify %.2f s, convert until success %.2f s, identify again %.2f s)\n",
                window.Total(), window.identify, window.convert, window.handBack);
    ReportSecondIdentification(window);
    std::printf("shell (cp, bspatch, md5sum of source and result, then sync --data of the result): %.2f s\n",
                rounds.shell.Flushed());
    std::printf("ratio window / shell with %s: %.3f (goal <= 1.05)\n", tool.name,
                window.Total() / rounds.shell.Flushed());
    std::printf("median of the rounds' own ratios: %.3f\n", rounds.MedianRatio());
    std::printf("ratio without the identification after success: %.3f\n",
                (window.identify + window.convert) / rounds.shell.Flushed());
    std::printf("shell leaving its result unflushed in the page cache: %.2f s, ratio window / that %.3f\n",
                rounds.shellWorkAlone, window.Total() / rounds.shellWorkAlone);
    std::printf("longest gap between two ticks of a %d ms timer during the window runs: %.1f ms\n",
                TickIntervalMs, std::max(rounds.longestToolWaitGapMs, rounds.longestOtherGapMs));
    std::printf("  spanning a wait for the patch tool: %.1f ms; elsewhere: %.1f ms (goal <= 20 ms)\n",
                rounds.longestToolWaitGapMs, rounds.longestOtherGapMs);
    return true;
}

int ReportBothTools(const Files& files) {
    std::printf("Processor: %s\n", bench::ProcessorName().c_str());
    const PatchTool tools[] = {{"Debian's bspatch", "/usr/bin/bspatch"}, {"our bspatch", FC_BSPATCH}};
    for (const PatchTool& tool : tools)
        if (!Report(files, tool)) return 1;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app::PreferQtEventDispatcher();  // as the program itself runs
    QApplication application(argc, argv);
    std::string work = platform::TempFolder() + "/fc-bench-XXXXXX";
    if (!mkdtemp(work.data())) {
        std::fprintf(stderr, "could not create a work directory in %s\n", platform::TempFolder().c_str());
        return 1;
    }
    const std::optional<Files> files = MakeFiles(work);
    const int result = files ? ReportBothTools(*files) : 1;
    if (!files) std::fprintf(stderr, "could not prepare the files\n");
    std::error_code ignored;
    fs::remove_all(work, ignored);
    return result;
}
