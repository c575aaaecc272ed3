// The window's font: the one the layout was measured for or a metric match of it, so that the
// designed lines stay whole and no caption is cut off.
#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextLayout>

#include "core/dos_time.h"
#include "tests/ui/support/catalogue_window_fixture.h"

namespace {

using testing_support::CatalogueWindowFixture;

class WindowFont : public CatalogueWindowFixture {
  protected:
    WindowFont() { form.SetCaptions(); }

    // The caption as shown: the access key's "&" is not drawn.
    static QString Shown(QString caption) { return caption.remove(QLatin1Char('&')); }
};

TEST_F(WindowFont, TheTargetsTimeStampFitsOnOneLineOfMemo2) {
    const int source = AddVersion("game.exe", "1.0", OldBytes, "Version 1.0");
    const int target = AddVersion("game.exe", "2.0", NewBytes, "Version 2.0", {"What is new"});
    Entry(target).TimeStamp = core::PackDosDateTime({2004, 3, 1, 13, 5, 8}).value();
    AddPatch(source, target);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

    SetSource(files.Write("game.exe", OldBytes));

    const QTextBlock stampLine = controls.Memo2->document()->lastBlock();
    ASSERT_EQ(stampLine.text(), "Time stamp: 03/01/2004 13:05:08");
    const int textWidth = controls.Memo2->viewport()->width() -
                          2 * static_cast<int>(controls.Memo2->document()->documentMargin());
    EXPECT_LE(QFontMetrics(controls.Memo2->font()).horizontalAdvance(stampLine.text()), textWidth);
    ASSERT_NE(stampLine.layout(), nullptr);
    EXPECT_EQ(stampLine.layout()->lineCount(), 1);
}

// Each caption with the room its control gives it: a button's and the check box's own
// margins, a label up to the edge of its group box or window.
TEST_F(WindowFont, NoCaptionIsCutOff) {
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{
             controls.Button1, controls.Button2, controls.Button3, controls.Button4, controls.CheckBox1}) {
        EXPECT_LE(button->sizeHint().width(), button->width()) << Shown(button->text()).toStdString();
    }
    for (QLabel* label : {controls.Label1, controls.Label2, controls.Label5, controls.Label6, controls.Label7,
                          controls.Label8}) {
        const int room = label->parentWidget()->width() - label->x();
        EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(Shown(label->text())), room)
            << Shown(label->text()).toStdString();
        EXPECT_GE(label->width(), QFontMetrics(label->font()).horizontalAdvance(Shown(label->text())));
    }
    for (QGroupBox* group : {controls.GroupBox1, controls.GroupBox2, controls.GroupBox3}) {
        // The caption starts 8 pixels in and must end before the frame's right edge.
        EXPECT_LE(8 + QFontMetrics(group->font()).horizontalAdvance(group->title()), group->width())
            << group->title().toStdString();
    }
}

}  // namespace
