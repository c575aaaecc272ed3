// Whole conversion runs with real files, the real patch tool (ours, and Debian's where a set may
// carry it instead) and small stand-ins for it that misbehave in the ways a patch tool can.
#include "core/conversion.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/core/support/fake_seams.h"
#include "tests/core/support/sample_bytes.h"
#include "tests/core/support/system_md5.h"
#include "tests/core/support/temp_dir.h"

namespace {

using testing::ElementsAre;
using testing::IsEmpty;
using testing::StartsWith;
using testing_support::FakeSeams;
using testing_support::ReadWholeFile;
using testing_support::SampleBytes;
using testing_support::TempDir;

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::set<std::string> Entries(const std::string& directory) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        names.insert(entry.path().filename().string());
    return names;
}

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

struct stat StatusOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info;
}

std::time_t LocalSeconds(int year, int month, int day, int hour, int minute, int second) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

std::vector<std::string> StatusTexts(const FakeSeams& fake) {
    std::vector<std::string> texts;
    for (const auto& call : fake.statuses) texts.push_back(call.text);
    return texts;
}

// Records each phase change together with how many status texts had been shown by then.
class RecordingLock : public core::ConversionLock {
  public:
    explicit RecordingLock(const FakeSeams& fake) : fake_(fake) {}
    void EnterConvertingPhase() override { events.emplace_back("enter", fake_.statuses.size()); }
    void LeaveConvertingPhase() override { events.emplace_back("leave", fake_.statuses.size()); }
    bool Entered() const { return !events.empty() && events.back().first == "enter"; }

    std::vector<std::pair<std::string, std::size_t>> events;

  private:
    const FakeSeams& fake_;
};

// A status line that lets a test act at the moment a text is shown.
class HookedStatus : public core::StatusLine {
  public:
    explicit HookedStatus(FakeSeams& fake) : fake_(fake) {}
    void SetStatus(const std::string& text, core::Colour colour, bool blinking) override {
        fake_.SetStatus(text, colour, blinking);
        if (onStatus) onStatus(text);
    }
    void ShowProgress(std::uint64_t done, std::uint64_t total) override { fake_.ShowProgress(done, total); }
    void HideProgress() override { fake_.HideProgress(); }
    std::function<void(const std::string&)> onStatus;

  private:
    FakeSeams& fake_;
};

// Lowers this process's file size limit while it lives: writes beyond the limit fail, and the
// signal that would end the process is ignored meanwhile.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) : previousHandler_(std::signal(SIGXFSZ, SIG_IGN)) {
        EXPECT_EQ(getrlimit(RLIMIT_FSIZE, &saved_), 0);
        const rlimit lowered{bytes, saved_.rlim_max};
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &lowered), 0);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit saved_{};
    void (*previousHandler_)(int);
};

class ConversionRun : public ::testing::Test {
  protected:
    void SetUp() override { UseExtractionDir(extraction.path()); }

    void UseExtractionDir(const std::string& directory) {
        std::filesystem::create_directories(directory);
        run.ExtractionDir = directory;
        std::filesystem::copy_file(patchTool, ToolPath(), std::filesystem::copy_options::overwrite_existing);
    }

    std::string ToolPath() const { return run.ExtractionDir + "/bspatch"; }
    std::string NewVersionPath() const { return scratch.File("new version"); }

    // Replaces the patch tool by a shell script; $NEW names a file holding the right result.
    void InstallFakeTool(const std::string& body) {
        std::ofstream(ToolPath(), std::ios::trunc)
            << "#!/bin/sh\nNEW=" << ShellQuoted(NewVersionPath()) << "\n"
            << body << "\n";
        std::filesystem::permissions(ToolPath(), std::filesystem::perms::owner_all);
    }

    // Makes the patch from the old to the new version with the real bsdiff and selects the new
    // version as the target, as the catalogue would describe it.
    void SelectNewVersion() {
        const std::string oldPath = scratch.Write("old version", oldBytes);
        scratch.Write("new version", newBytes);
        patch = run.ExtractionDir + "/game_1.0_2.0.bsdiff";
        const std::string command =
            "bsdiff " + ShellQuoted(oldPath) + " " + ShellQuoted(NewVersionPath()) + " " + ShellQuoted(patch);
        ASSERT_EQ(std::system(command.c_str()), 0);
        expectedMd5 = testing_support::SystemMd5Hex(NewVersionPath());
        ASSERT_FALSE(expectedMd5.empty());
    }

