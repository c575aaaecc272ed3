// How fast a file is summed for the window compared with the system's md5sum, and whether
// memory stays flat with the file's size.
//
// Sums one 1 GiB file from the page cache three ways, each run three times in turn with the
// best run kept: md5sum; ComputeFileMd5 called directly; the checksum as the window runs it, on
// a worker while the real window (offscreen unless a platform is set) waits in its event loop
// with the status line blinking. Then gives reading alone and MD5 alone, and compares md5sum
// with the window's way once more with the file dropped from the page cache before each run.
#include "core/checksum.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QLineEdit>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/event_dispatcher.h"
#include "bench/processor_name.h"
#include "core/messages.h"
#include "tests/ui/support/window_controls.h"
#include "ui/Unit1.h"
#include "ui/qt_dialogs.h"
#include "ui/window_seams.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint64_t MiB = std::uint64_t{1} << 20;
constexpr std::uint64_t BigFileSize = 1024 * MiB;
constexpr int Rounds = 3;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double SecondsFor(const std::function<void()>& work) {
    const Clock::time_point start = Clock::now();
    work();
    return SecondsSince(start);
}

double MegabytesPerSecond(std::uint64_t bytes, double seconds) {
    return static_cast<double>(bytes) / seconds / 1e6;
}

// A directory of this run's own in the temporary folder, removed with everything in it at the
// end: another run at the same time must not write or remove the files measured here.
class WorkDirectory {
  public:
    WorkDirectory() {
        const char* base = std::getenv("TMPDIR");
        path_ = std::string(base && *base ? base : "/tmp") + "/fc-bench-XXXXXX";
        if (!mkdtemp(path_.data())) path_.clear();
    }
    ~WorkDirectory() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    WorkDirectory(const WorkDirectory&) = delete;
    WorkDirectory& operator=(const WorkDirectory&) = delete;

    bool Created() const { return !path_.empty(); }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// Random bytes; only the first 8 bytes of each MiB differ from one MiB to the next.
void WriteRandomFile(const std::string& path, std::uint64_t size) {
    std::mt19937_64 generator(42);
    std::vector<std::uint64_t> block(MiB / sizeof(std::uint64_t));
    for (auto& word : block) word = generator();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (std::uint64_t written = 0; written < size; written += MiB) {
        block[0] = written;
        out.write(reinterpret_cast<const char*>(block.data()),
                  static_cast<std::streamsize>(std::min<std::uint64_t>(MiB, size - written)));
    }
}

std::string SystemMd5(const std::string& path) {
    FILE* pipe = popen(("md5sum -- '" + path + "'").c_str(), "r");
    std::array<char, 33> hex{};
    if (!pipe) return {};
    const std::size_t read = std::fread(hex.data(), 1, 32, pipe);
    pclose(pipe);
    return QString::fromLatin1(hex.data(), static_cast<qsizetype>(read)).toUpper().toStdString();
}

long PeakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Stands in for the status line's progress bar where nobody watches.
class NoProgress : public core::ProgressSink {
  public:
    void Advance(std::uint64_t, std::uint64_t) override {}
};

std::string SumFile(const std::string& path, core::Seams& seams, core::ChecksumMemory& memory) {
    const core::CancelToken cancel;
    return core::FileMd5Hex(path, cancel, seams, memory).value_or("(no checksum)");
}

// ComputeFileMd5 on this thread, with nothing around it.
std::string SumDirectly(const std::string& path) {
    std::optional<platform::File> file = platform::File::OpenForChecksum(path);
    const core::CancelToken cancel;
    NoProgress progress;
    const std::optional<core::Md5Digest> digest =
        file ? core::ComputeFileMd5(*file, cancel, progress) : std::nullopt;
    return digest ? core::Md5Hex(*digest) : "(no checksum)";
}

// Reads the file with the checksum's read size and does nothing else.
double ReadOnlySeconds(const std::string& path) {
    return SecondsFor([&] {
        std::optional<platform::File> file = platform::File::OpenForChecksum(path);
        std::vector<std::uint8_t> buffer(core::ChecksumReadSize);
        while (file && file->Read(buffer) > 0) {
        }
    });
}

double Md5OnlySeconds(std::uint64_t bytes) {
    std::vector<std::uint8_t> data(64 * MiB, 0x5A);
    return SecondsFor([&] {
        core::Md5Context context;
        core::Md5Init(context);
        for (std::uint64_t done = 0; done < bytes; done += core::ChecksumReadSize)
            core::Md5Update(context, std::span(data).subspan(done % data.size(), core::ChecksumReadSize));
        core::Md5Digest digest;
        core::Md5Final(context, digest);
    });
}

// Writes out whatever of the file is still dirty, then asks the kernel to drop all of its pages
// from the page cache, so that the next reader must fetch it from the disk.
bool DropFromPageCache(const std::string& path) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return false;
    const bool dropped =
        ::fdatasync(descriptor) == 0 && ::posix_fadvise(descriptor, 0, 0, POSIX_FADV_DONTNEED) == 0;
    ::close(descriptor);
    return dropped;
}

