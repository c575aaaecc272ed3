// Identifying the source: what the window shows for a known, unknown or unreadable file, which
// versions it lists, how a version is chosen, and identifications overtaken by newer events.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCheckBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTimer>
#include <functional>

#include "core/dos_time.h"
#include "tests/ui/support/catalogue_window_fixture.h"
#include "ui/qt_colours.h"
#include "ui/qt_text.h"

namespace {

using testing_support::CatalogueWindowFixture;

class Identification : public CatalogueWindowFixture {
  protected:
    QColor LabelColour() const { return controls.Label3->palette().color(QPalette::WindowText); }
    void ExpectNeutralSource() const {
        EXPECT_EQ(SourceLabel(), "No information available");
        EXPECT_FALSE(controls.Label3->font().bold());
        EXPECT_EQ(controls.Label4->text(), "");
        EXPECT_EQ(StatusText(), "idle");
        EXPECT_FALSE(controls.Timer1->isActive());
    }
    QStringList ListedVersions() const {
        QStringList texts;
        for (int row = 0; row < controls.ListBox1->count(); ++row)
            texts << controls.ListBox1->item(row)->text();
        return texts;
    }
};

TEST_F(Identification, KnownSourceShowsItsEntryAndSelectsItsOnlyTargetAtOnce) {
    setup.AppInfos = {{"other.exe", "Other Program"}, {"GAME.exe", "The Game"}, {"game.EXE", "Later Name"}};
    const int source = AddVersion("Game.exe", "1.0", OldBytes, "Version 1.0", {"First line", "Second line"});
    const int target = AddVersion("game.exe", "1.1 Beta", NewBytes, "Version 1.1 Beta", {"What is new"});
    Entry(target).ProposedFileName = "game_beta.exe";
    Entry(target).TimeStamp = core::PackDosDateTime({2004, 3, 1, 13, 5, 8}).value();
    const std::string patch = AddPatch(source, target);
    const std::string path = files.Write("game.exe", OldBytes);
    ShowActive();
    controls.Button1->setFocus();
    controls.Edit2->setText("my target");
    controls.Edit2->setCursorPosition(0);
    int targetDescriptionsShown = 0;
    QObject::connect(controls.Memo2, &QPlainTextEdit::textChanged, &form, [&] {
        if (!controls.Memo2->toPlainText().isEmpty()) ++targetDescriptionsShown;
    });

    SetSource(path);

    EXPECT_EQ(form.Selection().SourceIndex, source);
    EXPECT_EQ(SourceLabel(), "The Game\nVersion 1.0");
    EXPECT_TRUE(controls.Label3->font().bold());
    EXPECT_EQ(LabelColour(), ui::ToQColor(setup.Settings.Colours.FontColor));
    EXPECT_EQ(controls.Label4->text(), "md5 checksum:\n" + LowerHex(OldBytes));
    EXPECT_EQ(controls.Memo1->toPlainText(), "First line\nSecond line");
    EXPECT_EQ(controls.Memo1->textCursor().position(), 0);
    EXPECT_FALSE(controls.Memo1->textCursor().hasSelection());

    EXPECT_EQ(ListedVersions(), QStringList{"Version 1.1 Beta"});
    EXPECT_TRUE(controls.ListBox1->item(0)->isSelected());
    EXPECT_EQ(controls.Memo2->toPlainText(), "What is new\n\nTime stamp: 03/01/2004 13:05:08");
    EXPECT_EQ(controls.Memo2->textCursor().position(), 0);
    EXPECT_EQ(targetDescriptionsShown, 1);  // the program's own selection is handled once
    EXPECT_EQ(form.RequestFromForm().value().patch, patch);
    EXPECT_EQ(form.Selection().SelectedTarget.Version, "1.1 Beta");
    EXPECT_EQ(form.Selection().SelectedTarget.ProposedFileName, "game_beta.exe");
    EXPECT_EQ(form.Selection().SelectedTarget.Md5, Entry(target).Md5);
    EXPECT_EQ(form.Selection().SelectedTarget.TimeStamp, Entry(target).TimeStamp);
    EXPECT_TRUE(controls.Button3->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), controls.Edit2);
    EXPECT_EQ(controls.Edit2->cursorPosition(), controls.Edit2->text().size());
    EXPECT_EQ(StatusText(), "idle");
    EXPECT_FALSE(controls.Timer1->isActive());
}

