// `check` on a good set and on copies of it broken on purpose, one fault each.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "core/text.h"
#include "tests/core/support/sample_bytes.h"
#include "tests/core/support/shell_command.h"
#include "tests/core/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using testing_support::ReadWholeFile;
using testing_support::TempDir;

using CheckRun = testing_support::ShellResult;

CheckRun Check(const std::string& arguments) {
    return testing_support::RunShellCommand(std::string(FC_PACK_TOOL) + " check " + arguments);
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

void WriteWholeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// The catalogue text with the first occurrence of `from` replaced.
void EditCatalogue(const std::string& set, const std::string& from, const std::string& to) {
    const std::string path = set + "/patchinfo.ini";
    std::string text = ReadWholeFile(path);
    const auto at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    WriteWholeFile(path, text);
}

// A good set of three versions, built by the tool and unpacked into set/.
class CheckCommand : public ::testing::Test {
  public:
    void SetUp() override {
        fs::create_directory(dir.File("versions"));
        const std::string v1 = testing_support::SampleBytes(30000, 7);
        const std::string v2 = v1.substr(0, 20000) + testing_support::SampleBytes(3000, 8);
        dir.Write("versions/v1", v1);
        dir.Write("versions/v2", v2);
        dir.Write("versions/v3", "the end of " + v2);
        const std::string build =
            "cd " + Quoted(dir.path()) + " && " + FC_PACK_TOOL +
            " build out --name 'My letter.txt' '1.0 beta=versions/v1' "
            "2.0=versions/v2 3.0=versions/v3 --describe '2.0=the second' >/dev/null 2>&1 && "
            "mkdir set && out/'My letter.sfx' -overwrite set";
        ASSERT_EQ(std::system(build.c_str()), 0);
        set = dir.File("set");
        md5Of2 = Md5Line("2.0");
    }

    // The md5 line of a version's section.
    std::string Md5Line(const std::string& version) const {
        const std::string text = ReadWholeFile(set + "/patchinfo.ini");
        const auto section = text.find(version + "]");
        const auto line = text.find("md5=", section);
        return text.substr(line, text.find('\r', line) - line);
    }

    TempDir dir;
    std::string set;
    std::string md5Of2;
};

TEST_F(CheckCommand, AGoodSetPassesAsArchiveAsDirectoryAndWhenApplied) {
    for (const std::string& target : {dir.File("out/My letter.sfx"), set}) {
        const CheckRun run = Check(Quoted(target));
        EXPECT_EQ(run.status, 0) << run.output;
        EXPECT_THAT(run.output, HasSubstr("check: no problems found"));
    }
    const CheckRun applied = Check(Quoted(set) + " --apply " + Quoted(dir.File("versions")));
    EXPECT_EQ(applied.status, 0) << applied.output;
    EXPECT_THAT(applied.output, ::testing::Not(HasSubstr("note:")));
}

struct FaultCase {
    const char* name;
    std::function<void(CheckCommand&)> breakSet;
    const char* report;
};

class BrokenSet : public CheckCommand, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(BrokenSet, IsReportedInPlainWordsWithStatusOne) {
    GetParam().breakSet(*this);
    const CheckRun run = Check(Quoted(set));
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_THAT(run.output, HasSubstr(GetParam().report));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BrokenSet,
    ::testing::Values(FaultCase{"APatchNamedInTheWrongCase",
                                [](CheckCommand& c) {
                                    fs::rename(c.set + "/my letter_2.0_3.0.bsdiff",
                                               c.set + "/My letter_2.0_3.0.bsdiff");
                                },
                                "the patch My letter_2.0_3.0.bsdiff is one no version can use"},
                      FaultCase{"AMissingPatch",
                                [](CheckCommand& c) { fs::remove(c.set + "/my letter_3.0_1.0 beta.bsdiff"); },
                                "the patch from My letter.txt \"3.0\" to \"1.0 beta\" is missing"},
                      FaultCase{"TwoVersionsWithTheSameMd5",
                                [](CheckCommand& c) { EditCatalogue(c.set, c.Md5Line("3.0"), c.md5Of2); },
                                "My letter.txt \"2.0\" and My letter.txt \"3.0\" have the same md5"},
                      FaultCase{"AnMd5ThatIsNot32HexadecimalDigits",
                                [](CheckCommand& c) {
                                    EditCatalogue(c.set, c.md5Of2,
                                                  c.md5Of2.substr(0, c.md5Of2.size() - 1) + "g");
                                },
                                "is not 32 hexadecimal digits"},
                      FaultCase{"ATimeStampThatDoesNotRead",
                                [](CheckCommand& c) {
                                    EditCatalogue(c.set, "TimeStamp=", "TimeStamp=13/01/2004 10:00:00\r\n;");
                                },
                                "the TimeStamp \"13/01/2004 10:00:00\" does not read"},
                      FaultCase{"AKeyLineAfterDescription2",
                                [](CheckCommand& c) {
                                    EditCatalogue(c.set, "Description2=\"the second\"",
                                                  "Description2=\"the second\"\r\nDescription1=late");
                                },
                                "\"Description1=late\" stands after Description2"},
                      FaultCase{"AHeaderWithAnEmptyVersion",
                                [](CheckCommand& c) {
                                    EditCatalogue(c.set, "[\"My letter.txt\" 3.0]", "[\"My letter.txt\"]");
                                },
                                "the section header [\"My letter.txt\"] gives an empty version"},
                      FaultCase{"BareLineFeeds",
                                [](CheckCommand& c) {
                                    std::string text = ReadWholeFile(c.set + "/patchinfo.ini");
                                    core::ReplaceText(text, "\r\n", true, "\n");
                                    WriteWholeFile(c.set + "/patchinfo.ini", text);
                                },
                                "separates lines with bare line feeds"},
                      FaultCase{"NoPatchTool", [](CheckCommand& c) { fs::remove(c.set + "/bspatch"); },
                                "no runnable bspatch"},
                      FaultCase{"NoCatalogue", [](CheckCommand& c) { fs::remove(c.set + "/patchinfo.ini"); },
                                "no readable patchinfo.ini"},
                      // Neither may hold the check: a FIFO without a writer, or bytes without end.
                      FaultCase{"ACatalogueThatIsAFifo",
                                [](CheckCommand& c) {
                                    fs::remove(c.set + "/patchinfo.ini");
                                    ASSERT_EQ(mkfifo((c.set + "/patchinfo.ini").c_str(), 0600), 0);
                                },
                                "no readable patchinfo.ini"},
                      FaultCase{"ACatalogueLinkedToDevZero",
                                [](CheckCommand& c) {
                                    fs::remove(c.set + "/patchinfo.ini");
                                    fs::create_symlink("/dev/zero", c.set + "/patchinfo.ini");
                                },
                                "no readable patchinfo.ini"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(CheckCommand, ApplyingFindsAPatchThatLeadsToTheWrongFile) {
    fs::copy_file(set + "/my letter_1.0 beta_2.0.bsdiff", set + "/my letter_1.0 beta_3.0.bsdiff",
                  fs::copy_options::overwrite_existing);
    EXPECT_EQ(Check(Quoted(set)).status, 0) << "the names alone are right";
    const CheckRun run = Check(Quoted(set) + " --apply " + Quoted(dir.File("versions")));
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_THAT(run.output, HasSubstr("the patch my letter_1.0 beta_3.0.bsdiff turns"));
    EXPECT_THAT(run.output, HasSubstr("not My letter.txt \"3.0\"'s"));
}

TEST_F(CheckCommand, AVersionWithoutAFileIsANoteNotAFault) {
    fs::remove(dir.File("versions/v3"));
    const CheckRun run = Check(Quoted(set) + " --apply " + Quoted(dir.File("versions")));
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_THAT(run.output, HasSubstr("note: no file in"));
}

// A missing patch is reported once for the version it should leave, with how many are missing.
TEST_F(CheckCommand, MissingPatchesAreCountedOncePerVersion) {
    fs::remove(set + "/my letter_3.0_1.0 beta.bsdiff");
    fs::remove(set + "/my letter_3.0_2.0.bsdiff");
    const CheckRun run = Check(Quoted(set));
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_THAT(run.output,
                HasSubstr("2 patches from My letter.txt \"3.0\" are missing, the first to \"1.0 beta\""));
    EXPECT_THAT(run.output, HasSubstr("check: 1 problem in"));
}

// A set made by hand records no plan: only the patches it has are judged, and a version that no
// patch leaves or reaches is a note, which leaves the status alone.
TEST_F(CheckCommand, ASetWithoutAPlanIsJudgedByThePatchesItHas) {
    EditCatalogue(set, "; Patches: every ordered pair of versions", "; made by hand");
    for (const char* patch : {"1.0 beta_3.0", "2.0_1.0 beta", "3.0_1.0 beta", "3.0_2.0"})
        fs::remove(set + "/my letter_" + patch + ".bsdiff");
    CheckRun run = Check(Quoted(set));
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_THAT(run.output, ::testing::Not(HasSubstr("note:")));

    fs::remove(set + "/my letter_2.0_3.0.bsdiff");
    run = Check(Quoted(set));
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_THAT(run.output, HasSubstr("note: My letter.txt \"3.0\" has no patch from or to it"));
}

// Interrupted while a patch is applied: the patch tool is stopped, and the private directory
// for the results is gone.
TEST_F(CheckCommand, AnInterruptedCheckStopsThePatchToolAndLeavesNothing) {
    fs::create_directory(dir.File("tmp"));
    const std::string started = dir.File("started");
    WriteWholeFile(set + "/bspatch", "#!/bin/sh\necho $$ >'" + started + "'\nexec sleep 60\n");
    // Starts the check, waits (up to 30 s) until the patch tool runs, then interrupts the check.
    const CheckRun run = testing_support::RunShellCommand(
        "TMPDIR=" + Quoted(dir.File("tmp")) + " " + FC_PACK_TOOL + " check " + Quoted(set) + " --apply " +
        Quoted(dir.File("versions")) + " & pid=$!; n=0; until [ -s " + Quoted(started) +
        " ] || [ $n -ge 600 ]; do sleep 0.05; n=$((n+1)); done; kill -TERM $pid; wait $pid; echo \"status "
        "$?\"");
    EXPECT_THAT(run.output, HasSubstr("status 143"));
    EXPECT_THAT(run.output, ::testing::Not(HasSubstr("check:")));
    const std::string patchToolPid = ReadWholeFile(started);
    ASSERT_FALSE(patchToolPid.empty());
    EXPECT_FALSE(fs::exists("/proc/" + patchToolPid.substr(0, patchToolPid.find('\n'))))
        << "the patch tool outlived the check";
    EXPECT_TRUE(fs::is_empty(dir.File("tmp")));
}

// Interrupted while it sums a version file far too large to finish: the check ends at once.
TEST_F(CheckCommand, AnInterruptedCheckStopsSummingAFile) {
    const std::string large = dir.File("versions/large");
    std::filesystem::resize_file(dir.Write("versions/large", ""), std::uintmax_t{1} << 40);
    // Waits (up to 30 s) until the check has the file open, interrupts it, and gives it 30 s to end.
    const CheckRun run = testing_support::RunShellCommand(
        std::string(FC_PACK_TOOL) + " check " + Quoted(set) + " --apply " + Quoted(dir.File("versions")) +
        " & pid=$!; n=0; until ls -l /proc/$pid/fd 2>/dev/null | grep -q " + Quoted(large) +
        " || [ $n -ge 600 ]; do sleep 0.05; n=$((n+1)); done; kill -TERM $pid; "
        "(sleep 30; kill -KILL $pid) >/dev/null 2>&1 & guard=$!; wait $pid; echo \"status $?\"; kill $guard "
        "2>/dev/null");
    // 137 would be the guard's kill: the check went on summing.
    EXPECT_THAT(run.output, HasSubstr("status 143"));
}

TEST(CheckRefuses, ASetThatIsNeitherArchiveNorDirectory) {
    const CheckRun run = Check("/nonexistent/set.sfx");
    EXPECT_EQ(run.status, 2) << run.output;
}

}  // namespace
