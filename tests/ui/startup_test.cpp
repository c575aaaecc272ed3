// Start-up and shutdown of the whole program in-process: the extraction directory, the archive's
// arguments, every fatal start-up error, and the removal of the unpacked set on close.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/file_converter_app.h"
#include "tests/core/support/fake_seams.h"
#include "tests/core/support/temp_dir.h"
#include "tests/ui/support/scripted_dialogs.h"
#include "tests/ui/support/window_controls.h"
#include "ui/Unit1.h"

namespace {

using testing_support::ProgramExited;
namespace fs = std::filesystem;

class Startup : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* old = std::getenv("TMPDIR");
        oldTmp = old ? old : "";
        hadTmp = old != nullptr;
        temp = dir.File("tmp");
        fs::create_directory(temp);
        setenv("TMPDIR", temp.c_str(), 1);
        fs::create_directory(dir.File("bin"));
    }
    void TearDown() override {
        if (hadTmp)
            setenv("TMPDIR", oldTmp.c_str(), 1);
        else
            unsetenv("TMPDIR");
    }

    std::string Executable() const { return dir.File("bin/convert"); }
    std::string Archive() const { return dir.File("bin/convert.sfx"); }

    // A real patch set, packed with the project's own archive maker.
    void InstallPatchSet() {
        dir.Write("v1.txt", "first version\n");
        dir.Write("v2.txt", "second version\n");
        const std::string source = std::string(FC_SOURCE_DIR);
        const std::string command = source + "/tests/support/make-patch-set '" FC_BSPATCH "' '" +
                                    dir.File("set") + "' sample.txt '1=" + dir.File("v1.txt") +
                                    "' '2=" + dir.File("v2.txt") + "' >/dev/null && " + source +
                                    "/tools/make-sfx '" + dir.File("set") + "' '" + Archive() + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }

    // An archive that records how it was run and leaves only the named files behind.
    void InstallFakeArchive(const std::string& leaves) {
        const std::string script = "#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" \"$(pwd)\" > '" +
                                   dir.File("archive-run") + "'\ncd \"$2\" && touch " + leaves + "\n";
        dir.Write("bin/convert.sfx", script);
        chmod(Archive().c_str(), 0755);
    }

    std::unique_ptr<app::FileConverterApp> MakeApp() {
        return std::make_unique<app::FileConverterApp>(Executable(), dialogs,
                                                       [](int code) { throw ProgramExited(code); });
    }

    // Starts a program that must end fatally; returns its exit code.
    int StartExpectingFatalError() {
        auto program = MakeApp();
        try {
            program->Start();
        } catch (const ProgramExited& exited) {
            return exited.exitCode;
        }
        ADD_FAILURE() << "start-up did not end the program";
        return -1;
    }

    void ExpectOneErrorBox(const std::string& text) {
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0].kind, testing_support::BoxKind::Error);
        EXPECT_EQ(dialogs.boxes[0].text.toStdString(), text);
    }

    bool TempIsEmpty() const { return fs::is_empty(temp); }

    testing_support::TempDir dir;
    testing_support::ScriptedDialogs dialogs;
    std::string temp;
    std::string oldTmp;
    bool hadTmp = false;
};