// A description of one endless word is cut before it reaches the box, so the window stays responsive;
// a cut never splits a character written as a surrogate pair.
TEST_F(Identification, AnEndlessDescriptionIsCutToAFewThousandWholeCharacters) {
    const std::string clef = "\xF0\x9D\x84\x9E";  // U+1D11E, two UTF-16 code units
    for (const std::string& unit : {std::string("x"), clef}) {
        SCOPED_TRACE(unit);
        std::string word;
        for (std::size_t size = 0; size < 4'000'000; size += unit.size()) word += unit;
        const std::string name = "big" + std::to_string(unit.size()) + ".bin";
        const int source = AddVersion(name, "1.0", OldBytes, "Big", {std::string(3, 'a') + word});
        SetSource(files.Write(name, OldBytes));
        ASSERT_EQ(form.Selection().SourceIndex, source);
        const QString shown = controls.Memo1->toPlainText();
        EXPECT_GE(shown.size(), 1000);
        EXPECT_LE(shown.size(), 10000);
        EXPECT_TRUE(shown.startsWith("aaa" + ui::ToQString(unit + unit)));
        EXPECT_FALSE(shown.back().isHighSurrogate());
        setup.FileInfos.clear();
    }
}

TEST_F(Identification, WithoutApplicationNameTheFirstLineIsEmptyAndTheProposedTargetEnablesConvert) {
    setup.AppInfos = {{"other.exe", "Other Program"}};
    const int source = AddVersion("game.exe", "1.0", OldBytes, "Version 1.0");
    AddPatch(source, AddVersion("game.exe", "2.0", NewBytes, "Version 2.0", {"Plain"}));

    SetSource(files.Write("game.exe", OldBytes));

    EXPECT_EQ(SourceLabel(), "\nVersion 1.0");
    EXPECT_EQ(controls.Memo1->toPlainText(), "");
    EXPECT_EQ(controls.Memo2->toPlainText(), "Plain");
    EXPECT_EQ(controls.Edit2->text().toStdString(), files.File("game_2.0.exe"));
    EXPECT_TRUE(controls.Button3->isEnabled());
}

TEST_F(Identification, TheEarlierOfTwoEntriesWithTheSameChecksumWins) {
    AddVersion("game.exe", "1.0", OldBytes, "Original");
    setup.FileInfos.back().Md5 = core::LowerCase(setup.FileInfos.back().Md5);
    AddVersion("game.exe", "1.0 again", OldBytes, "Duplicate");

    SetSource(files.Write("game.exe", OldBytes));

    EXPECT_EQ(form.Selection().SourceIndex, 0);
    EXPECT_EQ(SourceLabel(), "\nOriginal");
}

TEST_F(Identification, ListsOnlyOtherVersionsOfTheSameFileWhosePatchArrived) {
    const int source = AddVersion("game.exe", "1.0", OldBytes, "Version 1.0");
    AddPatch(source, source);
    AddPatch(source, AddVersion("GAME.EXE", "2.0", NewBytes, "Version 2.0"));
    AddVersion("game.exe", "3.0", "three", "Version 3.0 without patch");
    AddVersion("tool.exe", "2.0", "tool", "Another file whose patch name matches");
    AddPatch(source, AddVersion("game.exe", "4.0", "four", "Version 4.0"));
    controls.Edit2->setText("target");

    SetSource(files.Write("game.exe", OldBytes));

    EXPECT_EQ(ListedVersions(), (QStringList{"Version 2.0", "Version 4.0"}));
    EXPECT_TRUE(controls.ListBox1->selectedItems().isEmpty());
    EXPECT_EQ(controls.Memo2->toPlainText(), "");
    EXPECT_FALSE(controls.Button3->isEnabled());
}

