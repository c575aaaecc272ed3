#pragma once
// A fresh main window for every test, with scripted dialogs and its own setup and run register.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "core/program_state.h"
#include "tests/ui/support/scripted_dialogs.h"
#include "tests/ui/support/window_controls.h"
#include "ui/Unit1.h"

namespace testing_support {

class WindowFixture : public ::testing::Test {
  protected:
    // Keyboard input and focus changes need the window shown and active.
    void ShowActive() {
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }

    ScriptedDialogs dialogs;
    core::ProgramSetup setup;
    core::RunRegister run;
    ui::TForm1 form{dialogs, setup, run};
    const WindowControls controls{form};
};

}  // namespace testing_support
