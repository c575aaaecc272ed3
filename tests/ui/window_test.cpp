// The main window's layout, captions, fonts, colours and source information.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>

#include "tests/ui/support/window_fixture.h"
#include "ui/qt_colours.h"

namespace {

using testing_support::WindowFixture;

class Window : public WindowFixture {};

TEST_F(Window, ClientAreaIsFixedAt529By380WithoutMaximiseBox) {
    EXPECT_EQ(form.size(), QSize(529, 380));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
}

struct Placement {
    const char* name;
    const char* parent;
    QRect geometry;
};

TEST_F(Window, ControlsSitWhereTheLayoutPutsThem) {
    const Placement placements[] = {
        {"Image1", "Form1", QRect(16, 10, 65, 108)},     {"Edit1", "Form1", QRect(16, 30, 401, 21)},
        {"Button1", "Form1", QRect(432, 30, 81, 22)},    {"Edit2", "Form1", QRect(16, 74, 401, 21)},
        {"CheckBox1", "Form1", QRect(32, 98, 257, 17)},  {"GroupBox1", "Form1", QRect(16, 126, 241, 205)},
        {"Memo1", "GroupBox1", QRect(16, 120, 209, 73)}, {"ListBox1", "GroupBox2", QRect(16, 32, 209, 65)},
        {"Memo2", "GroupBox2", QRect(16, 120, 209, 73)}, {"Button3", "Form1", QRect(16, 342, 113, 28)},
        {"Button4", "Form1", QRect(144, 342, 113, 28)},  {"GroupBox3", "Form1", QRect(272, 337, 241, 33)},
        {"Panel1", "Form1", QRect(352, 10, 65, 108)},
    };
    for (const Placement& placement : placements) {
        SCOPED_TRACE(placement.name);
        auto* control = form.findChild<QWidget*>(placement.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->parentWidget()->objectName(), placement.parent);
        EXPECT_EQ(control->geometry(), placement.geometry);
    }
    EXPECT_EQ(controls.Label3->parentWidget(), controls.GroupBox1);
    EXPECT_EQ(controls.Label3->pos(), QPoint(16, 24));
    EXPECT_EQ(controls.Label6->parentWidget(), controls.GroupBox2);
    EXPECT_EQ(controls.Label8->parentWidget(), controls.GroupBox3);
    EXPECT_EQ(controls.Label8->pos(), QPoint(16, 14));
}

// A test that looks for a control the window does not have ends the run with the name it sought.
TEST_F(Window, LookingUpAMissingControlEndsTheRunNamingIt) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(testing_support::FindControl<QLabel>(form, "Label9"), "Form1 has no QLabel named Label9");
    EXPECT_DEATH(testing_support::FindControl<QLineEdit>(form, "Label1"), "has no QLineEdit named Label1");
}

TEST_F(Window, IsCentredOnTheScreenOnlyWhenFirstShown) {
    form.show();
    const QPoint offCentre = form.frameGeometry().center() - form.screen()->geometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 2);

    form.move(3, 4);
    form.hide();
    form.show();
    EXPECT_EQ(form.pos(), QPoint(3, 4));
}

TEST_F(Window, StartUpCaptionsReplaceEveryText) {
    controls.Edit1->setText("old source");
    controls.Edit2->setText("old target");
    controls.Memo2->setPlainText("old description");
    QSignalSpy sourceChanges(controls.Edit1, &QLineEdit::textChanged);

    form.SetCaptions();
    form.SetFixedCaptions();

    EXPECT_EQ(form.windowTitle(), "File Converter");
    EXPECT_EQ(controls.Label1->text(), "&Source file:");
    EXPECT_EQ(controls.Label2->text(), "&Target file:");
    EXPECT_EQ(controls.Label6->text(), "Choose file &version to convert to:");
    EXPECT_EQ(controls.Edit1->text(), "");
    EXPECT_EQ(controls.Edit2->text(), "");
    EXPECT_EQ(sourceChanges.count(), 1);
    EXPECT_EQ(controls.Button1->text(), "&Browse...");
    EXPECT_EQ(controls.Button2->text(), "B&rowse...");
    EXPECT_EQ(controls.CheckBox1->text(), "&Overwrite source file");
    EXPECT_FALSE(controls.CheckBox1->isChecked());
    EXPECT_EQ(controls.GroupBox1->title(), " Source file information ");
    EXPECT_EQ(controls.GroupBox2->title(), " Target file information ");
    EXPECT_EQ(controls.GroupBox3->title(), " Status ");
    EXPECT_EQ(controls.Label3->text(), "No information available");
    EXPECT_EQ(controls.Label5->text(), "Description:");
    EXPECT_EQ(controls.Label7->text(), "Description:");
    EXPECT_EQ(controls.Memo2->toPlainText(), "");
    EXPECT_EQ(controls.Button3->text(), "&Convert");
    EXPECT_EQ(controls.Button4->text(), "C&ancel");
}