TEST_F(Identification, AnIdenticalCopyOfTheSourceEntryIsATargetOfItsOwn) {
    const int source = AddVersion("game.exe", "1.0", OldBytes, "Version 1.0");
    const int copy = AddVersion("game.exe", "1.0", OldBytes, "The same again");
    AddPatch(source, copy);

    SetSource(files.Write("game.exe", OldBytes));

    EXPECT_EQ(ListedVersions(), QStringList{"The same again"});
}

TEST_F(Identification, TheUserChoosesAVersionWithTheMouseOrTheArrowKeys) {
    const int source = AddVersion("game.exe", "1.0", OldBytes, "Version 1.0");
    const int second = AddVersion("game.exe", "2.0", NewBytes, "Version 2.0", {"No stamp"});
    const int third = AddVersion("game.exe", "3.0", "three", "Version 3.0", {"Stamp outside the calendar"});
    Entry(third).TimeStamp = 0;
    AddPatch(source, second);
    const std::string thirdPatch = AddPatch(source, third);
    ShowActive();
    controls.Edit2->setText("target");
    SetSource(files.Write("game.exe", OldBytes));
    ASSERT_EQ(controls.ListBox1->count(), 2);
    ASSERT_FALSE(controls.Button3->isEnabled());

    const QRect secondRow = controls.ListBox1->visualItemRect(controls.ListBox1->item(0));
    QTest::mouseClick(controls.ListBox1->viewport(), Qt::LeftButton, {}, secondRow.center());
    EXPECT_EQ(controls.Memo2->toPlainText(), "No stamp");
    EXPECT_EQ(form.Selection().SelectedTarget.Version, "2.0");
    EXPECT_TRUE(controls.Button3->isEnabled());

    QTest::keyClick(controls.ListBox1, Qt::Key_Down);
    EXPECT_EQ(controls.Memo2->toPlainText(), "Stamp outside the calendar");
    EXPECT_EQ(form.Selection().SelectedTarget.Version, "3.0");
    EXPECT_EQ(form.RequestFromForm().value().patch, thirdPatch);

    QTest::keyClick(controls.ListBox1, Qt::Key_Up);
    EXPECT_EQ(controls.Memo2->toPlainText(), "No stamp");
    EXPECT_EQ(form.Selection().SelectedTarget.Version, "2.0");
}

TEST_F(Identification, AChoiceSurvivesAChangeOfSourceButTheListDoesNot) {
    const int source = AddVersion("game.exe", "1.0", OldBytes, "Version 1.0");
    AddPatch(source, AddVersion("game.exe", "2.0", NewBytes, "Version 2.0", {"New"}));
    SetSource(files.Write("game.exe", OldBytes));
    ASSERT_EQ(controls.ListBox1->count(), 1);

    SetSource(files.File("missing.exe"));

    EXPECT_EQ(controls.ListBox1->count(), 0);
    EXPECT_EQ(controls.Memo2->toPlainText(), "");
    EXPECT_EQ(form.Selection().SourceIndex, -1);
    EXPECT_EQ(form.Selection().SelectedTarget.Version, "2.0");
}

TEST_F(Identification, AnUnknownChecksumShowsTheInvalidFileTextAndTheChecksum) {
    AddVersion("game.exe", "1.0", OldBytes, "Version 1.0");
    const std::string unknown = "a file nobody catalogued";

    SetSource(files.Write("unknown.bin", unknown));

    EXPECT_EQ(form.Selection().SourceIndex, -1);
    EXPECT_EQ(SourceLabel(), "Invalid file\nor unsupported version");
    EXPECT_TRUE(controls.Label3->font().bold());
    EXPECT_EQ(LabelColour(), QColor(255, 0, 0));
    EXPECT_EQ(controls.Label4->text(), "md5 checksum:\n" + LowerHex(unknown));
    EXPECT_EQ(controls.ListBox1->count(), 0);
    EXPECT_FALSE(controls.Button3->isEnabled());
    EXPECT_EQ(StatusText(), "idle");
}