    std::string WriteSource(const std::string& name = "game.dat") {
        std::string path = work.Write(name, oldBytes);
        const timespec times[2] = {{0, UTIME_OMIT}, {LocalSeconds(2001, 2, 3, 4, 5, 7), 250}};
        EXPECT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
        return path;
    }

    // The request for the version SelectNewVersion made, as the window builds it at Convert.
    core::ConversionRequest Request(const std::string& source, const std::string& target,
                                    bool overwriteSource = false) const {
        return {.source = source,
                .target = target,
                .patch = patch,
                .expectedMd5 = expectedMd5,
                .timeStamp = timeStamp,
                .overwriteSource = overwriteSource};
    }

    bool Run(const core::ConversionRequest& request) {
        core::Seams seams{fake, fake, status, fake, fake};
        return core::RunConversion(request, {run, checksums, colours, seams, lock}, cancel);
    }

    // Overwrites the source with its own conversion, as the check box asks for.
    bool RunOverwritingSource(const std::string& source) { return Run(Request(source, "", true)); }

    void ExpectOnly(const std::string& directory, const std::set<std::string>& names) {
        EXPECT_EQ(Entries(directory), names) << directory;
    }

    void ExpectNoLeftovers(const std::set<std::string>& workNames) {
        ExpectOnly(work.path(), workNames);
        ExpectOnly(run.ExtractionDir, {"bspatch", "game_1.0_2.0.bsdiff"});
    }

    void ExpectUntouched(const std::string& path, const std::string& bytes, const timespec& modified) {
        EXPECT_EQ(ReadWholeFile(path), bytes);
        const timespec now = StatusOf(path).st_mtim;
        EXPECT_EQ(now.tv_sec, modified.tv_sec);
        EXPECT_EQ(now.tv_nsec, modified.tv_nsec);
    }

    std::string patchTool = FC_BSPATCH;
    TempDir work;
    TempDir extraction;
    TempDir scratch;
    FakeSeams fake;
    HookedStatus status{fake};
    RecordingLock lock{fake};
    core::CancelToken cancel;  // set where the window closes
    core::RunRegister run;
    core::ChecksumMemory checksums;
    const core::Colours colours{};
    // The chosen version, as SelectNewVersion makes it.
    std::string patch;
    std::string expectedMd5;
    core::ShortDosDateTime timeStamp = core::NoTimeStamp;
    const std::string oldBytes = SampleBytes(150000, 1);
    const std::string newBytes = oldBytes.substr(0, 90000) + SampleBytes(70001, 2);
};

TEST_F(ConversionRun, WritesANewTargetAndReportsSuccess) {
    const std::string source = WriteSource();
    SelectNewVersion();
    const std::string target = work.File("game_New.dat");

    EXPECT_TRUE(Run(Request(source, target)));

    EXPECT_EQ(ReadWholeFile(target), newBytes);
    EXPECT_EQ(ReadWholeFile(source), oldBytes);
    EXPECT_THAT(fake.errors, IsEmpty());
    EXPECT_THAT(fake.successes, ElementsAre("Conversion successful."));
    EXPECT_THAT(StatusTexts(fake), ElementsAre("Converting...", "Verifying...", "idle"));
    EXPECT_EQ(fake.statuses.front().colour, colours.FontStatusColor);
    EXPECT_TRUE(fake.statuses.front().blinking);
    EXPECT_EQ(fake.statuses.back().colour, colours.FontColor);
    EXPECT_FALSE(fake.statuses.back().blinking);
    EXPECT_FALSE(fake.busyCursor);
    ExpectNoLeftovers({"game.dat", "game_New.dat"});
}

TEST_F(ConversionRun, ReplacesAnExistingTargetAndKeepsItsPermissions) {
    const std::string source = WriteSource();
    SelectNewVersion();
    const std::string target = work.Write("old result.dat", "an older result");
    chmod(target.c_str(), 0600);

    EXPECT_TRUE(Run(Request(source, target)));

    EXPECT_EQ(ReadWholeFile(target), newBytes);
    EXPECT_EQ(StatusOf(target).st_mode & 07777, 0600u);
    EXPECT_THAT(fake.successes, ElementsAre("Conversion successful."));
    ExpectNoLeftovers({"game.dat", "old result.dat"});
}