TEST_F(Window, CaptionsFromTheSettingsCrossAsSystemText) {
    form.SetCaptions("Konverter \xC3\x9C", "&Quelle:", "&Ziel:", "&Fassung:");
    EXPECT_EQ(form.windowTitle(), QString::fromUtf8("Konverter \xC3\x9C"));
    EXPECT_EQ(controls.Label1->text(), "&Quelle:");
    EXPECT_EQ(controls.Label6->text(), "&Fassung:");
    EXPECT_EQ(controls.Label1->buddy(), controls.Edit1);
    EXPECT_EQ(controls.Label2->buddy(), controls.Edit2);
    EXPECT_EQ(controls.Label6->buddy(), controls.ListBox1);
}

TEST_F(Window, LabelsFitTheirTextAndBreakLinesAtCharacter13) {
    form.SetLabelText(*controls.Label4, "md5 checksum:");
    const QSize oneLine = controls.Label4->size();
    form.SetLabelText(*controls.Label4, "md5 checksum:\rd41d8cd98f00b204e9800998ecf8427e");

    EXPECT_EQ(controls.Label4->text(), "md5 checksum:\nd41d8cd98f00b204e9800998ecf8427e");
    EXPECT_GE(controls.Label4->height(), 2 * oneLine.height() - 2);
    EXPECT_GT(controls.Label4->width(), oneLine.width());
}

TEST_F(Window, InputControlsAndButtonsAreBoldAtTheWindowsTextHeight) {
    EXPECT_EQ(form.font().pixelSize(), 11);
    for (QWidget* control :
         std::initializer_list<QWidget*>{controls.Edit1, controls.Edit2, controls.ListBox1, controls.Button3,
                                         controls.Button4, controls.Button1, controls.Memo1}) {
        SCOPED_TRACE(control->objectName().toStdString());
        EXPECT_EQ(control->font().bold(), control != controls.Button1 && control != controls.Memo1);
        EXPECT_EQ(control->font().pixelSize(), 11);
    }
}

