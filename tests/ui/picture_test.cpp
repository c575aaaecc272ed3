// The branding picture on the real window: where Image1 and the input column go, the
// transparent colour, and damaged libraries that leave the window as it was laid out.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <memory>

#include "core/resource_library.h"
#include "tests/core/support/branding_fixtures.h"
#include "tests/ui/support/window_fixture.h"

namespace {

using namespace testing_support;

struct ColumnPlace {
    int left;
    int editWidth;
    int checkBoxLeft;
};

void ExpectColumnAt(const ui::TForm1& form, ColumnPlace place) {
    const WindowControls controls(form);
    EXPECT_EQ(controls.Label1->x(), place.left);
    EXPECT_EQ(controls.Label2->x(), place.left);
    for (const QLineEdit* edit : {controls.Edit1, controls.Edit2}) {
        EXPECT_EQ(edit->x(), place.left);
        EXPECT_EQ(edit->width(), place.editWidth);
    }
    EXPECT_EQ(controls.CheckBox1->x(), place.checkBoxLeft);
}

constexpr ColumnPlace LayoutColumn{16, 401, 32};

class Picture : public WindowFixture {
  protected:
    core::ResourceLibrary OpenLibrary(const std::vector<ResourceSource>& resources) {
        std::optional<core::ResourceLibrary> library =
            core::ResourceLibrary::Open(MakeResourceLibrary(dir, "brand.dll", resources));
        if (!library) throw std::runtime_error("the library does not open");
        return std::move(*library);
    }

    TempDir dir;
};

TEST_F(Picture, TheColumnMovesBesidePicturesOfEverySize) {
    const struct {
        int width, height;
        int top;
        ColumnPlace column;
    } rows[] = {
        {100, 80, 24, {133, 284, 149}},  // the right edges of the edit boxes stay at 417
        {65, 40, 44, {98, 319, 114}},    // as wide as the layout's picture area
        {30, 130, -1, {63, 354, 79}},    // cut off at the window's upper edge
        {384, 20, 54, {417, 0, 433}},    // no width left for the edit boxes
        {400, 21, 54, {433, 0, 449}},
    };
    std::vector<ResourceSource> pictures;
    for (const auto& row : rows) {
        const std::string name = "P" + std::to_string(row.width) + "X" + std::to_string(row.height);
        pictures.push_back({name, "BITMAP", MakeSolidBitmap(dir, name + ".bmp", row.width, row.height)});
    }
    core::ResourceLibrary library = OpenLibrary(pictures);
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(pictures[i].name);
        ui::TForm1 window{dialogs, setup, run};
        window.LoadPicture(&library, pictures[i].name);
        const QLabel* image1 = WindowControls(window).Image1;
        EXPECT_FALSE(image1->isHidden());
        EXPECT_EQ(image1->geometry(), QRect(16, rows[i].top, rows[i].width, rows[i].height));
        ExpectColumnAt(window, rows[i].column);
    }
}

TEST_F(Picture, TheClosingPictureMovesTheColumnFromWhereTheOpeningOnePutIt) {
    core::ResourceLibrary library =
        OpenLibrary({{"IMAGE1", "BITMAP", MakeSolidBitmap(dir, "1.bmp", 100, 80)},
                     {"IMAGE2", "BITMAP", MakeSolidBitmap(dir, "2.bmp", 50, 30)}});
    form.LoadPicture(&library, "IMAGE1");
    form.LoadPicture(&library, "IMAGE2");
    EXPECT_EQ(controls.Image1->geometry(), QRect(16, 49, 50, 30));
    ExpectColumnAt(form, {83, 334, 99});
}