TEST_F(ConversionRun, OverwritesTheSourceWithAVerifiedResult) {
    const std::string source = WriteSource();
    SelectNewVersion();

    EXPECT_TRUE(RunOverwritingSource(source));

    EXPECT_EQ(ReadWholeFile(source), newBytes);
    EXPECT_THAT(fake.errors, IsEmpty());
    EXPECT_THAT(fake.successes, ElementsAre("Conversion successful."));
    ExpectNoLeftovers({"game.dat"});
}

TEST_F(ConversionRun, StampsTheResultWithTheCatalogueTimeOrLeavesTheToolsTime) {
    const std::string source = WriteSource();
    SelectNewVersion();
    timeStamp = core::PackDosDateTime({2004, 7, 15, 13, 45, 32}).value();
    ASSERT_TRUE(Run(Request(source, work.File("stamped.dat"))));
    EXPECT_EQ(StatusOf(work.File("stamped.dat")).st_mtim.tv_sec, LocalSeconds(2004, 7, 15, 13, 45, 32));
    EXPECT_EQ(StatusOf(work.File("stamped.dat")).st_mtim.tv_nsec, 0);

    timeStamp = core::NoTimeStamp;
    const std::time_t before = std::time(nullptr);
    ASSERT_TRUE(Run(Request(source, work.File("unstamped.dat"))));
    EXPECT_GE(StatusOf(work.File("unstamped.dat")).st_mtim.tv_sec, before);
    EXPECT_THAT(fake.successes, ElementsAre("Conversion successful.", "Conversion successful."));
}

TEST_F(ConversionRun, HandsThePatchToolItsThreeFilesExactlyWhateverTheirNamesHold) {
    UseExtractionDir(extraction.File("temp folder"));
    std::filesystem::create_directory(work.File("my data"));
    const std::string source = WriteSource("my data/say \"hi\" 'there'.dat");
    SelectNewVersion();
    const std::string target = work.File("my data/say \"hi\" new.dat");
    const std::string record = scratch.File("arguments");
    // Records the argument count, the arguments, whether the copy holds the source's bytes,
    // whether the output is still to be made and who may enter its directory; then writes the
    // right result.
    InstallFakeTool("{ echo $#; printf '%s\\n' \"$@\"; cmp -s \"$1\" " + ShellQuoted(source) +
                    " && echo copy-ok; test ! -e \"$2\" && echo fresh; stat -c %a \"${2%/*}\"; } > " +
                    ShellQuoted(record) + "\ncp \"$NEW\" \"$2\"");
    const core::ConversionRequest request = Request(source, target);

    EXPECT_TRUE(Run(request));

    const std::vector<std::string> lines = Lines(record);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "3");
    EXPECT_EQ(lines[1], core::TemporaryCopyPath(run.ExtractionDir, source));
    EXPECT_EQ(lines[1], extraction.File("temp folder/say \"hi\" 'there'.dat.tmp"));
    const std::filesystem::path output(lines[2]);
    EXPECT_EQ(output.parent_path().parent_path(), work.File("my data"));
    EXPECT_EQ(output.parent_path().filename().string().front(), '.');
    EXPECT_EQ(output.filename(), "say \"hi\" new.dat");
    EXPECT_EQ(lines[3], patch);
    EXPECT_EQ(lines[4], "copy-ok");
    EXPECT_EQ(lines[5], "fresh");
    EXPECT_EQ(lines[6], "700");
    EXPECT_EQ(ReadWholeFile(target), newBytes);
    EXPECT_THAT(fake.successes, ElementsAre("Conversion successful."));
    ExpectOnly(work.File("my data"), {"say \"hi\" 'there'.dat", "say \"hi\" new.dat"});
}

// The runs that depend on what the real tool does, with each tool a patch set may carry.
class ConversionWithEitherTool : public ConversionRun, public ::testing::WithParamInterface<const char*> {
  protected:
    void SetUp() override {
        patchTool = GetParam();
        ConversionRun::SetUp();
    }
};

