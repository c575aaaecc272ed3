// The file-name boxes clean their own text, react to every change and to being left, and together
// with the overwrite check box and the version list decide whether Convert is enabled.
#include <sys/time.h>

#include <QCheckBox>
#include <QClipboard>
#include <QFocusEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <ctime>
#include <filesystem>

#include "tests/ui/support/catalogue_window_fixture.h"

namespace {

using testing_support::CatalogueWindowFixture;

class EditBoxes : public CatalogueWindowFixture {
  protected:
    int AddSourceVersion() { return AddVersion("game.exe", "1.0", OldBytes, "Version 1.0"); }

    // Identifies a source whose only reachable version is selected at once; returns its path.
    std::string IdentifySourceWithOneTarget() {
        AddPatch(AddSourceVersion(), AddVersion("game.exe", "2.0", NewBytes, "Version 2.0"));
        std::string path = files.Write("game.exe", OldBytes);
        SetSource(path);
        return path;
    }

    // Identifies a source with two reachable versions, neither of them selected.
    void IdentifySourceWithTwoTargets() {
        const int source = AddSourceVersion();
        AddPatch(source, AddVersion("game.exe", "2.0", NewBytes, "Version 2.0"));
        AddPatch(source, AddVersion("game.exe", "3.0", "three", "Version 3.0"));
        SetSource(files.Write("game.exe", OldBytes));
    }

    void SetTarget(const std::string& name) { controls.Edit2->setText(QString::fromLocal8Bit(name)); }

    static void Leave(QLineEdit& box, Qt::FocusReason reason) {
        QFocusEvent focusOut(QEvent::FocusOut, reason);
        QApplication::sendEvent(&box, &focusOut);
    }

