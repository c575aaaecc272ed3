// A set made by file-converter-pack, used unchanged by the whole program: start-up unpacks it,
// and every ordered pair of versions converts through the real window to the right checksum.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/file_converter_app.h"
#include "tests/core/support/fake_seams.h"
#include "tests/core/support/sample_bytes.h"
#include "tests/core/support/scoped_environment.h"
#include "tests/core/support/system_md5.h"
#include "tests/core/support/temp_dir.h"
#include "tests/ui/support/scripted_dialogs.h"
#include "tests/ui/support/window_controls.h"
#include "ui/Unit1.h"

namespace {

namespace fs = std::filesystem;
using testing_support::BoxKind;

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

class PackRoundTrip : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directory(dir.File("tmp"));
        environment.Set("TMPDIR", dir.File("tmp"));
        fs::create_directory(dir.File("work"));
        const std::string v1 = testing_support::SampleBytes(90000, 1);
        std::string v2 = v1;
        v2.replace(2000, 3000, testing_support::SampleBytes(4000, 2));
        const std::string v3 = v2 + testing_support::SampleBytes(5000, 3);
        versions = {dir.Write("v1", v1), dir.Write("v2", v2), dir.Write("v3", v3)};
    }

    // Builds the set with the tool as a publisher would; the labels and the description hold a
    // blank and a double quote.
    void BuildSet() {
        const std::string command = std::string(FC_PACK_TOOL) + " build " + Quoted(dir.File("bin")) +
                                    " --name 'my game.dat' --base convert"
                                    " '1.0 beta=" +
                                    versions[0] + "' '2.0=" + versions[1] + "' '3 final=" + versions[2] +
                                    "' --describe '2.0=He said \"go\"' 2>/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

    // Names the source, picks the target version's row, names the target and converts.
    void Convert(ui::TForm1& form, const std::string& source, int row, const std::string& target) {
        const testing_support::WindowControls controls(form);
        controls.Edit1->setText(QString::fromLocal8Bit(source));
        ASSERT_EQ(controls.ListBox1->count(), 2) << "the source was not identified: " << source;
        controls.ListBox1->setCurrentRow(row);
        controls.Edit2->setText(QString::fromLocal8Bit(target));
        ASSERT_TRUE(controls.Button3->isEnabled());
        dialogs.boxes.clear();
        controls.Button3->click();
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0].kind, BoxKind::Success) << dialogs.boxes[0].text.toStdString();
    }

    testing_support::TempDir dir;
    testing_support::ScopedEnvironment environment;
    testing_support::ScriptedDialogs dialogs;
    std::vector<std::string> versions;
};

TEST_F(PackRoundTrip, EveryOrderedPairConvertsToTheRightChecksum) {
    BuildSet();
    app::FileConverterApp program(dir.File("bin/convert"), dialogs,
                                  [](int code) { throw testing_support::ProgramExited(code); });
    program.Start();
    ASSERT_TRUE(dialogs.boxes.empty());
    const core::FileInfoList& infos = program.Setup().FileInfos;
    ASSERT_EQ(infos.size(), 3u);
    EXPECT_EQ(infos[0].Version, "1.0 beta");
    EXPECT_EQ(infos[1].Description2, std::vector<std::string>{"He said \"go\""});

    int conversions = 0;
    for (std::size_t from = 0; from < versions.size(); ++from) {
        const std::string source = dir.File("work/source" + std::to_string(from) + ".dat");
        fs::copy_file(versions[from], source);
        for (int row = 0; row < 2; ++row) {
            const std::string target =
                dir.File("work/result" + std::to_string(from) + std::to_string(row) + ".dat");
            Convert(program.Form(), source, row, target);
            // The list holds the other versions in catalogue order.
            const std::size_t to = static_cast<std::size_t>(row) < from ? row : row + 1;
            EXPECT_EQ(testing_support::SystemMd5Hex(target), testing_support::SystemMd5Hex(versions[to]))
                << "version " << from << " to " << to;
            ++conversions;
        }
        EXPECT_EQ(testing_support::SystemMd5Hex(source), testing_support::SystemMd5Hex(versions[from]));
    }
    EXPECT_EQ(conversions, 6);
}

}  // namespace