INSTANTIATE_TEST_SUITE_P(Tools, ConversionWithEitherTool, ::testing::Values(FC_BSPATCH, "/usr/bin/bspatch"),
                         [](const ::testing::TestParamInfo<const char*>& tool) {
                             return std::string(tool.index == 0 ? "Ours" : "Debians");
                         });

TEST_P(ConversionWithEitherTool, TheRealToolWorksWithBlanksAndQuotesInEveryPath) {
    UseExtractionDir(extraction.File("temp folder"));
    const std::string source = WriteSource("a \"quoted\" name.dat");
    SelectNewVersion();
    const std::string target = work.File("a \"quoted\" name_New.dat");

    EXPECT_TRUE(Run(Request(source, target)));

    EXPECT_EQ(ReadWholeFile(target), newBytes);
    EXPECT_THAT(fake.errors, IsEmpty());
    EXPECT_THAT(fake.successes, ElementsAre("Conversion successful."));
}

TEST_F(ConversionRun, HoldsTheLockAndTheBusyCursorWhileCopyingAndPatchingOnly) {
    const std::string source = WriteSource();
    SelectNewVersion();
    std::vector<std::pair<bool, bool>> duringCopy;  // lock entered, busy cursor, at each step of work
    fake.onStep = [&](int) {
        if (StatusTexts(fake) == std::vector<std::string>{"Converting..."})
            duringCopy.emplace_back(lock.Entered(), fake.busyCursor);
    };

    ASSERT_TRUE(RunOverwritingSource(source));

    using Event = std::pair<std::string, std::size_t>;
    EXPECT_THAT(lock.events, ElementsAre(Event{"enter", 0}, Event{"leave", 1}));
    ASSERT_FALSE(duringCopy.empty());
    for (const auto& [entered, busy] : duringCopy) {
        EXPECT_TRUE(entered);
        EXPECT_TRUE(busy);
    }
    EXPECT_FALSE(fake.busyCursor);
}

TEST_F(ConversionRun, ACopyThatFailsIsReportedAndTheToolIsNotRun) {
    const std::string source = WriteSource();
    SelectNewVersion();
    const std::string temporaryCopy = run.ExtractionDir + "/game.dat.tmp";
    std::filesystem::create_directory(temporaryCopy);
    InstallFakeTool("touch " + ShellQuoted(scratch.File("tool ran")));

    EXPECT_FALSE(Run(Request(source, work.File("game_New.dat"))));

    EXPECT_THAT(fake.errors, ElementsAre("Could not copy to temp file:\r" + temporaryCopy));
    EXPECT_FALSE(std::filesystem::exists(scratch.File("tool ran")));
    EXPECT_EQ(fake.statuses.back().text, "idle");
    EXPECT_EQ(fake.statuses.back().colour, colours.FontColor);
    EXPECT_FALSE(fake.statuses.back().blinking);
    EXPECT_EQ(lock.events.size(), 2u);
    EXPECT_FALSE(fake.busyCursor);
    ExpectOnly(work.path(), {"game.dat"});
}

TEST_F(ConversionRun, ACopyThatFailsPartWayLeavesTheSourceAloneAndRunsNoTool) {
    const std::string source = WriteSource();
    const timespec modified = StatusOf(source).st_mtim;
    SelectNewVersion();
    InstallFakeTool("touch " + ShellQuoted(scratch.File("tool ran")));
    {
        const FileSizeLimit limit(100000);  // room for the first 64 KiB block only
        EXPECT_FALSE(RunOverwritingSource(source));
    }
    EXPECT_THAT(fake.errors,
                ElementsAre("Could not copy to temp file:\r" + run.ExtractionDir + "/game.dat.tmp"));
    EXPECT_EQ(fake.steps, 2);  // the block after the failed one is still attempted
    EXPECT_FALSE(std::filesystem::exists(scratch.File("tool ran")));
    ExpectUntouched(source, oldBytes, modified);
    ExpectNoLeftovers({"game.dat"});
}

TEST_F(ConversionRun, AResultThatCannotBeFlushedToTheDiskReplacesNothing) {
    const std::string source = WriteSource();
    SelectNewVersion();
    expectedMd5.clear();
    InstallFakeTool("rm -f \"$2\"\nmkfifo \"$2\"");

    EXPECT_TRUE(Run(Request(source, work.File("game_New.dat"))));

    EXPECT_THAT(fake.errors, ElementsAre("Conversion failed"));
    EXPECT_THAT(fake.errorReasons, ElementsAre(work.File("game_New.dat") + ": Invalid argument"));
    ExpectNoLeftovers({"game.dat"});
}

