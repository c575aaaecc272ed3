// How the main window answers the desktop's requests to change its state.
#include "tests/ui/support/window_fixture.h"

namespace {

class WindowState : public testing_support::WindowFixture {};

TEST_F(WindowState, AMaximiseRequestLeavesTheWindowAsItIs) {
    ShowActive();
    const QRect before = form.geometry();
    form.showMaximized();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.isMaximized(); }, 2000));
    EXPECT_EQ(form.geometry(), before);
}

}  // namespace