TEST_F(Startup, UnpacksIntoAPrivateDirectoryAndRemovesItOnClose) {
    InstallPatchSet();
    auto program = MakeApp();
    program->Start();

    const std::string extraction = temp + "/convert";
    EXPECT_EQ(program->Register().ExtractionDir, extraction);
    struct stat info {};
    ASSERT_EQ(stat(extraction.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(fs::exists(extraction + "/bspatch"));
    EXPECT_EQ(program->Setup().FileInfos.size(), 2u);
    EXPECT_TRUE(program->Form().isEnabled());
    EXPECT_TRUE(dialogs.boxes.empty());

    const testing_support::WindowControls controls(program->Form());
    QTimer::singleShot(0, &program->Form(), [&] { controls.Button4->click(); });
    EXPECT_EQ(program->Run(), 0);
    EXPECT_TRUE(program->Form().IsClosing());
    EXPECT_FALSE(fs::exists(extraction));
    EXPECT_TRUE(TempIsEmpty());
}

TEST_F(Startup, ClosingWhileASourceIsSummedRemovesTheSetAndShowsNoResult) {
    InstallPatchSet();
    auto program = MakeApp();
    program->Start();
    const std::string extraction = program->Register().ExtractionDir;
    const std::string source = dir.Write("large.bin", std::string(1 << 20, 'x'));
    const testing_support::WindowControls controls(program->Form());

    // The close request waits in the queue until the checksum hands the window its first events.
    QTimer::singleShot(0, &program->Form(), [&] { program->Form().close(); });
    controls.Edit1->setText(QString::fromLocal8Bit(source));

    EXPECT_TRUE(program->Form().IsClosing());
    EXPECT_FALSE(fs::exists(extraction));
    EXPECT_TRUE(controls.Label4->text().isEmpty());
    EXPECT_EQ(controls.Label8->text(), "Shutting down...");
}

TEST_F(Startup, RunsTheArchiveWithItsPathTheSwitchAndTheDirectory) {
    InstallFakeArchive("bspatch patchinfo.ini");
    auto program = MakeApp();
    program->Start();
    const std::string extraction = program->Register().ExtractionDir;
    EXPECT_EQ(testing_support::ReadWholeFile(dir.File("archive-run")),
              Archive() + "\n-overwrite\n" + extraction + "\n" + extraction + "\n");
    program->Form().close();
}

TEST_F(Startup, ASecondCopyGetsTheNextNumberedDirectory) {
    InstallFakeArchive("bspatch patchinfo.ini");
    fs::create_directory(temp + "/convert0");
    std::ofstream(temp + "/convert1") << "a file with the name counts as taken";
    auto first = MakeApp();
    first->Start();
    auto second = MakeApp();
    second->Start();
    EXPECT_EQ(first->Register().ExtractionDir, temp + "/convert");
    EXPECT_EQ(second->Register().ExtractionDir, temp + "/convert2");
    first->Form().close();
    second->Form().close();
    EXPECT_FALSE(fs::exists(temp + "/convert"));
    EXPECT_FALSE(fs::exists(temp + "/convert2"));
    EXPECT_TRUE(fs::exists(temp + "/convert0"));
}

TEST_F(Startup, AMissingArchiveIsFatalAndCreatesNothing) {
    EXPECT_EQ(StartExpectingFatalError(), 2);
    ExpectOneErrorBox("File not found:\rconvert.sfx");
    EXPECT_TRUE(TempIsEmpty());
}

TEST_F(Startup, AnExtractionDirectoryThatCannotBeCreatedIsFatal) {
    InstallFakeArchive("bspatch patchinfo.ini");
    const std::string blocked = dir.Write("not-a-directory", "");
    setenv("TMPDIR", blocked.c_str(), 1);
    EXPECT_EQ(StartExpectingFatalError(), 2);
    ExpectOneErrorBox("Could not create directory:\r" + blocked + "/convert");
}

TEST_F(Startup, AnArchiveThatCannotRunIsFatalAndRemovesTheDirectory) {
    InstallFakeArchive("bspatch patchinfo.ini");
    chmod(Archive().c_str(), 0644);
    EXPECT_EQ(StartExpectingFatalError(), 2);
    ExpectOneErrorBox("Could not execute\r" + Archive());
    EXPECT_TRUE(TempIsEmpty());
}

TEST_F(Startup, AMissingPatchToolOrCatalogueIsFatalAndRemovesTheDirectory) {
    InstallFakeArchive("patchinfo.ini");
    EXPECT_EQ(StartExpectingFatalError(), 2);
    ExpectOneErrorBox("File not found:\r" + temp + "/convert/bspatch");
    EXPECT_TRUE(TempIsEmpty());

    dialogs.boxes.clear();
    InstallFakeArchive("bspatch");
    EXPECT_EQ(StartExpectingFatalError(), 2);
    ExpectOneErrorBox("File not found:\r" + temp + "/convert/patchinfo.ini");
    EXPECT_TRUE(TempIsEmpty());
}

}  // namespace
