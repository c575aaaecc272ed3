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
        form.Button3->setEnabled(true);
        // Only whether a key presses Convert matters here, not what the conversion does.
        ASSERT_TRUE(
            QObject::disconnect(form.Button3, &QPushButton::clicked, &form, &ui::TForm1::Button3Click));
        QObject::connect(form.Button3, &QPushButton::clicked, [this] { ++convertClicks; });
        form.onFormClose = [this] {
            ++closeHandlerRuns;
            focusWhenClosing = QApplication::focusWidget();
        };
        ShowActive();
        form.Edit1->setFocus();
    }

    void PressInSourceBox(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(form.Edit1, key, modifiers);
    }

    int convertClicks = 0;
    int closeHandlerRuns = 0;
    QWidget* focusWhenClosing = nullptr;
};

TEST_F(WindowKeys, EnterPressesConvertOnlyWhileItIsEnabled) {
    PressInSourceBox(Qt::Key_Return);
    PressInSourceBox(Qt::Key_Enter);
    EXPECT_EQ(convertClicks, 2);

    form.Button3->setEnabled(false);
    PressInSourceBox(Qt::Key_Return);
    EXPECT_EQ(convertClicks, 2);
    EXPECT_TRUE(form.isVisible());
}

TEST_F(WindowKeys, EnterOnAFocusedButtonPressesThatButton) {
    int browseClicks = 0;
    QObject::connect(form.Button1, &QPushButton::clicked, [&] { ++browseClicks; });
    form.Button1->setFocus();
    QTest::keyClick(form.Button1, Qt::Key_Return);
    EXPECT_EQ(browseClicks, 1);
    EXPECT_EQ(convertClicks, 0);
}

TEST_F(WindowKeys, EscapeClosesTheWindowLikeCancel) {
    PressInSourceBox(Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(closeHandlerRuns, 1);
    EXPECT_EQ(focusWhenClosing, form.Button4);
}

TEST_F(WindowKeys, EscapeDoesNothingWhileCancelIsDisabled) {
    form.Button4->setEnabled(false);
    PressInSourceBox(Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(closeHandlerRuns, 0);
}

TEST_F(WindowKeys, CancelTakesTheFocusBeforeClosing) {
    int sourceBoxExits = 0;
    QObject::connect(form.Edit1, &QLineEdit::editingFinished, [&] { ++sourceBoxExits; });
    form.Button4Click();
    EXPECT_EQ(focusWhenClosing, form.Button4);
    EXPECT_EQ(sourceBoxExits, 1);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(WindowKeys, LabelAccessKeysFocusTheirControls) {
    PressInSourceBox(Qt::Key_T, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), form.Edit2);
    QTest::keyClick(form.Edit2, Qt::Key_V, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), form.ListBox1);
    QTest::keyClick(form.ListBox1, Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), form.Edit1);
}

TEST_F(WindowKeys, ButtonAndCheckBoxAccessKeysPressThem) {
    PressInSourceBox(Qt::Key_O, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.CheckBox1->isChecked(); }));
    form.Button3->setEnabled(true);  // the box's change judged the empty form unfit to convert
    PressInSourceBox(Qt::Key_C, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return convertClicks == 1; })) << convertClicks;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.isVisible(); }));
    EXPECT_EQ(closeHandlerRuns, 1);
}

// With their controls disabled, access keys do nothing; above all they never type into a box.
TEST_F(WindowKeys, AccessKeysOfDisabledControlsNeverTypeIntoABox) {
    form.Button3->setEnabled(false);
    form.CheckBox1->setEnabled(false);
    form.Button4->setEnabled(false);
    form.Edit1->setText("game.dat");
    form.Edit2->setText("new.dat");
    for (QLineEdit* box : {form.Edit1, form.Edit2}) {
        box->setFocus();
        const QString before = box->text();
        for (const Qt::Key key : {Qt::Key_C, Qt::Key_O, Qt::Key_A, Qt::Key_Z})
            QTest::keyClick(box, key, Qt::AltModifier);
        EXPECT_EQ(box->text().toStdString(), before.toStdString()) << box->objectName().toStdString();
    }
    EXPECT_EQ(convertClicks, 0);
    EXPECT_FALSE(form.CheckBox1->isChecked());
    EXPECT_TRUE(form.isVisible());
}

}  // namespace
