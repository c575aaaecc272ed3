#include "core/errors.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/core/support/fake_seams.h"
#include "tests/core/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ProgramExited;

// Records what the surroundings looked like at the moment a box appeared.
class BoxWitness : public testing_support::FakeSeams {
  public:
    void ShowErrorBox(const std::string& message, const std::string& reason) override {
        busyAtBox = busyCursor;
        disabledAtBox = windowDisabled;
        directoryAtBox = !watchedDirectory.empty() && fs::exists(watchedDirectory);
        FakeSeams::ShowErrorBox(message, reason);
    }
    std::string watchedDirectory;
    bool busyAtBox = true, disabledAtBox = false, directoryAtBox = false;
};

TEST(ShowError, RestoresTheCursorBeforeTheBox) {
    BoxWitness seams;
    seams.busyCursor = true;
    auto bundle = seams.Bundle();
    core::ShowError(bundle, "Could not open file:\r/x");
    EXPECT_EQ(seams.errors, std::vector<std::string>{"Could not open file:\r/x"});
    EXPECT_FALSE(seams.busyAtBox);
    EXPECT_FALSE(seams.windowDisabled);
}

TEST(FatalError, DisablesShowsRemovesAndExitsWithTwo) {
    testing_support::TempDir dir;
    core::RunRegister run;
    run.ExtractionDir = dir.File("extracted");
    fs::create_directory(run.ExtractionDir);
    dir.Write("extracted/patchinfo.ini", "x");
    BoxWitness seams;
    seams.busyCursor = true;
    seams.watchedDirectory = run.ExtractionDir;
    auto bundle = seams.Bundle();

    try {
        core::FatalError(bundle, run, "boom", true);
        FAIL() << "FatalError returned";
    } catch (const ProgramExited& exited) {
        EXPECT_EQ(exited.exitCode, core::FatalExitCode);
    }
    EXPECT_EQ(seams.errors, std::vector<std::string>{"boom"});
    EXPECT_FALSE(seams.busyAtBox);
    EXPECT_TRUE(seams.disabledAtBox);
    EXPECT_TRUE(seams.directoryAtBox);
    EXPECT_FALSE(fs::exists(run.ExtractionDir));
}

TEST(FatalError, KeepsTheExtractionDirectoryWhenNotAskedToRemoveIt) {
    testing_support::TempDir dir;
    core::RunRegister run;
    run.ExtractionDir = dir.path();
    testing_support::FakeSeams seams;
    auto bundle = seams.Bundle();
    EXPECT_THROW(core::FatalError(bundle, run, "boom", false), ProgramExited);
    EXPECT_TRUE(fs::is_directory(dir.path()));
}

TEST(MessageWithName, JoinsWithACarriageReturn) {
    EXPECT_EQ(core::MessageWithName("File not found:", "/a b/c"), "File not found:\r/a b/c");
}

}  // namespace