// A file another program holds, with either kind of lock, is said to be in use, like the other
// faults of a source; a name that opens nothing stays neutral.
TEST_F(Identification, ASourceHeldByAnotherProgramIsInUse) {
    AddVersion("game.exe", "1.0", OldBytes, "Version 1.0");
    const std::string path = files.Write("game.exe", OldBytes);
    for (const int lock : {LOCK_SH, LOCK_EX}) {
        SCOPED_TRACE(lock == LOCK_SH ? "shared" : "exclusive");
        controls.Edit1->clear();
        const int holder = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(holder, 0);
        ASSERT_EQ(flock(holder, lock | LOCK_NB), 0);

        SetSource(path);
        close(holder);
        EXPECT_EQ(SourceLabel(), "File in use\nby another program");
        EXPECT_TRUE(controls.Label3->font().bold());
        EXPECT_EQ(LabelColour(), ui::ToQColor(setup.Settings.Colours.FontErrorColor));
        EXPECT_EQ(controls.Label4->text(), "");
        EXPECT_EQ(StatusText(), "idle");
        EXPECT_FALSE(controls.Button3->isEnabled());
    }

    SetSource(files.File("gam?.exe"));  // passes the existence test, but no file has that name
    ExpectNeutralSource();
    EXPECT_TRUE(dialogs.boxes.empty());
}

// A file large enough that its checksum takes many pieces, with window events between them.
class InterruptedIdentification : public Identification {
  protected:
    void SetUp() override {
        const std::string bigBytes(4 << 20, 'x');
        AddVersion("game.exe", "1.0", bigBytes, "Big version", {"Big"});
        AddVersion("game.exe", "2.0", NewBytes, "Small version", {"Small"});
        big = files.Write("big.exe", bigBytes);
        small = files.Write("small.exe", NewBytes);
        ShowActive();
    }

    // Runs `meanwhile` from the event processing of the big file's checksum.
    void IdentifyBigFileWhile(std::function<void()> meanwhile) {
        QTimer::singleShot(0, &form, std::move(meanwhile));
        SetSource(big);
    }

    std::string big;
    std::string small;
};

TEST_F(InterruptedIdentification, ANewSourceNameEndsTheEarlierChecksumWithoutAResult) {
    IdentifyBigFileWhile([this] { SetSource(small); });

    EXPECT_EQ(controls.Edit1->text(), QString::fromStdString(small));
    EXPECT_EQ(form.Selection().SourceIndex, 1);
    EXPECT_EQ(SourceLabel(), "\nSmall version");
    EXPECT_EQ(controls.Memo1->toPlainText(), "Small");
    EXPECT_EQ(controls.Label4->text(), "md5 checksum:\n" + LowerHex(NewBytes));
    EXPECT_EQ(StatusText(), "idle");
}

TEST_F(InterruptedIdentification, AMissingNameTypedMeanwhileLeavesFileNotFoundAndAnIdleStatus) {
    IdentifyBigFileWhile([this] { QTest::keyClick(controls.Edit1, Qt::Key_X); });

    EXPECT_EQ(SourceLabel(), "File not found");
    EXPECT_EQ(controls.Label4->text(), "");
    EXPECT_EQ(controls.Memo1->toPlainText(), "");
    EXPECT_EQ(form.Selection().SourceIndex, -1);
    EXPECT_EQ(StatusText(), "idle");
    EXPECT_FALSE(controls.Timer1->isActive());
}

TEST_F(InterruptedIdentification, ClosingTheWindowEndsTheChecksumWithoutTouchingTheWindow) {
    form.onFormClose = [this] {
        form.SetStatus("Shutting down...", setup.Settings.Colours.FontStatusColor, true);
    };

    IdentifyBigFileWhile([this] { form.close(); });

    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(SourceLabel(), "No information available");
    EXPECT_EQ(controls.Label4->text(), "");
    EXPECT_EQ(form.Selection().SourceIndex, -1);
    EXPECT_EQ(StatusText(), "Shutting down...");
    EXPECT_TRUE(controls.Timer1->isActive());
}

}  // namespace