    bool ConvertEnabled() const { return controls.Button3->isEnabled(); }
};

TEST_F(EditBoxes, BlanksTypedAtTheStartVanishAndTheCaretGoesToTheStart) {
    ShowActive();
    controls.Edit1->setFocus();
    form.ShowSourceLabel("stale", true, 0);

    QTest::keyClick(controls.Edit1, Qt::Key_Space);
    EXPECT_EQ(controls.Edit1->text(), "");
    EXPECT_EQ(SourceLabel(), "No information available");
    EXPECT_FALSE(controls.Label3->font().bold());

    QTest::keyClicks(controls.Edit1, "abc");
    QTest::keyClick(controls.Edit1, Qt::Key_Home);
    QTest::keyClick(controls.Edit1, Qt::Key_Space);
    EXPECT_EQ(controls.Edit1->text(), "abc");
    EXPECT_EQ(controls.Edit1->cursorPosition(), 0);

    controls.Edit2->insert(" \t\x01name");
    EXPECT_EQ(controls.Edit2->text(), "name");
    EXPECT_EQ(controls.Edit2->cursorPosition(), 0);

    controls.Edit2->setText("\tother");  // no blank in front: the caret keeps its place within the text
    EXPECT_EQ(controls.Edit2->text(), "other");
    EXPECT_EQ(controls.Edit2->cursorPosition(), 5);
}

TEST_F(EditBoxes, APathPastedInQuotesLosesThemAndIsIdentified) {
    AddSourceVersion();
    const std::string path = files.Write("game.exe", OldBytes);
    ShowActive();
    controls.Edit1->setFocus();
    QApplication::clipboard()->setText(QString::fromLocal8Bit("\"" + path + "\""));

    QTest::keyClick(controls.Edit1, Qt::Key_V, Qt::ControlModifier);

    EXPECT_EQ(controls.Edit1->text(), QString::fromLocal8Bit(path));
    EXPECT_EQ(controls.Edit1->cursorPosition(), controls.Edit1->text().size());
    EXPECT_EQ(SourceLabel(), "\nVersion 1.0");
    EXPECT_EQ(form.Selection().SourceIndex, 0);
}

TEST_F(EditBoxes, OnlyAQuoteDirectlyBeforeTheCaretMovesTheCaret) {
    controls.Edit2->setText("ac");
    controls.Edit2->setCursorPosition(1);
    controls.Edit2->insert("\"b");  // a, quote, b, c with the caret between b and c
    EXPECT_EQ(controls.Edit2->text(), "abc");
    EXPECT_EQ(controls.Edit2->cursorPosition(), 3);

    controls.Edit2->setCursorPosition(1);
    controls.Edit2->insert("\"");
    EXPECT_EQ(controls.Edit2->text(), "abc");
    EXPECT_EQ(controls.Edit2->cursorPosition(), 1);

    controls.Edit2->setCursorPosition(3);
    controls.Edit2->insert("\"\"");
    EXPECT_EQ(controls.Edit2->text(), "abc");
    EXPECT_EQ(controls.Edit2->cursorPosition(), 3);
}

TEST_F(EditBoxes, LeavingTheSourceBoxRemovesTrailingBlanksAndIdentifiesAgain) {
    AddSourceVersion();
    const std::string path = files.Write("game.exe", OldBytes);
    ShowActive();
    controls.Edit1->setFocus();
    QTest::keyClicks(controls.Edit1, QString::fromLocal8Bit(path + "  "));
    ASSERT_EQ(SourceLabel(), "File not found");

    QTest::keyClick(controls.Edit1, Qt::Key_Tab);

    EXPECT_NE(QApplication::focusWidget(), controls.Edit1);
    EXPECT_EQ(controls.Edit1->text(), QString::fromLocal8Bit(path));
    EXPECT_EQ(SourceLabel(), "\nVersion 1.0");
}

TEST_F(EditBoxes, LeavingTheTargetBoxKeepsTheCaretWithinTheTrimmedText) {
    controls.Edit2->setText("name \t ");
    controls.Edit2->setCursorPosition(6);
    Leave(*controls.Edit2, Qt::TabFocusReason);
    EXPECT_EQ(controls.Edit2->text(), "name");
    EXPECT_EQ(controls.Edit2->cursorPosition(), 4);

    controls.Edit2->setText("name  ");
    controls.Edit2->setSelection(2, 4);
    Leave(*controls.Edit2, Qt::MouseFocusReason);
    EXPECT_EQ(controls.Edit2->text(), "name");
    EXPECT_EQ(controls.Edit2->cursorPosition(), 2);
    EXPECT_FALSE(controls.Edit2->hasSelectedText());
}

TEST_F(EditBoxes, ActivatingAnotherWindowOrOpeningAMenuIsNoExit) {
    controls.Edit1->setText("name ");
    Leave(*controls.Edit1, Qt::ActiveWindowFocusReason);
    Leave(*controls.Edit1, Qt::PopupFocusReason);
    EXPECT_EQ(controls.Edit1->text(), "name ");
}

TEST_F(EditBoxes, SourceNamesThatAreNoExistingFileShowFileNotFound) {
    const std::string directory = files.File("folder");
    std::filesystem::create_directory(directory);
    const std::string old = files.Write("old.exe", OldBytes);
    std::tm june1979{};
    june1979.tm_year = 79;
    june1979.tm_mon = 5;
    june1979.tm_mday = 1;
    june1979.tm_hour = 12;
    june1979.tm_isdst = -1;
    const timeval stamp{std::mktime(&june1979), 0};
    const timeval times[2] = {stamp, stamp};
    ASSERT_EQ(utimes(old.c_str(), times), 0);

    for (const std::string& name : {directory, files.File("missing.exe"), old}) {
        SCOPED_TRACE(name);
        form.ShowSourceLabel("stale", false, 0);
        controls.Memo1->setPlainText("stale");
        controls.Button3->setEnabled(true);

        SetSource(name);

        EXPECT_EQ(SourceLabel(), "File not found");
        EXPECT_TRUE(controls.Label3->font().bold());
        EXPECT_EQ(controls.Label3->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        EXPECT_EQ(controls.Label4->text(), "");
        EXPECT_EQ(controls.Memo1->toPlainText(), "");
        EXPECT_FALSE(ConvertEnabled());
    }

    SetSource("");
    EXPECT_EQ(SourceLabel(), "No information available");
    EXPECT_FALSE(controls.Label3->font().bold());
}

TEST_F(EditBoxes, ChoosingAVersionWithOverwriteCheckedEnablesConvertWithoutATargetName) {
    controls.CheckBox1->click();
    IdentifySourceWithOneTarget();
    EXPECT_TRUE(ConvertEnabled());
}

TEST_F(EditBoxes, EmptyingTheTargetDisablesConvertAndOneCharacterEnablesItAgain) {
    SetTarget("target");
    IdentifySourceWithOneTarget();
    ASSERT_TRUE(ConvertEnabled());
    ShowActive();
    controls.Edit2->setFocus();

    controls.Edit2->selectAll();
    QTest::keyClick(controls.Edit2, Qt::Key_Backspace);
    EXPECT_FALSE(ConvertEnabled());

    QTest::keyClick(controls.Edit2, Qt::Key_N);
    EXPECT_TRUE(ConvertEnabled());
}

TEST_F(EditBoxes, ATargetNameWithoutAChosenVersionLeavesConvertAsItWas) {
    IdentifySourceWithTwoTargets();
    ASSERT_FALSE(ConvertEnabled());

    SetTarget("target");

    EXPECT_FALSE(ConvertEnabled());
}

TEST_F(EditBoxes, WithOverwriteForbiddenTheSourcesOwnNameDisablesConvert) {
    setup.Settings.DisableSourceOverwrite = true;
    SetTarget("target");
    const std::string source = IdentifySourceWithOneTarget();
    ASSERT_TRUE(ConvertEnabled());
    std::filesystem::create_directory(files.File("sub"));

    std::filesystem::create_symlink(source, files.File("link.exe"));
    std::filesystem::create_hard_link(source, files.File("hard.exe"));
    files.Write("other.exe", "another file");
    // Every other spelling of the source forbids it as the target; another file does not.
    const struct {
        std::string target;
        bool forbidden;
    } targets[] = {
        {QString::fromLocal8Bit(source).toUpper().toStdString(), true},
        {files.File("sub/../game.exe"), true},
        {files.File("./game.exe"), true},
        {files.File("gam?.exe"), true},
        {files.File("link.exe"), true},
        {files.File("hard.exe"), true},
        {files.File("other.exe"), false},
        {files.File("sub/game.exe"), false},
    };
    for (const auto& target : targets) {
        SetTarget(target.target);
        EXPECT_EQ(ConvertEnabled(), !target.forbidden) << target.target;
    }
}

TEST_F(EditBoxes, WithOverwriteAllowedTheSourcesOwnNameIsATarget) {
    SetTarget("target");
    const std::string source = IdentifySourceWithOneTarget();
    controls.Button3->setEnabled(false);

    SetTarget(source);

    EXPECT_TRUE(ConvertEnabled());
}

TEST_F(EditBoxes, OverwriteSwitchesTheTargetBoxAndBrowseOffWithoutAChoiceLeavingConvertOff) {
    ShowActive();
    QTest::keyClick(controls.CheckBox1, Qt::Key_Space);
    ASSERT_TRUE(controls.CheckBox1->isChecked());
    EXPECT_FALSE(controls.Edit2->isEnabled());
    EXPECT_FALSE(controls.Button2->isEnabled());
    EXPECT_FALSE(ConvertEnabled());

    controls.CheckBox1->click();
    EXPECT_TRUE(controls.Edit2->isEnabled());
    EXPECT_TRUE(controls.Button2->isEnabled());
    EXPECT_FALSE(ConvertEnabled());
}

TEST_F(EditBoxes, OverwriteWithAChosenVersionEnablesConvertUntilUncheckedWithAnEmptyTarget) {
    IdentifySourceWithOneTarget();
    SetTarget("");  // drop the proposed name
    ASSERT_FALSE(ConvertEnabled());

    controls.CheckBox1->click();
    EXPECT_TRUE(ConvertEnabled());
    SetTarget("written while checked");
    SetTarget("");
    EXPECT_TRUE(ConvertEnabled());

    controls.CheckBox1->click();
    EXPECT_FALSE(ConvertEnabled());
    EXPECT_EQ(controls.Edit2->text(), "");
}

TEST_F(EditBoxes, UncheckingOverwriteWithATargetNameLeavesConvertAsItWas) {
    SetTarget("target");
    IdentifySourceWithOneTarget();
    controls.CheckBox1->click();
    ASSERT_TRUE(ConvertEnabled());

    controls.CheckBox1->click();

    EXPECT_TRUE(ConvertEnabled());
    EXPECT_EQ(controls.Edit2->text(), "target");
}

}  // namespace
