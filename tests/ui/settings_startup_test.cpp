// The settings file at start-up: it brands and presets the real window, and a file that cannot be
// read leaves the defaults.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/file_converter_app.h"
#include "core/md5.h"
#include "tests/core/support/fake_seams.h"
#include "tests/core/support/scoped_environment.h"
#include "tests/core/support/temp_dir.h"
#include "tests/ui/support/scripted_dialogs.h"
#include "tests/ui/support/window_controls.h"
#include "ui/Unit1.h"

namespace {

namespace fs = std::filesystem;

constexpr std::string_view LetterBytes = "Dear reader,\n";

class SettingsAtStartup : public ::testing::Test {
  protected:
    void SetUp() override {
        environment.Set("TMPDIR", dir.File(""));
        environment.Set("HOME", dir.File("home"));
        environment.Set("FC_LETTERS", dir.File("letters"));
        fs::create_directories(dir.File("letters"));
        fs::create_directories(dir.File("bin"));
        fs::create_directories(dir.File("work"));
        dir.Write("letters/letter.txt", LetterBytes);
        MakePatchSet();
        previousDirectory = fs::current_path();
        fs::current_path(dir.File("work"));  // the settings file is looked up here
    }

    void TearDown() override {
        if (program) program->Form().close();
        fs::current_path(previousDirectory);
    }

    // A patch set that knows the letter in one version and can turn it into nothing else.
    void MakePatchSet() {
        fs::create_directories(dir.File("set"));
        dir.Write("set/bspatch", "#!/bin/sh\n");
        dir.Write("set/patchinfo.ini", "[letter.txt 1.0]\r\nmd5=" + core::Md5Hex(core::Md5Of(LetterBytes)) +
                                           "\r\nDescription1=The first letter\r\n");
        const std::string command = std::string(FC_SOURCE_DIR) + "/tools/make-sfx '" + dir.File("set") +
                                    "' '" + dir.File("bin/convert.sfx") + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }

    ui::TForm1& Start() {
        program = std::make_unique<app::FileConverterApp>(
            dir.File("bin/convert"), dialogs, [](int code) { throw testing_support::ProgramExited(code); });
        program->Start();
        return program->Form();
    }

    testing_support::TempDir dir;
    testing_support::ScopedEnvironment environment;
    testing_support::ScriptedDialogs dialogs;
    std::unique_ptr<app::FileConverterApp> program;
    fs::path previousDirectory;
};

TEST_F(SettingsAtStartup, BrandsAndPresetsTheWindow) {
    dir.Write("work/convert.cfg",
              "; shipped with the letter\r\n"
              "[Settings]\r\n"
              "AppName=Letter Updater\r\n"
              "SourceFileString=&Old letter:\r\n"
              "TargetFileString=&New letter:\r\n"
              "FileVersionString=&Pick one:\r\n"
              "FormColor=clNavy\r\n"
              "FontColor=$00FFFF\r\n"
              "DisableSourceOverwrite=1\r\n"
              "SourceFile=%fc_letters%/letter.txt\r\n"
              "TargetFile=<CSIDL_PROFILE>/new letter.txt\r\n");
    ui::TForm1& form = Start();
    const testing_support::WindowControls controls(form);

    EXPECT_EQ(form.windowTitle(), "Letter Updater");
    EXPECT_EQ(QApplication::applicationName(), "Letter Updater");
    EXPECT_EQ(controls.Label1->text(), "&Old letter:");
    EXPECT_EQ(controls.Label2->text(), "&New letter:");
    EXPECT_EQ(controls.Label6->text(), "&Pick one:");
    EXPECT_EQ(form.grab().toImage().pixelColor(4, 200), QColor(0, 0, 128));
    EXPECT_EQ(controls.Label1->palette().color(QPalette::WindowText), QColor(255, 255, 0));
    EXPECT_TRUE(controls.CheckBox1->isHidden());
    EXPECT_TRUE(program->Setup().Settings.DisableSourceOverwrite);

    EXPECT_EQ(controls.Edit1->text().toStdString(), dir.File("letters/letter.txt"));
    EXPECT_EQ(program->Form().Selection().SourceIndex, 0);
    EXPECT_EQ(controls.Edit2->text().toStdString(), dir.File("home/new letter.txt"));

    // The captions' access keys still lead to their boxes.
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&form, Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(controls.Edit2->hasFocus());
    QTest::keyClick(&form, Qt::Key_O, Qt::AltModifier);
    EXPECT_TRUE(controls.Edit1->hasFocus());
}

TEST_F(SettingsAtStartup, ASettingsFileThatCannotBeReadGivesTheDefaults) {
    fs::create_directory(dir.File("work/convert.cfg"));
    ui::TForm1& form = Start();
    const testing_support::WindowControls controls(form);

    EXPECT_EQ(form.windowTitle(), "File Converter");
    EXPECT_EQ(controls.Label1->text(), "&Source file:");
    EXPECT_EQ(form.grab().toImage().pixelColor(4, 200), QColor(192, 192, 192));
    EXPECT_FALSE(controls.CheckBox1->isHidden());
    EXPECT_EQ(controls.Edit1->text(), "");
    EXPECT_TRUE(dialogs.boxes.empty());
}

// A launcher starts the program in the home folder, so without a settings file in the current
// directory the one beside the program is read; the current directory's keeps precedence.
TEST_F(SettingsAtStartup, TheCurrentDirectorysSettingsFileComesBeforeTheOneBesideTheProgram) {
    const struct {
        bool inCurrentDirectory;
        bool besideProgram;
        const char* title;
    } cases[] = {{false, true, "Beside"},
                 {true, true, "Current"},
                 {true, false, "Current"},
                 {false, false, "File Converter"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        fs::remove(dir.File("work/convert.cfg"));
        fs::remove(dir.File("bin/convert.cfg"));
        if (c.inCurrentDirectory) dir.Write("work/convert.cfg", "[Settings]\r\nAppName=Current\r\n");
        if (c.besideProgram) dir.Write("bin/convert.cfg", "[Settings]\r\nAppName=Beside\r\n");
        if (program) program->Form().close();
        EXPECT_EQ(Start().windowTitle().toStdString(), c.title);
    }
}

}  // namespace
