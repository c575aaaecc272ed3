#include "core/dib.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/core/support/branding_fixtures.h"
#include "tests/core/support/temp_dir.h"

namespace {

using namespace testing_support;

// ImageMagick writes the file header of a .bmp file; ours for its resource must be the same.
TEST(BitmapFileFromResource, RebuildsTheFileHeaderOfEveryDepthAndHeaderVersion) {
    TempDir dir;
    for (const BitmapFormat& format : BitmapFormats()) {
        SCOPED_TRACE(format.name);
        const Bytes file = ReadBytes(MakeBitmapInFormat(dir, "picture.bmp", format));
        const bool coreHeader = file[14] == 12;
        ASSERT_EQ(file[coreHeader ? 24 : 28], format.bitCount) << "the picture ImageMagick made";
        EXPECT_EQ(core::BitmapFileFromResource(BitmapResourceOf(dir.File("picture.bmp"))), file);
    }
}

void Put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void Put16(Bytes& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

// A 2 x 2 picture, 24 bits, 40-byte header: rows of 6 pixel bytes padded to 8.
Bytes SmallPicture() {
    Bytes dib(40 + 16, 0);
    Put32(dib, 0, 40);
    Put32(dib, 4, 2);
    Put32(dib, 8, 2);
    Put16(dib, 12, 1);
    Put16(dib, 14, 24);
    return dib;
}

TEST(BitmapFileFromResource, RefusesDamagedOrAbsurdPictures) {
    ASSERT_TRUE(core::BitmapFileFromResource(SmallPicture())) << "the undamaged picture";
    const struct {
        const char* name;
        std::function<void(Bytes&)> damage;
    } cases[] = {
        {"no header size", [](Bytes& dib) { Put32(dib, 0, 0); }},
        {"unknown header size", [](Bytes& dib) { Put32(dib, 0, 41); }},
        {"header longer than the resource", [](Bytes& dib) { Put32(dib, 0, 124); }},
        {"too short for a header size", [](Bytes& dib) { dib.resize(3); }},
        {"no width", [](Bytes& dib) { Put32(dib, 4, 0); }},
        {"negative width", [](Bytes& dib) { Put32(dib, 4, static_cast<std::uint32_t>(-2)); }},
        {"no height", [](Bytes& dib) { Put32(dib, 8, 0); }},
        {"absurd width and height", [](Bytes& dib) { Put32(dib, 4, 100000), Put32(dib, 8, 100000); }},
        {"a line wider than any window",
         [](Bytes& dib) {
             Put32(dib, 4, 1 << 24), Put32(dib, 8, 1), Put16(dib, 14, 1), dib.resize(40 + 8 + (1 << 21));
         }},
        {"a column taller than any window",
         [](Bytes& dib) {
             Put32(dib, 4, 1), Put32(dib, 8, 5000), Put16(dib, 14, 1), dib.resize(40 + 8 + 4 * 5000);
         }},
        {"no bit count", [](Bytes& dib) { Put16(dib, 14, 0); }},
        {"odd bit count", [](Bytes& dib) { Put16(dib, 14, 7); }},
        {"embedded JPEG", [](Bytes& dib) { Put32(dib, 16, 4); }},
        {"run lengths at 24 bits", [](Bytes& dib) { Put32(dib, 16, 1); }},
        {"masks at 24 bits", [](Bytes& dib) { Put32(dib, 16, 3); }},
        {"more rows than bytes", [](Bytes& dib) { Put32(dib, 8, 3); }},
        {"palette past the end", [](Bytes& dib) { Put32(dib, 32, 1000); }},
        {"more colours than 8 bits hold",
         [](Bytes& dib) { Put16(dib, 14, 8), Put32(dib, 32, 257), dib.resize(40 + 257 * 4 + 8); }},
    };
    for (const auto& damaged : cases) {
        Bytes dib = SmallPicture();
        damaged.damage(dib);
        EXPECT_FALSE(core::BitmapFileFromResource(dib)) << damaged.name;
    }
}

TEST(BitmapFileFromResource, RefusesBottomUpOnlyCompressionStoredTopDown) {
    Bytes dib = SmallPicture();
    Put16(dib, 14, 8);
    Put32(dib, 16, 1);  // 8-bit run lengths
    Put32(dib, 32, 1);  // one palette entry
    ASSERT_TRUE(core::BitmapFileFromResource(dib));
    Put32(dib, 8, static_cast<std::uint32_t>(-2));
    EXPECT_FALSE(core::BitmapFileFromResource(dib));
}

// The 40-byte header with masks is followed by them; the palette that any depth may carry comes next.
TEST(BitmapFileFromResource, PutsThePixelsAfterMasksAndPalette) {
    Bytes dib = SmallPicture();
    Put16(dib, 14, 16);
    Put32(dib, 16, 3);  // masks
    Put32(dib, 32, 2);  // two palette entries
    dib.resize(40 + 12 + 8 + 2 * 4);
    const std::optional<Bytes> file = core::BitmapFileFromResource(dib);
    ASSERT_TRUE(file);
    EXPECT_EQ((*file)[10], 14 + 40 + 12 + 8);
    dib.pop_back();
    EXPECT_FALSE(core::BitmapFileFromResource(dib)) << "one pixel byte short";
}

}  // namespace
