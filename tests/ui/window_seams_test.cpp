// The core's seams on the real window: boxes, status, cursor, work on a worker, waiting for a
// program, and program end.
#include "ui/window_seams.h"

#include <sys/wait.h>

#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/process.h"
#include "tests/core/support/temp_dir.h"
#include "tests/ui/support/window_fixture.h"

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
    bundle.boxes.ShowErrorBox("File not found:\r/tmp/x", "/tmp/x: No such file or directory");
    EXPECT_FALSE(bundle.boxes.AskYesNo("Overwrite existing file:\r/tmp/y"));
    EXPECT_TRUE(bundle.boxes.AskYesNo("again"));
    bundle.boxes.ShowSuccessBox("Conversion successful.");

    ASSERT_EQ(dialogs.boxes.size(), 4u);
    EXPECT_EQ(dialogs.boxes[0].kind, BoxKind::Error);
    EXPECT_EQ(dialogs.boxes[0].text, "File not found:\r/tmp/x");
    EXPECT_EQ(dialogs.boxes[0].details, "/tmp/x: No such file or directory");
    EXPECT_EQ(dialogs.boxes[1].kind, BoxKind::Question);
    EXPECT_EQ(dialogs.boxes[1].text, "Overwrite existing file:\r/tmp/y");
    EXPECT_EQ(dialogs.boxes[3].kind, BoxKind::Success);
}

TEST_F(WindowSeamsTest, StatusGoesToTheStatusLine) {
    bundle.status.SetStatus("Converting...", core::RgbColour(0, 0, 255), true);
    EXPECT_EQ(controls.Label8->text(), "Converting...");
    EXPECT_TRUE(controls.Timer1->isActive());
}

TEST_F(WindowSeamsTest, BusyCursorIsAStateNotAStack) {
    bundle.cursor.ShowBusyCursor();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);

    bundle.cursor.ShowBusyCursor();
    bundle.cursor.ShowDefaultCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// The work waits for a timer of the window's thread, which fires only while the window handles its
// events: so it runs on another thread, and the window stays live meanwhile.
TEST_F(WindowSeamsTest, WorkRunsOnAWorkerWhileTheWindowHandlesItsEvents) {
    std::atomic<bool> timerFired{false};
    QTimer::singleShot(10, &form, [&] { timerFired = true; });
    const std::thread::id windowThread = std::this_thread::get_id();
    std::thread::id workThread;
    bool sawTimer = false;
    bundle.work.RunAside([&](core::ProgressSink&) {
        workThread = std::this_thread::get_id();
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!timerFired && std::chrono::steady_clock::now() < giveUp) std::this_thread::yield();
        sawTimer = timerFired;
    });
    EXPECT_NE(workThread, windowThread);
    EXPECT_TRUE(sawTimer);
}

// The window waits for the program's end in its loop, timers firing meanwhile, and reaps it.
TEST_F(WindowSeamsTest, AwaitingAProgramKeepsTheWindowLiveAndGivesItsExitCode) {
    const auto program = platform::StartProgram({"/bin/sh", "-c", "sleep 0.3; exit 5"}, "");
    ASSERT_TRUE(program);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    EXPECT_EQ(bundle.work.AwaitProgram(*program), 5u);
    EXPECT_GE(ticks, 5);
    EXPECT_EQ(waitpid(*program, nullptr, WNOHANG), -1) << "the program was not reaped";
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
