// Bitmap resources of every depth and header version decode to the pixels that ImageMagick, an
// independent reader, sees in the same .bmp file.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>

#include "tests/core/support/branding_fixtures.h"
#include "ui/picture.h"

namespace {

using namespace testing_support;

// `tolerance`: how far a colour channel may be off, for depths whose channels have fewer than
// eight bits and which readers widen in different ways.
void ExpectSamePixels(const QImage& decoded, const QImage& reference, int tolerance = 0) {
    ASSERT_FALSE(decoded.isNull());
    ASSERT_EQ(decoded.size(), reference.size());
    for (int y = 0; y < reference.height(); ++y) {
        for (int x = 0; x < reference.width(); ++x) {
            const QRgb got = decoded.pixel(x, y);
            const QRgb want = reference.pixel(x, y);
            ASSERT_LE(std::abs(qRed(got) - qRed(want)), tolerance) << x << "," << y;
            ASSERT_LE(std::abs(qGreen(got) - qGreen(want)), tolerance) << x << "," << y;
            ASSERT_LE(std::abs(qBlue(got) - qBlue(want)), tolerance) << x << "," << y;
        }
    }
}

class BitmapDecoding : public ::testing::Test {
  protected:
    // ImageMagick decodes its own .bmp file again into a PNG file for Qt.
    QImage Reference(const std::string& bmp) {
        return QImage(
            QString::fromStdString(MakeImage(dir, "reference.png", "'" + bmp + "' -alpha off", "PNG24")));
    }

    TempDir dir;
};

TEST_F(BitmapDecoding, EveryDepthAndHeaderVersionGivesImageMagicksPixels) {
    for (const BitmapFormat& format : BitmapFormats()) {
        SCOPED_TRACE(format.name);
        const std::string bmp = MakeBitmapInFormat(dir, "picture.bmp", format);
        ExpectSamePixels(ui::DecodeBitmapResource(BitmapResourceOf(bmp)), Reference(bmp),
                         format.channelTolerance);
    }
}

// Version 4 is version 5 without its last 16 bytes; rows may also be stored top to bottom.
TEST_F(BitmapDecoding, Version4HeadersAndTopDownRowsDecode) {
    const std::string bmp = MakeBitmapInFormat(dir, "picture.bmp", {"version 5, 24 bits", "", "BMP", 24, 0});
    const Bytes version5 = BitmapResourceOf(bmp);
    const QImage reference = Reference(bmp);
    Bytes version4(version5.begin(), version5.begin() + 108);
    version4[0] = 108;
    version4.insert(version4.end(), version5.begin() + 124, version5.end());
    ExpectSamePixels(ui::DecodeBitmapResource(version4), reference);

    Bytes topDown = version4;
    const std::size_t rowBytes = (23 * 3 + 3) / 4 * 4;
    for (int row = 0; row < 40; ++row) {
        const auto source = version4.begin() + 108 + static_cast<std::ptrdiff_t>((39 - row) * rowBytes);
        std::copy(source, source + static_cast<std::ptrdiff_t>(rowBytes),
                  topDown.begin() + 108 + static_cast<std::ptrdiff_t>(row * rowBytes));
    }
    topDown[8] = static_cast<std::uint8_t>(-40);  // height -40, stored little-endian
    std::fill(topDown.begin() + 9, topDown.begin() + 12, 0xFF);
    ExpectSamePixels(ui::DecodeBitmapResource(topDown), reference);
}

}  // namespace
