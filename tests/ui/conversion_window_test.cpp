// The Convert button on the real window with a real patch set: writing a new target, replacing
// an existing one or the source itself, declining, a failed copy, and closing the window while
// the patch tool runs or while the question is open.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <set>
#include <tuple>

#include "core/dos_time.h"
#include "platform/files.h"
#include "tests/core/support/sample_bytes.h"
#include "tests/core/support/system_md5.h"
#include "tests/core/support/temp_dir.h"
#include "tests/ui/support/window_fixture.h"

namespace {

namespace fs = std::filesystem;
using testing_support::BoxKind;
using testing_support::ReadWholeFile;

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// A little over one 64 KiB copy block, so that the copy processes events.
constexpr std::size_t VersionSize = 70000;

constexpr core::DosFields TargetStamp{2001, 2, 3, 4, 5, 6};

class ConversionWindow : public testing_support::WindowFixture {
  protected:
    void SetUp() override {
        extraction = dir.File("extracted");
        fs::create_directory(extraction);
        fs::create_directory(dir.File("files"));
        fs::copy_file(realTool, extraction + "/bspatch");

        version1 = testing_support::SampleBytes(VersionSize, 1);
        version2 = version1;
        version2.replace(1000, 5000, testing_support::SampleBytes(6000, 2));
        const std::string file1 = dir.Write("v1", version1);
        const std::string file2 = dir.Write("v2", version2);
        MakePatch(file1, file2, "game_1_2.bsdiff");
        MakePatch(file2, file1, "game_2_1.bsdiff");

        run.ExtractionDir = extraction;
        setup.FileInfos = {Entry("1", file1, core::NoTimeStamp),
                           Entry("2", file2, *core::PackDosDateTime(TargetStamp))};

        form.SetCaptions();
        form.SetFixedCaptions();
        ShowActive();
        source = dir.Write("files/game.dat", version1);
    }

    void TearDown() override {
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    }

    void MakePatch(const std::string& from, const std::string& to, const std::string& name) {
        ASSERT_EQ(
            std::system(("bsdiff " + Quoted(from) + " " + Quoted(to) + " " + Quoted(extraction + "/" + name))
                            .c_str()),
            0);
    }

    static core::FileInfo Entry(const std::string& version, const std::string& file,
                                core::ShortDosDateTime stamp) {
        core::FileInfo entry;
        entry.FileName = "game.dat";
        entry.Version = version;
        entry.Md5 = testing_support::SystemMd5Hex(file);
        entry.Description1 = "Version " + version;
        entry.TimeStamp = stamp;
        return entry;
    }

    // Names the source, which makes its one reachable version the choice.
    void NameSource() {
        controls.Edit1->setText(QString::fromStdString(source));
        ASSERT_EQ(controls.ListBox1->count(), 1) << "the source was not identified";
        ASSERT_EQ(controls.ListBox1->currentRow(), 0);
    }

    void ChooseConversion(const std::string& target) {
        NameSource();
        controls.Edit2->setText(QString::fromStdString(target));
        ASSERT_TRUE(controls.Button3->isEnabled());
    }

    void ChooseOverwritingTheSource() {
        NameSource();
        controls.CheckBox1->click();
        ASSERT_TRUE(controls.Button3->isEnabled());
    }

    // The window as the user gets it back after a run that did not start the patch tool.
    void ExpectHandedBackWithConvertFocused() {
        for (QWidget* control :
             std::initializer_list<QWidget*>{controls.Edit1, controls.Button1, controls.CheckBox1,
                                             controls.ListBox1, controls.Button3, controls.Button4}) {
            EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
        }
        EXPECT_TRUE(controls.Button3->hasFocus());
    }

    void ExpectOnlyBox(BoxKind kind, const std::string& text) {
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0].kind, kind);
        EXPECT_EQ(dialogs.boxes[0].text.toStdString(), text);
    }

    std::set<std::string> Listing(const std::string& directory) const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(directory))
            names.insert(entry.path().filename().string());
        return names;
    }

    // Puts a script in the patch tool's place that runs the commands before the real tool.
    void WrapPatchTool(const std::string& commands) {
        dir.Write("extracted/bspatch", "#!/bin/sh\n" + commands + "\nexec " + Quoted(realTool) + " \"$@\"\n");
        fs::permissions(extraction + "/bspatch", fs::perms::owner_all);
    }

    std::string TemporaryCopy() const { return extraction + "/game.dat.tmp"; }

    testing_support::TempDir dir;
    std::string extraction;
    const std::string realTool = FC_BSPATCH;
    std::string version1;
    std::string version2;
    std::string source;
};

TEST_F(ConversionWindow, ANewTargetIsWrittenStampedVerifiedAndTheSourceIdentifiedAgain) {
    const std::string target = dir.File("files/new.dat");
    ChooseConversion(target + "  ");
    const std::set<std::string> extracted = Listing(extraction);

    // Convert takes the focus first, so the target box drops its trailing blanks before the run.
    controls.Edit2->setFocus();
    QTest::keyClick(controls.Edit2, Qt::Key_Return);

    ExpectOnlyBox(BoxKind::Success, "Conversion successful.");
    EXPECT_EQ(ReadWholeFile(target), version2);
    const std::optional<platform::LocalTime> stamp = platform::ModificationTime(target);
    ASSERT_TRUE(stamp.has_value());
    EXPECT_EQ(std::tie(stamp->year, stamp->month, stamp->day, stamp->hour, stamp->minute, stamp->second),
              std::tie(TargetStamp.year, TargetStamp.month, TargetStamp.day, TargetStamp.hour,
                       TargetStamp.minute, TargetStamp.second));
    EXPECT_EQ(ReadWholeFile(source), version1);
    EXPECT_EQ(Listing(dir.File("files")), (std::set<std::string>{"game.dat", "new.dat"}));
    EXPECT_EQ(Listing(extraction), extracted);
    EXPECT_EQ(controls.Label8->text(), "idle");

    // Identified anew: its one version is chosen again and the target box has the focus.
    EXPECT_EQ(form.Selection().SourceIndex, 0);
    EXPECT_EQ(controls.ListBox1->currentRow(), 0);
    EXPECT_TRUE(controls.Edit2->hasFocus());
    for (QWidget* control : std::initializer_list<QWidget*>{
             controls.Edit1, controls.Edit2, controls.Button1, controls.Button2, controls.CheckBox1,
             controls.ListBox1, controls.Button3, controls.Button4}) {
        EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
    }
}