TEST_F(Picture, AMissingPictureHidesImage1ForGoodAndLeavesTheColumn) {
    core::ResourceLibrary library =
        OpenLibrary({{"IMAGE1", "BITMAP", MakeSolidBitmap(dir, "1.bmp", 100, 80)}});
    form.LoadPicture(&library, "IMAGE1");
    form.LoadPicture(&library, "IMAGE2");
    EXPECT_TRUE(controls.Image1->isHidden());
    ExpectColumnAt(form, {133, 284, 149});
    form.LoadPicture(&library, "IMAGE1");
    EXPECT_TRUE(controls.Image1->isHidden()) << "a hidden picture stays hidden";
    ExpectColumnAt(form, {133, 284, 149});

    ui::TForm1 unbranded{dialogs, setup, run};
    unbranded.LoadPicture(nullptr, "IMAGE1");
    EXPECT_TRUE(WindowControls(unbranded).Image1->isHidden());
    ExpectColumnAt(unbranded, LayoutColumn);
}

TEST_F(Picture, ADamagedLibraryShowsNoPictureAndLeavesTheColumn) {
    const std::string image1 = MakeSolidBitmap(dir, "1.bmp", 100, 80);
    const Bytes image1Resource = BitmapResourceOf(image1);
    const Bytes intact = ReadBytes(MakeResourceLibrary(dir, "brand.dll", {{"IMAGE1", "BITMAP", image1}}));
    std::vector<LibraryDamage> damages = LibraryDamages();
    damages.push_back({"AbsurdPictureSize", [](Bytes& library, const Bytes& resource) {
                           SetBitmapSizeInLibrary(library, resource, 1 << 30, 1 << 30);
                       }});
    damages.push_back({"TruncatedHeaders", [](Bytes& library, const Bytes&) { library.resize(300); }});
    for (const LibraryDamage& damage : damages) {
        SCOPED_TRACE(damage.name);
        Bytes damaged = intact;
        damage.apply(damaged, image1Resource);
        std::optional<core::ResourceLibrary> library =
            core::ResourceLibrary::Open(WriteBytes(dir, "damaged.dll", damaged));
        ui::TForm1 window{dialogs, setup, run};
        window.LoadPicture(library ? &*library : nullptr, "IMAGE1");
        EXPECT_TRUE(WindowControls(window).Image1->isHidden());
        ExpectColumnAt(window, LayoutColumn);
    }
}

// Pixels of the lower-left pixel's colour show the window's background; the others their own
// colour, here from an 8-bit palette. ImageMagick's own decoding of the same file is the reference.
TEST_F(Picture, ThePictureIsDrawnWithItsLowerLeftColourTransparent) {
    const std::string bmp =
        MakeImage(dir, "palette.bmp", "-size 20x40 gradient:red-blue +dither -type palette -compress None");
    ASSERT_EQ(ReadBytes(bmp)[28], 8) << "an 8-bit picture";
    const std::string png = MakeImage(dir, "reference.png", "'" + bmp + "'", "PNG");
    const QImage reference(QString::fromStdString(png));
    ASSERT_FALSE(reference.isNull());

    core::ResourceLibrary library = OpenLibrary({{"IMAGE1", "BITMAP", bmp}});
    form.LoadPicture(&library, "IMAGE1");
    ASSERT_FALSE(controls.Image1->isHidden());
    ASSERT_EQ(controls.Image1->size(), reference.size());
    ShowActive();
    const QImage window = form.grab().toImage();
    const QRgb background = form.palette().color(QPalette::Window).rgb();
    const QRgb transparent = reference.pixel(0, reference.height() - 1);
    ASSERT_NE(transparent, background);
    int shown = 0;
    for (int y = 0; y < reference.height(); ++y) {
        for (int x = 0; x < reference.width(); ++x) {
            const QRgb expected = reference.pixel(x, y) == transparent ? background : reference.pixel(x, y);
            ASSERT_EQ(window.pixel(controls.Image1->pos() + QPoint(x, y)), expected) << x << "," << y;
            shown += expected != background;
        }
    }
    EXPECT_GT(shown, reference.width() * reference.height() / 2);
}

}  // namespace