TEST_F(ConversionRun, ATargetThatCannotBeWrittenFailsWithoutRunningTheTool) {
    const std::string source = WriteSource();
    SelectNewVersion();
    InstallFakeTool("touch " + ShellQuoted(scratch.File("tool ran")));

    EXPECT_TRUE(Run(Request(source, work.File("no such folder/new.dat"))));

    EXPECT_THAT(fake.errors, ElementsAre("Conversion failed"));
    EXPECT_THAT(fake.errorReasons,
                ElementsAre(work.File("no such folder/new.dat") + ": No such file or directory"));
    EXPECT_FALSE(std::filesystem::exists(scratch.File("tool ran")));
    ExpectNoLeftovers({"game.dat"});
}

TEST_F(ConversionRun, ADirectoryAtTheTargetPathIsNeitherReplacedNorLeftWithLitter) {
    const std::string source = WriteSource();
    SelectNewVersion();
    std::filesystem::create_directory(work.File("folder.dat"));

    EXPECT_TRUE(Run(Request(source, work.File("folder.dat"))));

    EXPECT_THAT(fake.errors, ElementsAre("Conversion failed"));
    EXPECT_THAT(fake.errorReasons, ElementsAre(work.File("folder.dat") + ": Is a directory"));
    EXPECT_TRUE(std::filesystem::is_empty(work.File("folder.dat")));
    ExpectNoLeftovers({"game.dat", "folder.dat"});
}

TEST_F(ConversionRun, AnUnverifiedResultIsKeptWhereNoFileStoodBefore) {
    const std::string source = WriteSource();
    SelectNewVersion();
    expectedMd5 = "00112233445566778899aabbccddeeff";
    const std::string target = work.File("game_New.dat");

    EXPECT_TRUE(Run(Request(source, target)));

    EXPECT_EQ(ReadWholeFile(target), newBytes);
    EXPECT_THAT(fake.errors, ElementsAre("md5 verification failed"));
    EXPECT_THAT(fake.successes, IsEmpty());
    ExpectNoLeftovers({"game.dat", "game_New.dat"});
}

TEST_F(ConversionRun, AnUnverifiedResultLeavesAnExistingTargetExactlyAsItWas) {
    const std::string source = WriteSource();
    SelectNewVersion();
    expectedMd5 = "00112233445566778899aabbccddeeff";
    timeStamp = core::PackDosDateTime({2004, 7, 15, 13, 45, 32}).value();
    const std::string target = work.Write("kept.dat", "the user's own file");
    const timespec modified = StatusOf(target).st_mtim;

    EXPECT_TRUE(Run(Request(source, target)));

    ExpectUntouched(target, "the user's own file", modified);
    EXPECT_THAT(fake.errors, ElementsAre("md5 verification failed"));
    ExpectNoLeftovers({"game.dat", "kept.dat"});
}

TEST_F(ConversionRun, AResultThatCannotBeSummedNeverMatchesEvenAnEmptyCatalogueChecksum) {
    const std::string source = WriteSource();
    SelectNewVersion();
    expectedMd5.clear();
    // Another holder locks the result just before it is summed.
    std::vector<int> held;
    status.onStatus = [&](const std::string& text) {
        if (text != "Verifying...") return;
        for (const std::string& name : Entries(work.path())) {
            if (name.front() != '.') continue;
            const int fd = open(work.File(name).c_str(), O_RDONLY | O_CLOEXEC);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
            held.push_back(fd);
        }
    };

    EXPECT_TRUE(Run(Request(source, work.File("game_New.dat"))));
    for (const int fd : held) close(fd);

    EXPECT_EQ(held.size(), 1u);  // the tool's output
    EXPECT_THAT(fake.errors, ElementsAre("md5 verification failed"));
    EXPECT_THAT(fake.successes, IsEmpty());
    ExpectNoLeftovers({"game.dat", "game_New.dat"});
}

