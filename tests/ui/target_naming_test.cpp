// The target name proposed when a version is chosen, and the two Browse buttons with scripted
// file dialogs: what each dialog is opened with, what a choice changes and what a cancel leaves.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <filesystem>

#include "tests/ui/support/catalogue_window_fixture.h"

namespace {

using testing_support::FileDialogKind;

class TargetNaming : public testing_support::CatalogueWindowFixture {
  protected:
    static constexpr std::string_view ThirdBytes = "version three of the game\n";

    void SetUp() override {
        const int source = AddVersion("game.exe", "1.0", OldBytes, "Version 1.0");
        AddPatch(source, AddVersion("game.exe", "1.1", NewBytes, "Version 1.1"));
        std::filesystem::create_directory(files.File("games"));
        std::filesystem::create_directory(files.File("other"));
        sourcePath = files.Write("games/game.exe", OldBytes);
    }

    QString Q(const std::string& text) const { return QString::fromStdString(text); }
    QString Dir(const char* name) const { return Q(files.File(name) + "/"); }
    QString Target() const { return controls.Edit2->text(); }

    void ExpectDialog(FileDialogKind kind, const QString& initialDir, const QString& fileName) {
        ASSERT_EQ(dialogs.fileDialogs.size(), 1u);
        EXPECT_EQ(dialogs.fileDialogs[0].kind, kind);
        EXPECT_EQ(dialogs.fileDialogs[0].initialDir, initialDir);
        EXPECT_EQ(dialogs.fileDialogs[0].fileName, fileName);
        dialogs.fileDialogs.clear();
    }

    std::string sourcePath;
};

TEST_F(TargetNaming, ChoosingVersionsProposesNamesUntilTheUserTypesOne) {
    AddPatch(0, AddVersion("game.exe", "1.2b", ThirdBytes, "Version 1.2b"));
    SetSource(sourcePath);
    ASSERT_EQ(controls.ListBox1->count(), 2);

    controls.ListBox1->setCurrentRow(0);
    EXPECT_EQ(Target(), Dir("games") + "game_1.1.exe");
    EXPECT_EQ(controls.Edit2->cursorPosition(), Target().size());
    EXPECT_TRUE(controls.Button3->isEnabled());

    controls.Edit2->setText(Dir("other") + "game_1.1.exe");  // the user moves the proposal elsewhere
    controls.ListBox1->setCurrentRow(1);
    EXPECT_EQ(Target(), Dir("other") + "game_1.2b.exe");
    EXPECT_EQ(form.Selection().SelectedTarget.Version, "1.2b");

    controls.Edit2->setText(Dir("other") + "mine.exe");
    controls.ListBox1->setCurrentRow(0);
    EXPECT_EQ(Target(), Dir("other") + "mine.exe");
}

TEST_F(TargetNaming, BrowsingToAnotherSourceClearsADerivedTargetAndProposesAfresh) {
    SetSource(sourcePath);
    ASSERT_EQ(Target(), Dir("games") + "game_1.1.exe");
    const std::string other = files.Write("other/GAME.EXE", OldBytes);
    ShowActive();
    dialogs.chosenFiles = {Q(other)};

    controls.Button1->click();

    ExpectDialog(FileDialogKind::Open, Dir("games"), "game.exe");
    EXPECT_EQ(controls.Edit1->text(), Q(other));
    EXPECT_EQ(controls.Edit1->cursorPosition(), controls.Edit1->text().size());
    EXPECT_EQ(form.Selection().SourceIndex, 0);
    EXPECT_TRUE(controls.Edit2->hasFocus());             // its only version was chosen at once
    EXPECT_EQ(Target(), Dir("other") + "GAME_1.1.EXE");  // cleared, then proposed for the new source
}

TEST_F(TargetNaming, BrowsingKeepsTheTargetWhenItIsTheUsersOwnTheSameFileOrPreset) {
    struct Case {
        const char* what;
        std::string target;
        std::string chosen;
        std::string targetSetting;
    };
    const std::string unknown = files.Write("other/unknown.exe", "not in the catalogue");
    const Case cases[] = {
        {"a name of the user's own", files.File("games/mine.exe"), unknown, ""},
        // Cleared, the proposal would come back in the source's directory.
        {"the same file again", files.File("other/game_1.1.exe"), sourcePath, ""},
        {"a target preset by the settings", files.File("games/game_1.1.exe"), unknown, "/preset"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setup.Settings.TargetFile = c.targetSetting;
        SetSource(sourcePath);
        controls.Edit2->setText(Q(c.target));
        controls.Label3->setText("before browsing");
        dialogs.chosenFiles = {Q(c.chosen)};

        controls.Button1->click();

        EXPECT_EQ(Target(), Q(c.target));
        EXPECT_NE(controls.Label3->text(), "before browsing");  // the source was identified (again)
        controls.Edit1->clear();
    }
}

TEST_F(TargetNaming, ACancelledOpenDialogChangesNothing) {
    SetSource(sourcePath);
    controls.Label3->setText("before browsing");
    const QString target = Target();
    QSignalSpy sourceChanges(controls.Edit1, &QLineEdit::textChanged);

    controls.Button1->click();

    ExpectDialog(FileDialogKind::Open, Dir("games"), "game.exe");
    EXPECT_EQ(controls.Edit1->text(), Q(sourcePath));
    EXPECT_EQ(Target(), target);
    EXPECT_EQ(controls.Label3->text(), "before browsing");
    EXPECT_EQ(sourceChanges.count(), 0);

    // With an empty source box the dialog keeps the directory it had and offers no name.
    controls.Edit1->clear();
    controls.Button1->click();
    ExpectDialog(FileDialogKind::Open, Dir("games"), "");
}

TEST_F(TargetNaming, TheSaveDialogOffersTheTargetOrANewNameForTheSource) {
    controls.Button2->click();
    ExpectDialog(FileDialogKind::Save, "", "");

    controls.Edit1->setText(Q(files.Write("other/game_new.exe", "unknown")));  // not identified: no version
    controls.Button2->click();
    ExpectDialog(FileDialogKind::Save, "", "game_new_new.exe");

    SetSource(sourcePath);
    controls.Edit2->clear();
    controls.Button2->click();
    ExpectDialog(FileDialogKind::Save, "", "game_new.exe");

    controls.Edit2->setText(Q(files.File("other/out.exe")));
    controls.Button2->click();
    ExpectDialog(FileDialogKind::Save, Dir("other"), "out.exe");

    controls.Edit2->clear();
    controls.Button2->click();
    ExpectDialog(FileDialogKind::Save, Dir("other"), "game_new.exe");  // the directory stays
}

TEST_F(TargetNaming, AConfirmedSaveDialogWritesTheTargetAndACancelledOneKeepsIt) {
    SetSource(sourcePath);
    ShowActive();
    const QString chosen = Q(files.File("other/chosen.exe"));
    dialogs.chosenFiles = {chosen, std::nullopt};

    controls.Button2->click();
    EXPECT_EQ(Target(), chosen);
    EXPECT_TRUE(controls.Edit2->hasFocus());
    EXPECT_EQ(controls.Edit2->cursorPosition(), chosen.size());
    EXPECT_TRUE(controls.Button3->isEnabled());

    controls.Button2->click();
    EXPECT_EQ(Target(), chosen);
    EXPECT_EQ(dialogs.fileDialogs.size(), 2u);
}

}  // namespace
