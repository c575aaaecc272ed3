// Start-up and shutdown with a branding library: where the library is looked for, the opening
// picture and sound, and the closing picture and sound.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLabel>
#include <QLineEdit>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/file_converter_app.h"
#include "tests/core/support/branding_fixtures.h"
#include "tests/core/support/fake_seams.h"
#include "tests/ui/support/scripted_dialogs.h"
#include "tests/ui/support/window_controls.h"
#include "ui/Unit1.h"

namespace {

using namespace testing_support;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Generous against a busy machine, yet far below the opening sound's 20 seconds.
constexpr milliseconds QuickReturn{8000};

class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

class ScopedWorkingDirectory {
  public:
    explicit ScopedWorkingDirectory(const std::string& path) : old_(std::filesystem::current_path()) {
        std::filesystem::current_path(path);
    }
    ~ScopedWorkingDirectory() { std::filesystem::current_path(old_); }

  private:
    std::filesystem::path old_;
};

std::string NewFolder(const TempDir& dir, const char* name) {
    std::filesystem::create_directory(dir.File(name));
    return dir.File(name);
}

class BrandedStart : public ::testing::Test {
  protected:
    void SetUp() override {
        NewFolder(dir, "bin");
        // An archive that leaves an empty patch set.
        dir.Write("bin/convert.sfx", "#!/bin/sh\ncd \"$2\" && touch bspatch patchinfo.ini\n");
        chmod(dir.File("bin/convert.sfx").c_str(), 0755);
    }

    std::unique_ptr<app::FileConverterApp> Start() {
        auto program = std::make_unique<app::FileConverterApp>(dir.File("bin/convert"), dialogs,
                                                               [](int code) { throw ProgramExited(code); });
        program->Start();
        return program;
    }

    std::string LibraryWithPicture(const std::string& folder, int size, LibraryFormat format) {
        const std::string picture = MakeSolidBitmap(dir, folder + "-picture.bmp", size, size);
        return MakeResourceLibrary(dir, folder + "/convert.dll", {{"IMAGE1", "BITMAP", picture}}, format);
    }

    TempDir dir;
    ScopedEnvironment temp{"TMPDIR", NewFolder(dir, "tmp")};
    ScopedEnvironment audio{"SDL_AUDIODRIVER", "dummy"};
    ScopedWorkingDirectory work{NewFolder(dir, "work")};
    ScriptedDialogs dialogs;
};

TEST_F(BrandedStart, OpensWithTheFirstPictureAndSoundAndClosesWithTheSecond) {
    MakeResourceLibrary(dir, "bin/convert.dll",
                        {{"IMAGE1", "BITMAP", MakeSolidBitmap(dir, "1.bmp", 100, 80)},
                         {"IMAGE2", "BITMAP", MakeSolidBitmap(dir, "2.bmp", 40, 30)},
                         {"SOUND1", "WAVE", MakeWave(dir, "1.wav", 20000)},
                         {"SOUND2", "WAVE", MakeWave(dir, "2.wav", 600)}});

    const Clock::time_point started = Clock::now();
    auto program = Start();
    EXPECT_LT(Clock::now() - started, QuickReturn) << "start-up waited for the opening sound";
    const WindowControls controls(program->Form());
    EXPECT_EQ(controls.Image1->geometry(), QRect(16, 24, 100, 80));
    EXPECT_EQ(controls.Edit1->geometry(), QRect(133, 30, 284, 21));

    const Clock::time_point closed = Clock::now();
    program->Form().close();
    const auto closing = Clock::now() - closed;
    EXPECT_GE(closing, milliseconds(550)) << "the window closed before the closing sound ended";
    EXPECT_LT(closing, QuickReturn);
    EXPECT_EQ(controls.Image1->geometry(), QRect(16, 49, 40, 30));
    EXPECT_EQ(controls.Edit1->geometry(), QRect(73, 30, 344, 21));
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(BrandedStart, TheLibraryBesideTheProgramComesBeforeTheOneInTheWorkingDirectory) {
    auto unbranded = Start();
    EXPECT_TRUE(WindowControls(unbranded->Form()).Image1->isHidden());
    EXPECT_EQ(WindowControls(unbranded->Form()).Edit1->geometry(), QRect(16, 30, 401, 21));
    unbranded->Form().close();

    LibraryWithPicture("work", 50, LibraryFormat::Pe32);
    auto fromWorkingDirectory = Start();
    EXPECT_EQ(WindowControls(fromWorkingDirectory->Form()).Image1->width(), 50);
    fromWorkingDirectory->Form().close();

    LibraryWithPicture("bin", 70, LibraryFormat::Pe32Plus);
    auto besideTheProgram = Start();
    EXPECT_EQ(WindowControls(besideTheProgram->Form()).Image1->width(), 70);
    besideTheProgram->Form().close();
}

}  // namespace
