// The version list keeps its choice: the user can move it to another version but no gesture
// leaves the list looking empty while Convert still counts on the old choice.
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <functional>

#include "tests/ui/support/catalogue_window_fixture.h"

namespace {

using testing_support::CatalogueWindowFixture;

class VersionChoice : public CatalogueWindowFixture {
  protected:
    void SetUp() override {
        const int first = AddVersion("game.exe", "1.0", OldBytes, "Version 1.0");
        AddPatch(first, AddVersion("game.exe", "2.0", NewBytes, "Version 2.0", {"Second"}));
        AddPatch(first, AddVersion("game.exe", "3.0", "three", "Version 3.0", {"Third"}));
        ShowActive();
        controls.Edit2->setText("target");
        source = files.Write("game.exe", OldBytes);
        SetSource(source);
        ASSERT_EQ(controls.ListBox1->count(), 2);
    }

    // The source identified afresh: the list filled again, with no version chosen.
    void IdentifyAgain() {
        controls.Edit1->clear();
        controls.Edit2->setText("target");
        SetSource(source);
        ASSERT_EQ(controls.ListBox1->count(), 2);
        ASSERT_TRUE(controls.ListBox1->selectedItems().isEmpty());
    }

    std::string source;

    QPoint RowCentre(int row) const {
        return controls.ListBox1->visualItemRect(controls.ListBox1->item(row)).center();
    }
    QWidget* Rows() const { return controls.ListBox1->viewport(); }

    void ClickRow(int row, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(Rows(), Qt::LeftButton, modifiers, RowCentre(row));
    }

    void ExpectChosen(int row, const std::string& version, const QString& description) const {
        ASSERT_EQ(controls.ListBox1->selectedItems().size(), 1);
        EXPECT_EQ(controls.ListBox1->row(controls.ListBox1->selectedItems().front()), row);
        EXPECT_EQ(form.Selection().SelectedTarget.Version, version);
        EXPECT_EQ(controls.Memo2->toPlainText(), description);
        EXPECT_TRUE(controls.Button3->isEnabled());
    }
};

TEST_F(VersionChoice, NoGestureEmptiesAChoiceOnceMade) {
    const QPoint offTheList(Rows()->width() / 2, Rows()->height() + 40);
    // Each gesture on the chosen first row, which would empty the selection of a plain list.
    const struct {
        const char* name;
        std::function<void()> act;
    } gestures[] = {
        {"Ctrl+click on the chosen version", [&] { ClickRow(0, Qt::ControlModifier); }},
        {"Ctrl+Space on the chosen version",
         [&] { QTest::keyClick(controls.ListBox1, Qt::Key_Space, Qt::ControlModifier); }},
        {"press on the chosen version and drag off the list",
         [&] {
             QTest::mousePress(Rows(), Qt::LeftButton, {}, RowCentre(0));
             QTest::mouseMove(Rows(), offTheList);
             QTest::mouseRelease(Rows(), Qt::LeftButton, {}, offTheList);
         }},
        {"click below the last version",
         [&] { QTest::mouseClick(Rows(), Qt::LeftButton, {}, QPoint(5, Rows()->height() - 3)); }},
    };
    for (const auto& gesture : gestures) {
        SCOPED_TRACE(gesture.name);
        ClickRow(0);
        controls.ListBox1->setFocus();
        ExpectChosen(0, "2.0", "Second");

        gesture.act();

        ExpectChosen(0, "2.0", "Second");
    }
}

TEST_F(VersionChoice, TheChoiceStillMovesByClickCtrlClickDragAndArrowKeys) {
    ClickRow(0);
    ExpectChosen(0, "2.0", "Second");

    ClickRow(1, Qt::ControlModifier);
    ExpectChosen(1, "3.0", "Third");

    QTest::mousePress(Rows(), Qt::LeftButton, {}, RowCentre(1));
    QTest::mouseMove(Rows(), RowCentre(0));
    QTest::mouseRelease(Rows(), Qt::LeftButton, {}, RowCentre(0));
    ExpectChosen(0, "2.0", "Second");

    controls.ListBox1->setFocus();
    QTest::keyClick(controls.ListBox1, Qt::Key_Down);
    ExpectChosen(1, "3.0", "Third");
}

// Home and End choose the first and the last version even before any choice, as a click would.
TEST_F(VersionChoice, HomeAndEndChooseTheFirstAndLastVersionBeforeAnyChoice) {
    const struct {
        Qt::Key key;
        int row;
        const char* version;
        const char* description;
    } cases[] = {{Qt::Key_Home, 0, "2.0", "Second"}, {Qt::Key_End, 1, "3.0", "Third"}};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.version);
        IdentifyAgain();
        ClickRow(test.row);
        const QString proposedByClick = controls.Edit2->text();

        IdentifyAgain();
        // Focus arriving from another control makes the first row current without choosing it.
        controls.Edit2->setFocus();
        controls.ListBox1->setFocus();
        QTest::keyClick(controls.ListBox1, test.key);
        ExpectChosen(test.row, test.version, test.description);
        EXPECT_EQ(controls.Edit2->text().toStdString(), proposedByClick.toStdString());
    }
}

}  // namespace
