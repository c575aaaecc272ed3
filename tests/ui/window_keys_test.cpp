// Keyboard and closing: Enter and Escape, access keys, Cancel, and closing refused while converting.
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "tests/ui/support/window_fixture.h"

namespace {

class WindowKeys : public testing_support::WindowFixture {
  protected:
    void SetUp() override {
        form.SetCaptions();
        form.SetFixedCaptions();
        controls.Button3->setEnabled(true);
        // Only whether a key presses Convert matters here, not what the conversion does.
        ASSERT_TRUE(
            QObject::disconnect(controls.Button3, &QPushButton::clicked, &form, &ui::TForm1::Button3Click));
        QObject::connect(controls.Button3, &QPushButton::clicked, [this] { ++convertClicks; });
        form.onFormClose = [this] {
            ++closeHandlerRuns;
            focusWhenClosing = QApplication::focusWidget();
        };
        ShowActive();
        controls.Edit1->setFocus();
    }

    void PressInSourceBox(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(controls.Edit1, key, modifiers);
    }

    int convertClicks = 0;
    int closeHandlerRuns = 0;
    QWidget* focusWhenClosing = nullptr;
};

TEST_F(WindowKeys, EnterPressesConvertOnlyWhileItIsEnabled) {
    PressInSourceBox(Qt::Key_Return);
    PressInSourceBox(Qt::Key_Enter);
    EXPECT_EQ(convertClicks, 2);

    controls.Button3->setEnabled(false);
    PressInSourceBox(Qt::Key_Return);
    EXPECT_EQ(convertClicks, 2);
    EXPECT_TRUE(form.isVisible());
}

TEST_F(WindowKeys, EnterOnAFocusedButtonPressesThatButton) {
    int browseClicks = 0;
    QObject::connect(controls.Button1, &QPushButton::clicked, [&] { ++browseClicks; });
    controls.Button1->setFocus();
    QTest::keyClick(controls.Button1, Qt::Key_Return);
    EXPECT_EQ(browseClicks, 1);
    EXPECT_EQ(convertClicks, 0);
}

TEST_F(WindowKeys, EscapeClosesTheWindowLikeCancel) {
    PressInSourceBox(Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(closeHandlerRuns, 1);
    EXPECT_EQ(focusWhenClosing, controls.Button4);
}

TEST_F(WindowKeys, EscapeDoesNothingWhileCancelIsDisabled) {
    controls.Button4->setEnabled(false);
    PressInSourceBox(Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(closeHandlerRuns, 0);
}

TEST_F(WindowKeys, CancelTakesTheFocusBeforeClosing) {
    int sourceBoxExits = 0;
    QObject::connect(controls.Edit1, &QLineEdit::editingFinished, [&] { ++sourceBoxExits; });
    form.Button4Click();
    EXPECT_EQ(focusWhenClosing, controls.Button4);
    EXPECT_EQ(sourceBoxExits, 1);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(WindowKeys, LabelAccessKeysFocusTheirControls) {
    PressInSourceBox(Qt::Key_T, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), controls.Edit2);
    QTest::keyClick(controls.Edit2, Qt::Key_V, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), controls.ListBox1);
    QTest::keyClick(controls.ListBox1, Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), controls.Edit1);
}

TEST_F(WindowKeys, ButtonAndCheckBoxAccessKeysPressThem) {
    PressInSourceBox(Qt::Key_O, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return controls.CheckBox1->isChecked(); }));
    controls.Button3->setEnabled(true);  // the box's change judged the empty form unfit to convert
    PressInSourceBox(Qt::Key_C, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return convertClicks == 1; })) << convertClicks;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.isVisible(); }));
    EXPECT_EQ(closeHandlerRuns, 1);
}

// With their controls disabled, access keys do nothing; above all they never type into a box.
TEST_F(WindowKeys, AccessKeysOfDisabledControlsNeverTypeIntoABox) {
    controls.Button3->setEnabled(false);
    controls.CheckBox1->setEnabled(false);
    controls.Button4->setEnabled(false);
    controls.Edit1->setText("game.dat");
    controls.Edit2->setText("new.dat");
    for (QLineEdit* box : {controls.Edit1, controls.Edit2}) {
        box->setFocus();
        const QString before = box->text();
        for (const Qt::Key key : {Qt::Key_C, Qt::Key_O, Qt::Key_A, Qt::Key_Z})
            QTest::keyClick(box, key, Qt::AltModifier);
        EXPECT_EQ(box->text().toStdString(), before.toStdString()) << box->objectName().toStdString();
    }
    EXPECT_EQ(convertClicks, 0);
    EXPECT_FALSE(controls.CheckBox1->isChecked());
    EXPECT_TRUE(form.isVisible());
}

}  // namespace
