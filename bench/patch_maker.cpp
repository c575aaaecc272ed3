// Makes one patch between two versions of a text-like file of about 100 MiB (a few thousand
// scattered edits) with Debian's bsdiff and with ours, one after the other in this run, and prints
// each one's time, peak memory and patch size and the ratios ours / Debian's. Then applies both
// patches with Debian's bspatch and with ours and checks that each gives exactly the new version.
// Argument: the size in MiB (default 100).
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int Edits = 3000;

std::string Quoted(const std::string& path) { return "'" + path + "'"; }
bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

std::string LoadAverage() {
    std::string text;
    std::getline(std::ifstream("/proc/loadavg"), text);
    return text.substr(0, text.find(' ', text.find(' ', text.find(' ') + 1) + 1));
}

// Lines of words from a fixed vocabulary, like a long document or a log.
std::string TextLike(std::size_t size, std::mt19937_64& random) {
    std::vector<std::string> words(5000);
    for (std::string& word : words) {
        word.resize(2 + random() % 9);
        for (char& c : word) c = static_cast<char>('a' + random() % 26);
    }
    std::string text;
    text.reserve(size + 200);
    while (text.size() < size) {
        const int count = 3 + static_cast<int>(random() % 12);
        for (int i = 0; i < count; ++i) text += words[random() % words.size()] + (i + 1 < count ? " " : "\n");
    }
    text.resize(size);
    return text;
}

// Replacements, insertions and deletions at random places.
std::string Edited(std::string text, std::mt19937_64& random) {
    for (int edit = 0; edit < Edits; ++edit) {
        const std::size_t at = random() % (text.size() - 100);
        switch (edit % 3) {
            case 0:
                text.replace(at, 5, "EDIT!");
                break;
            case 1:
                text.insert(at, "inserted words ");
                break;
            default:
                text.erase(at, 12);
                break;
        }
    }
    return text;
}

struct MakerRun {
    double seconds = 0;
    double peakMiB = 0;
    std::uintmax_t patchBytes = 0;
};

// Wall time, and the peak resident size as GNU time reports it from wait4.
std::optional<MakerRun> RunMaker(const std::string& maker, const std::string& work,
                                 const std::string& patch) {
    const std::string peakFile = work + "/peak";
    Shell("sync");
    std::printf("running %s (load average %s)\n", maker.c_str(), LoadAverage().c_str());
    std::fflush(stdout);
    const Clock::time_point start = Clock::now();
    if (!Shell("/usr/bin/time -f %M -o " + Quoted(peakFile) + " " + Quoted(maker) + " " +
               Quoted(work + "/old") + " " + Quoted(work + "/new") + " " + Quoted(patch)))
        return std::nullopt;
    const std::chrono::duration<double> seconds = Clock::now() - start;
    double peakKiB = 0;
    std::ifstream(peakFile) >> peakKiB;
    return MakerRun{seconds.count(), peakKiB / 1024, fs::file_size(patch)};
}

bool AppliesExactly(const std::string& work, const std::string& patch) {
    for (const std::string tool : {"/usr/bin/bspatch", FC_BSPATCH}) {
        const std::string result = work + "/result";
        if (!Shell(Quoted(tool) + " " + Quoted(work + "/old") + " " + Quoted(result) + " " + Quoted(patch)) ||
            !Shell("cmp -s " + Quoted(result) + " " + Quoted(work + "/new"))) {
            std::printf("%s did not give the new version from %s\n", tool.c_str(), patch.c_str());
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100;
    const char* base = std::getenv("TMPDIR");
    std::string work = std::string(base && *base ? base : "/tmp") + "/bench-patch-maker-XXXXXX";
    if (!mkdtemp(work.data())) return 1;

    std::mt19937_64 random(20);
    const std::string old = TextLike(mib << 20, random);
    std::ofstream(work + "/old", std::ios::binary) << old;
    std::ofstream(work + "/new", std::ios::binary) << Edited(old, random);
    std::printf("pair: old %ju bytes, new %ju bytes (text-like, %d scattered edits)\n",
                fs::file_size(work + "/old"), fs::file_size(work + "/new"), Edits);

    const std::optional<MakerRun> debian = RunMaker("/usr/bin/bsdiff", work, work + "/debian.patch");
    const std::optional<MakerRun> ours = RunMaker(FC_BSDIFF, work, work + "/ours.patch");
    int status = 1;
    if (debian && ours) {
        std::printf("Debian's bsdiff: %.2f s, peak %.1f MiB, patch %ju bytes\n", debian->seconds,
                    debian->peakMiB, debian->patchBytes);
        std::printf("ours:            %.2f s, peak %.1f MiB, patch %ju bytes\n", ours->seconds, ours->peakMiB,
                    ours->patchBytes);
        std::printf(
            "ratio ours / Debian's: time %.3f (goal <= 0.25), peak memory %.3f (goal <= 0.6), "
            "patch size %.4f (goal <= 1.02)\n",
            ours->seconds / debian->seconds, ours->peakMiB / debian->peakMiB,
            static_cast<double>(ours->patchBytes) / static_cast<double>(debian->patchBytes));
        const bool applied =
            AppliesExactly(work, work + "/debian.patch") && AppliesExactly(work, work + "/ours.patch");
        if (applied)
            std::printf("both patches give exactly the new version with Debian's bspatch and with ours\n");
        status = applied ? 0 : 1;
    } else {
        std::printf("a patch maker failed\n");
    }
    std::printf("load average afterwards: %s\n", LoadAverage().c_str());
    fs::remove_all(work);
    return status;
}