// md5sum against the window's checksum, each starting with nothing of the file in the page
// cache; best of `Rounds`.
void ReportColdCache(const std::string& path, core::Seams& windowSeams, core::ChecksumMemory& memory) {
    double md5sum = 1e9, windowed = 1e9;
    for (int round = 0; round < Rounds; ++round) {
        if (!DropFromPageCache(path)) {
            std::printf("cold cache: the file could not be dropped from the page cache\n");
            return;
        }
        md5sum = std::min(md5sum, SecondsFor([&] { SystemMd5(path); }));
        (void)DropFromPageCache(path);
        windowed = std::min(windowed, SecondsFor([&] { SumFile(path, windowSeams, memory); }));
    }
    std::printf("Cold cache (file dropped from the page cache before each run), best of %d:\n", Rounds);
    std::printf("  md5sum                              %7.1f MB/s\n",
                MegabytesPerSecond(BigFileSize, md5sum));
    std::printf("  (b) live window, worker checksum    %7.1f MB/s  ratio to md5sum %.3f\n",
                MegabytesPerSecond(BigFileSize, windowed), md5sum / windowed);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app::PreferQtEventDispatcher();  // as the program itself runs
    QApplication application(argc, argv);
    const core::ProgramSetup setup;
    core::RunRegister run;
    core::ChecksumMemory checksums;
    ui::QtDialogs dialogs;
    ui::TForm1 form(dialogs, setup, run);
    const testing_support::WindowControls controls(form);
    ui::WindowSeams window(form, dialogs);
    core::Seams windowSeams = window.Bundle();

    const WorkDirectory work;
    if (!work.Created()) {
        std::fprintf(stderr, "could not create a work directory\n");
        return 1;
    }
    const std::string smallPath = work.File("1MiB.bin");
    const std::string bigPath = work.File("1GiB.bin");
    controls.Edit1->setText(QString::fromLocal8Bit(bigPath.c_str()));
    form.show();
    form.SetStatus(std::string(core::messages::CalculatingMd5), setup.Settings.Colours.FontStatusColor, true);
    application.processEvents();

    WriteRandomFile(smallPath, MiB);
    SumFile(smallPath, windowSeams, checksums);
    const long smallPeak = PeakResidentKiB();

    WriteRandomFile(bigPath, BigFileSize);
    const std::string expected = SystemMd5(bigPath);  // also brings the file into the page cache
    double best[3] = {1e9, 1e9, 1e9};
    for (int round = 0; round < Rounds; ++round) {
        best[0] = std::min(best[0], SecondsFor([&] { SystemMd5(bigPath); }));
        std::string direct, windowed;
        best[1] = std::min(best[1], SecondsFor([&] { direct = SumDirectly(bigPath); }));
        best[2] = std::min(best[2], SecondsFor([&] { windowed = SumFile(bigPath, windowSeams, checksums); }));
        if (direct != expected || windowed != expected) {
            std::printf("checksum mismatch: md5sum %s, ours %s and %s\n", expected.c_str(), direct.c_str(),
                        windowed.c_str());
            return 1;
        }
    }
    const long bigPeak = PeakResidentKiB();

    const double readSeconds = ReadOnlySeconds(bigPath);
    const double md5Seconds = Md5OnlySeconds(BigFileSize);

    const double md5sumRate = MegabytesPerSecond(BigFileSize, best[0]);
    std::printf("Processor: %s\n", bench::ProcessorName().c_str());
    std::printf("1 GiB from the page cache, best of %d, MB = 10^6 bytes, event dispatcher %s\n", Rounds,
                QAbstractEventDispatcher::instance()->metaObject()->className());
    std::printf("  md5sum                              %7.1f MB/s\n", md5sumRate);
    std::printf("  (a) ComputeFileMd5, called directly %7.1f MB/s  ratio to md5sum %.3f\n",
                MegabytesPerSecond(BigFileSize, best[1]), best[0] / best[1]);
    std::printf("  (b) live window, worker checksum    %7.1f MB/s  ratio to md5sum %.3f\n",
                MegabytesPerSecond(BigFileSize, best[2]), best[0] / best[2]);
    std::printf("  %zu KiB reads alone %.3f s, MD5 alone (in memory) %.3f s; reading and summing overlap\n",
                core::ChecksumReadSize / 1024, readSeconds, md5Seconds);
    std::printf(
        "Peak resident memory after summing 1 MiB: %ld KiB, after 1 GiB: %ld KiB (difference %ld KiB)\n",
        smallPeak, bigPeak, bigPeak - smallPeak);
    std::fflush(stdout);

    ReportColdCache(bigPath, windowSeams, checksums);
    return 0;
}
