// The core's seams on the real window: boxes, status, cursor, source text, pump and program end.
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>

#include "tests/core/support/temp_dir.h"
#include "tests/ui/support/window_fixture.h"
#include "ui/window_seams.h"

namespace {

using testing_support::BoxKind;

struct ExitRequested {
    int exitCode;
};

class WindowSeamsTest : public testing_support::WindowFixture {
protected:
    void TearDown() override {
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    }

    ui::WindowSeams seams{form, dialogs, [](int exitCode) { throw ExitRequested{exitCode}; }};
    core::Seams bundle = seams.Bundle();
};

TEST_F(WindowSeamsTest, BoxesReachTheDialogsWithTheirTextAndAnswer) {
    dialogs.answers = {false};
    bundle.boxes.ShowErrorBox("File not found:\r/tmp/x");
    EXPECT_FALSE(bundle.boxes.AskYesNo("Overwrite existing file:\r/tmp/y"));
    EXPECT_TRUE(bundle.boxes.AskYesNo("again"));
    bundle.boxes.ShowSuccessBox("Conversion successful.");

    ASSERT_EQ(dialogs.boxes.size(), 4u);
    EXPECT_EQ(dialogs.boxes[0].kind, BoxKind::Error);
    EXPECT_EQ(dialogs.boxes[0].text, "File not found:\r/tmp/x");
    EXPECT_EQ(dialogs.boxes[1].kind, BoxKind::Question);
    EXPECT_EQ(dialogs.boxes[1].text, "Overwrite existing file:\r/tmp/y");
    EXPECT_EQ(dialogs.boxes[3].kind, BoxKind::Success);
}

TEST_F(WindowSeamsTest, StatusGoesToTheStatusLine) {
    bundle.status.SetStatus("Converting...", core::RgbColour(0, 0, 255), true);
    EXPECT_EQ(form.Label8->text(), "Converting...");
    EXPECT_TRUE(form.Timer1->isActive());
}

TEST_F(WindowSeamsTest, BusyCursorIsAStateNotAStack) {
    bundle.cursor.ShowBusyCursor();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);

    bundle.cursor.ShowBusyCursor();
    bundle.cursor.ShowDefaultCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WindowSeamsTest, SourceTextIsTheSourceBoxInSystemBytes) {
    form.Edit1->setText(QString::fromUtf8("/home/u/Gr\xC3\xBC\xC3\x9F" "e.dat"));
    EXPECT_EQ(bundle.source.SourceText(), "/home/u/Gr\xC3\xBC\xC3\x9F" "e.dat");
}

TEST_F(WindowSeamsTest, PumpRunsQueuedEvents) {
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    bundle.pump.ProcessPendingEvents();
    EXPECT_TRUE(ran);
}

TEST_F(WindowSeamsTest, ProgramEndDisablesTheWindowAndExitsWithTheCode) {
    bundle.end.DisableMainWindow();
    EXPECT_FALSE(form.isEnabled());
    try {
        bundle.end.Exit(2);
        FAIL() << "Exit returned";
    } catch (const ExitRequested& request) {
        EXPECT_EQ(request.exitCode, 2);
    }
}

TEST_F(WindowSeamsTest, ExitThatReturnsAbortsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ui::WindowSeams returning(form, dialogs, [](int) {});
    EXPECT_DEATH(returning.Exit(2), "");
}

TEST(EndProcessNow, FlushesBufferedOutputAndEndsWithTheExitCode) {
    // The child must share this test's temporary directory, so it is forked, not re-run.
    GTEST_FLAG_SET(death_test_style, "fast");
    const testing_support::TempDir directory;
    const std::string path = directory.File("buffered.txt");
    EXPECT_EXIT(
        {
            std::FILE* file = std::fopen(path.c_str(), "w");
            std::fputs("written before the end", file);
            ui::EndProcessNow(7);
        },
        ::testing::ExitedWithCode(7), "");
    EXPECT_EQ(testing_support::ReadWholeFile(path), "written before the end");
}

}  // namespace
