// A known version of just over 4 GiB, mostly a hole, converts through the real window with our
// patch tool in the set: identified, copied, patched with 64-bit positions on both sides, stamped
// and verified against a checksum of the new version that no patch tool made.
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <filesystem>
#include <set>

#include "tests/core/support/system_md5.h"
#include "tests/core/support/temp_dir.h"
#include "tests/support/sparse_version_pair.h"
#include "tests/ui/support/window_fixture.h"

namespace {

namespace fs = std::filesystem;
using testing_support::BoxKind;
using testing_support::CatalogueEntry;
using testing_support::SystemMd5Hex;

constexpr std::uint64_t FourGiB = std::uint64_t{1} << 32;

class LargeConversion : public testing_support::WindowFixture {};

TEST_F(LargeConversion, AVersionOver4GiBConvertsAndVerifiesWithOurTool) {
    testing_support::TempDir dir;
    fs::create_directory(dir.File("extracted"));
    fs::copy_file(FC_BSPATCH, dir.File("extracted/bspatch"));
    const testing_support::SparseVersionPair pair = testing_support::MakeSparseVersionPair(
        dir.path(), dir.File("extracted/old_1_2.bsdiff"), FourGiB + 8192);
    ASSERT_GT(pair.newSize, FourGiB);
    run.ExtractionDir = dir.File("extracted");
    setup.FileInfos = {CatalogueEntry("1", SystemMd5Hex(pair.oldPath)),
                       CatalogueEntry("2", SystemMd5Hex(pair.newPath))};
    form.SetCaptions();
    form.SetFixedCaptions();
    ShowActive();

    controls.Edit1->setText(QString::fromStdString(pair.oldPath));
    ASSERT_EQ(controls.ListBox1->count(), 1) << "the old version was not identified";
    const std::string target = dir.File("converted.bin");
    controls.Edit2->setText(QString::fromStdString(target));
    ASSERT_TRUE(controls.Button3->isEnabled());
    controls.Button3->click();

    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].kind, BoxKind::Success);
    EXPECT_EQ(fs::file_size(target), pair.newSize);
    EXPECT_EQ(dir.Entries("extracted"), (std::set<std::string>{"bspatch", "old_1_2.bsdiff"}));
}

}  // namespace