TEST_F(Window, TabVisitsTheControlsInLayoutOrderSkippingDisabledOnes) {
    ShowActive();
    controls.Button2->setEnabled(false);
    controls.Edit1->setFocus();
    QStringList visited;
    for (int step = 0; step < 9; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(visited, QStringList({"Button1", "Edit2", "CheckBox1", "Memo1", "ListBox1", "Memo2", "Button3",
                                    "Button4", "Edit1"}));
}

TEST_F(Window, ResetSourceInfoClearsTheSourceSideOnly) {
    setup.Settings.Colours.FontColor = core::RgbColour(1, 2, 3);
    form.ShowSourceLabel("Invalid file\ror unsupported version", true, core::RgbColour(255, 0, 0));
    form.SetLabelText(*controls.Label4, "md5 checksum:\rabc");
    controls.Memo1->setPlainText("line 1\nline 2");
    controls.ListBox1->addItem("1.1");
    controls.Memo2->setPlainText("target description");
    controls.Button3->setEnabled(true);
    ASSERT_TRUE(controls.Label3->font().bold());

    form.ResetSourceInfo();

    EXPECT_EQ(controls.Label3->text(), "No information available");
    EXPECT_FALSE(controls.Label3->font().bold());
    EXPECT_EQ(controls.Label3->palette().color(QPalette::WindowText), QColor(1, 2, 3));
    EXPECT_EQ(controls.Label4->text(), "");
    EXPECT_EQ(controls.Memo1->toPlainText(), "");
    EXPECT_FALSE(controls.Button3->isEnabled());
    EXPECT_EQ(controls.ListBox1->count(), 1);
    EXPECT_EQ(controls.Memo2->toPlainText(), "target description");
}

TEST_F(Window, ColoursGoToBackgroundLabelsCheckBoxGroupsAndMemosOnly) {
    const QColor untouchedText = controls.ListBox1->palette().color(QPalette::Text);
    const QColor untouchedButtonText = controls.Button3->palette().color(QPalette::ButtonText);
    core::Colours colours;
    colours.FormColor = core::RgbColour(10, 20, 30);
    colours.FontColor = core::RgbColour(200, 100, 50);

    form.ApplyColours(colours);

    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(10, 20, 30));
    EXPECT_TRUE(form.autoFillBackground());
    for (QWidget* tinted :
         std::initializer_list<QWidget*>{controls.Label1, controls.Label3, controls.Label6, controls.Label8,
                                         controls.CheckBox1, controls.GroupBox1, controls.GroupBox3}) {
        SCOPED_TRACE(tinted->objectName().toStdString());
        EXPECT_EQ(tinted->palette().color(QPalette::WindowText), QColor(200, 100, 50));
    }
    EXPECT_EQ(controls.Memo1->palette().color(QPalette::Text), QColor(200, 100, 50));
    EXPECT_EQ(controls.Memo2->palette().color(QPalette::Text), QColor(200, 100, 50));
    EXPECT_EQ(controls.Memo1->palette().color(QPalette::Base),
              QApplication::palette().color(QPalette::Button));
    EXPECT_EQ(controls.ListBox1->palette().color(QPalette::Text), untouchedText);
    EXPECT_EQ(controls.Edit1->palette().color(QPalette::Text), untouchedText);
    EXPECT_EQ(controls.Button3->palette().color(QPalette::ButtonText), untouchedButtonText);
}

TEST_F(Window, NoColourGivesBackTheControlsOwnColour) {
    const QColor ownBackground = QApplication::palette(&form).color(QPalette::Window);
    const QColor ownText = QApplication::palette(controls.Label3).color(QPalette::WindowText);
    ASSERT_NE(form.palette().color(QPalette::Window), ownBackground);  // silver from the layout

    setup.Settings.Colours.FormColor = core::NoColour;
    setup.Settings.Colours.FontColor = core::NoColour;
    form.ApplyColours(setup.Settings.Colours);
    EXPECT_EQ(form.palette().color(QPalette::Window), ownBackground);

    // The neutral look after an error text must not keep the error colour.
    form.ShowSourceLabel("File not found", true, core::RgbColour(255, 0, 0));
    form.ResetSourceInfo();
    EXPECT_EQ(controls.Label3->palette().color(QPalette::WindowText), ownText);
}

TEST(ColourValues, PlainValuesHoldRedInTheLowestByte) {
    EXPECT_EQ(ui::ToQColor(core::RgbColour(1, 2, 3)), QColor(1, 2, 3));
    EXPECT_EQ(ui::ToQColor(0x00C0C0C0), QColor(192, 192, 192));
    EXPECT_EQ(ui::ToQColor(core::NoColour), std::nullopt);
}

TEST(ColourValues, SystemColoursComeFromTheApplicationPalette) {
    const QPalette palette = QApplication::palette();
    EXPECT_EQ(ui::ToQColor(core::SystemColour(core::SystemWindowTextIndex)),
              palette.color(QPalette::WindowText));
    EXPECT_EQ(ui::ToQColor(core::SystemColour(core::SystemButtonFaceIndex)), palette.color(QPalette::Button));
    EXPECT_EQ(ui::ToQColor(core::SystemColour(5)), palette.color(QPalette::Base));
    EXPECT_EQ(ui::ToQColor(core::SystemColour(17)), palette.color(QPalette::Disabled, QPalette::WindowText));
    EXPECT_EQ(ui::ToQColor(core::SystemColour(200)), QColor(Qt::black));
}

}  // namespace