TEST_F(ConversionRun, ClosingTheWindowDuringVerificationSuppressesEveryResultMessage) {
    const std::string source = WriteSource();
    const timespec modified = StatusOf(source).st_mtim;
    SelectNewVersion();
    fake.onStep = [&](int) {
        if (fake.statuses.back().text == "Verifying...") cancel.Cancel();
    };

    EXPECT_TRUE(RunOverwritingSource(source));

    EXPECT_THAT(fake.errors, IsEmpty());
    EXPECT_THAT(fake.successes, IsEmpty());
    ExpectUntouched(source, oldBytes, modified);
    ExpectNoLeftovers({"game.dat"});
}

TEST_F(ConversionRun, AToolThatExitsWithOneButWritesTheRightResultStillSucceeds) {
    const std::string source = WriteSource();
    SelectNewVersion();
    InstallFakeTool("cp \"$NEW\" \"$2\"\nexit 1");

    EXPECT_TRUE(RunOverwritingSource(source));

    EXPECT_THAT(fake.errors, ElementsAre(ToolPath() + "\rreturned exit code 1"));
    EXPECT_THAT(fake.successes, ElementsAre("Conversion successful."));
    EXPECT_EQ(ReadWholeFile(source), newBytes);
    ExpectNoLeftovers({"game.dat"});
}

TEST_P(ConversionWithEitherTool, TheRealToolFailingOnADamagedPatchLeavesTheSourceAlone) {
    const std::string source = WriteSource();
    const timespec modified = StatusOf(source).st_mtim;
    SelectNewVersion();
    std::filesystem::resize_file(patch, 40);

    EXPECT_TRUE(RunOverwritingSource(source));

    EXPECT_THAT(fake.errors, ElementsAre(ToolPath() + "\rreturned exit code 1", "Conversion failed"));
    // Both boxes give the tool's own words as their reason.
    const std::string words =
        std::string(GetParam()) == FC_BSPATCH ? "bspatch: damaged patch" : "bspatch: Corrupt patch";
    EXPECT_THAT(fake.errorReasons, ElementsAre(StartsWith(words), StartsWith(words)));
    ExpectUntouched(source, oldBytes, modified);
    ExpectNoLeftovers({"game.dat"});
}

