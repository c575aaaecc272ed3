// Every control that takes the keyboard focus shows that it has it: the window looks different
// around the control with the focus than without it.
#include <QCheckBox>
#include <QFocusFrame>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include "tests/ui/support/catalogue_window_fixture.h"

namespace {

using testing_support::CatalogueWindowFixture;

class VisibleFocus : public CatalogueWindowFixture {
  protected:
    void SetUp() override {
        form.SetCaptions();
        // A steady caret, so that a picture never catches it in its dark phase.
        flashTime = QApplication::cursorFlashTime();
        QApplication::setCursorFlashTime(0);
        ShowActive();
    }
    void TearDown() override { QApplication::setCursorFlashTime(flashTime); }
    int flashTime = 0;

    // The control and a margin around it, where a focus ring may be drawn, as the window shows it.
    QImage Around(QWidget& control) {
        const QRect area(control.mapTo(&form, QPoint(0, 0)), control.size());
        return form.grab(area.adjusted(-3, -3, 3, 3)).toImage();
    }

    // A ring drawn around another control than the focused one would mislead.
    void ExpectNoRingAwayFromTheFocus() const {
        for (const QFocusFrame* ring : form.findChildren<QFocusFrame*>()) {
            if (ring->isVisible()) {
                EXPECT_EQ(ring->widget(), QApplication::focusWidget());
            }
        }
    }

    // Tabs from control to control through the window's focus chain, as a keyboard user does,
    // comparing each control's look before and after it takes the focus.
    void ExpectFocusShownAlongTheChain(const std::vector<QWidget*>& chain) {
        chain.front()->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(QTest::qWaitFor([&] { return chain.front()->hasFocus(); }));
        for (std::size_t i = 1; i < chain.size(); ++i) {
            QWidget& control = *chain[i];
            SCOPED_TRACE(control.objectName().toStdString());
            const QImage without = Around(control);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            ASSERT_TRUE(QTest::qWaitFor([&] { return control.hasFocus(); }));
            EXPECT_NE(Around(control), without);
            ExpectNoRingAwayFromTheFocus();
        }
    }
};

TEST_F(VisibleFocus, EveryControlOfTheEmptyWindowShowsItsFocus) {
    controls.Button3->setEnabled(true);
    ExpectFocusShownAlongTheChain({controls.Edit1, controls.Button1, controls.Edit2, controls.Button2,
                                   controls.CheckBox1, controls.Memo1, controls.ListBox1, controls.Memo2,
                                   controls.Button3, controls.Button4, controls.Edit1});
}

}  // namespace
