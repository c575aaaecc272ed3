// The status line: steady and blinking texts, and how each new status replaces the last.
#include <QLabel>
#include <QTimer>

#include "tests/ui/support/window_fixture.h"

namespace {

constexpr core::Colour FontColour = core::RgbColour(0, 0, 0);
constexpr core::Colour StatusColour = core::RgbColour(0, 0, 255);

class StatusLine : public testing_support::WindowFixture {
  protected:
    void SetUp() override { form.show(); }

    bool StatusShown() const { return controls.Label8->isVisible(); }
    QColor StatusColourShown() const { return controls.Label8->palette().color(QPalette::WindowText); }
};

TEST_F(StatusLine, SteadyTextIsShownInItsColourWithoutTimer) {
    form.SetStatus("idle", FontColour, false);
    EXPECT_EQ(controls.Label8->text(), "idle");
    EXPECT_EQ(StatusColourShown(), QColor(0, 0, 0));
    EXPECT_TRUE(StatusShown());
    EXPECT_FALSE(controls.Timer1->isActive());
}

TEST_F(StatusLine, BlinkingTextStartsVisibleAndEachTickTogglesIt) {
    form.SetStatus("Converting...", StatusColour, true);
    EXPECT_TRUE(StatusShown());
    EXPECT_EQ(StatusColourShown(), QColor(0, 0, 255));
    EXPECT_TRUE(controls.Timer1->isActive());

    form.Timer1Timer();
    EXPECT_FALSE(StatusShown());
    form.Timer1Timer();
    EXPECT_TRUE(StatusShown());
}

TEST_F(StatusLine, TimerMakesTheTextBlinkOnItsOwn) {
    form.SetStatus("Verifying...", StatusColour, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !StatusShown(); }, 2000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return StatusShown(); }, 2000));
}

TEST_F(StatusLine, SteadyTextAfterBlinkingStaysVisibleInEitherPhase) {
    for (const bool hiddenPhase : {false, true}) {
        SCOPED_TRACE(hiddenPhase ? "hidden phase" : "visible phase");
        form.SetStatus("Calculating md5 checksum...", StatusColour, true);
        if (hiddenPhase) form.Timer1Timer();

        form.SetStatus("idle", FontColour, false);

        EXPECT_TRUE(StatusShown());
        EXPECT_FALSE(controls.Timer1->isActive());
        EXPECT_EQ(controls.Label8->text(), "idle");
        EXPECT_EQ(StatusColourShown(), QColor(0, 0, 0));
    }
}

TEST_F(StatusLine, NewBlinkingTextRestartsWithAFullVisibleInterval) {
    form.SetStatus("Reading configuration...", StatusColour, true);
    form.Timer1Timer();
    ASSERT_TRUE(QTest::qWaitFor([&] { return controls.Timer1->remainingTime() < 200; }));

    form.SetStatus("Shutting down...", StatusColour, true);

    EXPECT_TRUE(StatusShown());
    EXPECT_GT(controls.Timer1->remainingTime(), 200);
}

}  // namespace