TEST_F(ConversionRun, AToolThatCannotBeStartedIsReportedAndChangesNothing) {
    const std::string source = WriteSource();
    const timespec modified = StatusOf(source).st_mtim;
    SelectNewVersion();
    const auto expectNotStarted = [&](const std::set<std::string>& extractionNames) {
        fake.errors.clear();
        EXPECT_FALSE(RunOverwritingSource(source));
        EXPECT_THAT(fake.errors, ElementsAre("Could not execute\r" + ToolPath()));
        EXPECT_EQ(fake.statuses.back().text, "idle");
        ExpectUntouched(source, oldBytes, modified);
        ExpectOnly(work.path(), {"game.dat"});
        ExpectOnly(run.ExtractionDir, extractionNames);
    };

    std::filesystem::rename(ToolPath(), scratch.File("moved tool"));
    expectNotStarted({"game_1.0_2.0.bsdiff"});

    std::filesystem::rename(scratch.File("moved tool"), ToolPath());
    std::filesystem::permissions(ToolPath(),
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    expectNotStarted({"bspatch", "game_1.0_2.0.bsdiff"});
}

// ---- Nothing the user was not asked about is replaced -----------------------------------------

struct StandingEntry {
    std::string name;
    std::function<std::string(const TempDir&)> make;  // makes the entry, returns the target path
};

// Test listings show the case's name rather than its bytes.
void PrintTo(const StandingEntry& entry, std::ostream* out) { *out << entry.name; }

class ExistingTargetRun : public ConversionRun, public ::testing::WithParamInterface<StandingEntry> {};

// Whatever stands at the target path itself is asked about, whatever its date or name.
TEST_P(ExistingTargetRun, IsAskedAboutAndKeptOnNo) {
    const std::string source = WriteSource();
    SelectNewVersion();
    const std::string target = GetParam().make(work);
    const std::set<std::string> before = Entries(work.path());
    fake.answerYes = false;

    EXPECT_FALSE(Run(Request(source, target)));

    EXPECT_THAT(fake.questions, ElementsAre("Overwrite existing file:\r" + target));
    EXPECT_EQ(Entries(work.path()), before);
    EXPECT_THAT(lock.events, IsEmpty());
    EXPECT_THAT(fake.errors, IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Targets, ExistingTargetRun,
    ::testing::Values(StandingEntry{"DatedBefore1980",
                                    [](const TempDir& dir) {
                                        std::string path = dir.Write("old.bin", "old content");
                                        const timespec epoch[2] = {{0, UTIME_OMIT}, {0, 0}};
                                        utimensat(AT_FDCWD, path.c_str(), epoch, 0);
                                        return path;
                                    }},
                      StandingEntry{"DatedAfter2107",
                                    [](const TempDir& dir) {
                                        std::string path = dir.Write("future.bin", "future content");
                                        const timespec later[2] = {{0, UTIME_OMIT}, {4'500'000'000, 0}};
                                        utimensat(AT_FDCWD, path.c_str(), later, 0);
                                        return path;
                                    }},
                      StandingEntry{"NamedWithWildcardsBesideADirectory",
                                    [](const TempDir& dir) {
                                        std::filesystem::create_directory(dir.File("a0b.bin"));
                                        return dir.Write("a?b.bin", "question mark");
                                    }},
                      StandingEntry{"DanglingLink",
                                    [](const TempDir& dir) {
                                        std::filesystem::create_symlink("nowhere.bin", dir.File("link.bin"));
                                        return dir.File("link.bin");
                                    }}),
    [](const ::testing::TestParamInfo<StandingEntry>& entry) { return entry.param.name; });

TEST_F(ConversionRun, AFileThatAppearsAtTheTargetDuringTheRunIsNotReplaced) {
    const std::string source = WriteSource();
    SelectNewVersion();
    const std::string target = work.File("game_New.dat");
    InstallFakeTool("printf 'not asked about' > " + ShellQuoted(target) + "\ncp \"$NEW\" \"$2\"");

    EXPECT_TRUE(Run(Request(source, target)));

    EXPECT_THAT(fake.questions, IsEmpty());
    EXPECT_EQ(ReadWholeFile(target), "not asked about");
    EXPECT_THAT(fake.errors, ElementsAre("Conversion failed"));
    EXPECT_THAT(fake.errorReasons, ElementsAre(target + ": File exists"));
    ExpectNoLeftovers({"game.dat", "game_New.dat"});
}

// ---- The private directory's contents are not trusted ------------------------------------------

TEST_F(ConversionRun, APlantedLinkAtTheTemporaryCopyIsReplacedNotWrittenThrough) {
    const std::string source = WriteSource();
    SelectNewVersion();
    const std::string outside = scratch.Write("outside.dat", "not to be written");
    std::filesystem::create_symlink(outside, run.ExtractionDir + "/game.dat.tmp");

    EXPECT_TRUE(Run(Request(source, work.File("game_New.dat"))));

    EXPECT_EQ(ReadWholeFile(outside), "not to be written");
    EXPECT_EQ(ReadWholeFile(work.File("game_New.dat")), newBytes);
    EXPECT_THAT(fake.successes, ElementsAre("Conversion successful."));
    ExpectNoLeftovers({"game.dat", "game_New.dat"});
}

// ---- Who owns the result -----------------------------------------------------------------------

TEST_F(ConversionRun, ANewTargetTakesTheSourcesPermissionBits) {
    const std::string source = WriteSource();
    SelectNewVersion();
    for (const mode_t mode : {0600, 0750, 0644}) {
        ASSERT_EQ(chmod(source.c_str(), mode), 0);
        const std::string target = work.File("new " + std::to_string(mode));
        ASSERT_TRUE(Run(Request(source, target)));
        EXPECT_EQ(StatusOf(target).st_mode & 07777, mode) << std::oct << mode;
    }
}

TEST_F(ConversionRun, AReplacedFileKeepsItsOwnerAndGroupWhereTheProcessMaySetThem) {
    if (geteuid() != 0) GTEST_SKIP() << "only a privileged process may give a file to another owner";
    constexpr uid_t Nobody = 65534;
    const std::string source = WriteSource();
    SelectNewVersion();
    const std::string target = work.Write("users file.dat", "the user's old version");
    ASSERT_EQ(chown(target.c_str(), Nobody, Nobody), 0);
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);

    EXPECT_TRUE(Run(Request(source, target)));

    EXPECT_EQ(ReadWholeFile(target), newBytes);
    EXPECT_EQ(StatusOf(target).st_uid, Nobody);
    EXPECT_EQ(StatusOf(target).st_gid, Nobody);
    EXPECT_EQ(StatusOf(target).st_mode & 07777, 0640u);
}

TEST_F(ConversionRun, ALinkAsTargetIsWrittenThroughAndStays) {
    const std::string source = WriteSource();
    SelectNewVersion();
    std::filesystem::create_directory(scratch.File("real"));
    const std::string pointed = scratch.Write("real/result.dat", "an older result");
    std::filesystem::create_symlink("real/result.dat", scratch.File("relative link"));
    std::filesystem::create_symlink(scratch.File("relative link"), work.File("link.dat"));

    EXPECT_TRUE(Run(Request(source, work.File("link.dat"))));

    EXPECT_THAT(fake.questions, ElementsAre("Overwrite existing file:\r" + work.File("link.dat")));
    EXPECT_TRUE(std::filesystem::is_symlink(work.File("link.dat")));
    EXPECT_TRUE(std::filesystem::is_symlink(scratch.File("relative link")));
    EXPECT_EQ(ReadWholeFile(pointed), newBytes);
    EXPECT_EQ(Entries(scratch.File("real")), std::set<std::string>{"result.dat"});
    EXPECT_THAT(fake.successes, ElementsAre("Conversion successful."));
}

TEST_F(ConversionRun, ALoopOfLinksAsTargetFailsWithoutRunningTheTool) {
    const std::string source = WriteSource();
    SelectNewVersion();
    InstallFakeTool("touch " + ShellQuoted(scratch.File("tool ran")));
    std::filesystem::create_symlink("loop b", work.File("loop a"));
    std::filesystem::create_symlink("loop a", work.File("loop b"));

    EXPECT_TRUE(Run(Request(source, work.File("loop a"))));

    EXPECT_THAT(fake.errors, ElementsAre("Conversion failed"));
    EXPECT_THAT(fake.errorReasons, ElementsAre(work.File("loop a") + ": Too many levels of symbolic links"));
    EXPECT_FALSE(std::filesystem::exists(scratch.File("tool ran")));
    ExpectNoLeftovers({"game.dat", "loop a", "loop b"});
}

struct MisbehavingTool {
    std::string name;
    std::string script;
    std::string exitCode;  // empty when the tool exits with 0
    std::string finalMessage;
};

void PrintTo(const MisbehavingTool& tool, std::ostream* out) { *out << tool.name; }

class MisbehavingToolRun : public ConversionRun, public ::testing::WithParamInterface<MisbehavingTool> {};

TEST_P(MisbehavingToolRun, LeavesTheOverwrittenSourceExactlyAsItWas) {
    const std::string source = WriteSource();
    const timespec modified = StatusOf(source).st_mtim;
    SelectNewVersion();
    InstallFakeTool(GetParam().script);

    EXPECT_TRUE(RunOverwritingSource(source));

    std::vector<std::string> expected;
    if (!GetParam().exitCode.empty())
        expected.push_back(ToolPath() + "\rreturned exit code " + GetParam().exitCode);
    expected.push_back(GetParam().finalMessage);
    EXPECT_EQ(fake.errors, expected);
    EXPECT_THAT(fake.successes, IsEmpty());
    ExpectUntouched(source, oldBytes, modified);
    ExpectNoLeftovers({"game.dat"});
}

INSTANTIATE_TEST_SUITE_P(
    PatchTools, MisbehavingToolRun,
    ::testing::Values(
        MisbehavingTool{"ExitsOneLeavingNothing", "rm -f \"$2\"\nexit 1", "1", "Conversion failed"},
        MisbehavingTool{"WritesHalfTheResult", "head -c 80000 \"$NEW\" > \"$2\"", "",
                        "md5 verification failed"},
        MisbehavingTool{"WritesWrongBytes", "printf 'wrong' > \"$2\"", "", "md5 verification failed"},
        MisbehavingTool{"IsKilledBySignalBeforeWriting", "kill -9 $$", "137", "Conversion failed"},
        MisbehavingTool{"DatesItsResultBefore1980", "cp \"$NEW\" \"$2\"\ntouch -d 1975-01-01 \"$2\"", "",
                        "Conversion failed"}),
    [](const ::testing::TestParamInfo<MisbehavingTool>& tool) { return tool.param.name; });

}  // namespace