TEST_F(ConversionWindow, AnExistingTargetIsReplacedOnlyAfterYes) {
    const std::string target = dir.Write("files/existing.dat", "keep me");
    ChooseConversion(target);
    const std::set<std::string> extracted = Listing(extraction);
    const std::string question = "Overwrite existing file:\r" + target;

    dialogs.answers = {false};
    controls.Button3->click();
    ExpectOnlyBox(BoxKind::Question, question);
    EXPECT_EQ(ReadWholeFile(target), "keep me");
    EXPECT_EQ(Listing(extraction), extracted);
    ExpectHandedBackWithConvertFocused();

    dialogs.boxes.clear();
    dialogs.answers = {true};
    controls.Button3->click();
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[0].text.toStdString(), question);
    EXPECT_EQ(dialogs.boxes[1].kind, BoxKind::Success);
    EXPECT_EQ(ReadWholeFile(target), version2);
    EXPECT_EQ(Listing(extraction), extracted);
}

TEST_F(ConversionWindow, OverwritingTheSourceAlwaysAsksAndShowsItsNewVersionAfterwards) {
    ChooseOverwritingTheSource();
    const std::string question = "Overwrite existing file:\r" + source;

    dialogs.answers = {false};
    controls.Button3->click();
    ExpectOnlyBox(BoxKind::Question, question);
    EXPECT_EQ(ReadWholeFile(source), version1);
    EXPECT_FALSE(controls.Edit2->isEnabled());
    EXPECT_FALSE(controls.Button2->isEnabled());
    ExpectHandedBackWithConvertFocused();

    dialogs.boxes.clear();
    controls.Button3->click();
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[0].text.toStdString(), question);
    EXPECT_EQ(dialogs.boxes[1].kind, BoxKind::Success);
    EXPECT_EQ(ReadWholeFile(source), version2);
    EXPECT_EQ(Listing(dir.File("files")), std::set<std::string>{"game.dat"});
    EXPECT_EQ(form.Selection().SourceIndex, 1);
    ASSERT_EQ(controls.ListBox1->count(), 1);
    EXPECT_FALSE(controls.Edit2->isEnabled()) << "the target box stays off while the source is overwritten";
}

TEST_F(ConversionWindow, AFailedCopyNamesTheTemporaryFileAndHandsTheWindowBack) {
    const std::string target = dir.File("files/new.dat");
    ChooseConversion(target);
    fs::create_directory(TemporaryCopy());

    controls.Button3->click();

    ExpectOnlyBox(BoxKind::Error, "Could not copy to temp file:\r" + TemporaryCopy());
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(controls.Label8->text(), "idle");
    ExpectHandedBackWithConvertFocused();
}

TEST_F(ConversionWindow, TheWindowCannotBeClosedOrCancelledWhileThePatchToolRuns) {
    // The tool holds on until the test has tried to close the window a few times (or gives up
    // after 30 seconds, so that a broken test cannot hang).
    const std::string go = dir.File("go");
    WrapPatchTool("i=0; while [ ! -e " + Quoted(go) +
                  " ] && [ $i -lt 3000 ]; do sleep 0.01; i=$((i+1)); done");
    ChooseConversion(dir.File("files/new.dat"));

    int attempts = 0;
    int accepted = 0;
    int cancelEnabled = 0;
    QTimer closer;
    closer.setInterval(20);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (controls.Label8->text() != "Converting...") return;
        ++attempts;
        if (controls.Button4->isEnabled()) ++cancelEnabled;
        if (form.close()) ++accepted;
        if (attempts == 3) std::ofstream(go) << "go";
    });
    closer.start();
    controls.Button3->click();
    closer.stop();

    EXPECT_GE(attempts, 3);
    EXPECT_EQ(accepted, 0);
    EXPECT_EQ(cancelEnabled, 0);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.IsClosing());
    ExpectOnlyBox(BoxKind::Success, "Conversion successful.");

    EXPECT_TRUE(controls.Button4->isEnabled());
    EXPECT_TRUE(form.close());
}

TEST_F(ConversionWindow, ClosingTheWindowDuringTheQuestionEndsTheRunAsIfNo) {
    const std::string target = dir.Write("files/existing.dat", "keep me");
    const std::string toolRan = dir.File("tool-ran");
    WrapPatchTool("touch " + Quoted(toolRan));
    ChooseConversion(target);
    dialogs.answers = {true};
    dialogs.whileBoxOpen = [this](const testing_support::ShownBox&) { form.close(); };

    controls.Button3->click();

    ExpectOnlyBox(BoxKind::Question, "Overwrite existing file:\r" + target);
    EXPECT_TRUE(form.IsClosing());
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(ReadWholeFile(target), "keep me");
    EXPECT_FALSE(fs::exists(toolRan));
}

}  // namespace
