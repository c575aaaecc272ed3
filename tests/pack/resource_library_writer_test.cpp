// The branding library the tool writes: mingw's objdump lists its resources and the converter's
// own reader returns their bytes exactly.
#include "pack/resource_library_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "tests/core/support/branding_fixtures.h"
#include "tests/core/support/shell_command.h"

namespace {

using namespace testing_support;

class ResourceLibraryWriter : public ::testing::Test {
  protected:
    void SetUp() override {
        image1 = BitmapResourceOf(MakeImage(dir, "open.bmp", "-size 7x5 gradient:red-blue"));
        image2 = BitmapResourceOf(MakeSolidBitmap(dir, "close.bmp", 3, 2));
        sound1 = WaveImage(WaveEncoding::Pcm8, 20);
        sound2 = WaveImage(WaveEncoding::Pcm16, 13);  // an odd size: the data after it stays aligned
        library = pack::ResourceLibraryBytes({{core::BitmapResourceType, "IMAGE1", image1},
                                              {std::string(core::WaveResourceType), "SOUND2", sound2},
                                              {core::BitmapResourceType, "IMAGE2", image2},
                                              {std::string(core::WaveResourceType), "SOUND1", sound1}});
    }

    TempDir dir;
    Bytes image1, image2, sound1, sound2, library;
};

TEST_F(ResourceLibraryWriter, TheConvertersReaderReturnsEveryResourceExactly) {
    auto reader = core::ResourceLibrary::FromSource(std::make_unique<core::MemoryByteSource>(library));
    ASSERT_TRUE(reader.has_value());
    EXPECT_EQ(reader->Find(core::BitmapResourceType, "IMAGE1"), image1);
    EXPECT_EQ(reader->Find(core::BitmapResourceType, "image2"), image2);
    EXPECT_EQ(reader->Find(std::string(core::WaveResourceType), "SOUND1"), sound1);
    EXPECT_EQ(reader->Find(std::string(core::WaveResourceType), "SOUND2"), sound2);
    EXPECT_EQ(reader->Find(core::BitmapResourceType, "SOUND1"), std::nullopt);
}

TEST_F(ResourceLibraryWriter, MingwObjdumpReadsItAsADllWithTheResources) {
    const std::string path = WriteBytes(dir, "brand.dll", library);
    const std::string dump =
        testing_support::RunShellCommand("i686-w64-mingw32-objdump -p '" + path + "'").output;
    EXPECT_THAT(dump, ::testing::HasSubstr("file format pei-i386"));
    EXPECT_THAT(dump, ::testing::HasSubstr("The .rsrc Resource Directory section"));
    for (const char* name : {"IMAGE1", "IMAGE2", "SOUND1", "SOUND2", "WAVE"})
        EXPECT_THAT(dump, ::testing::HasSubstr(name)) << dump;
    EXPECT_THAT(dump, ::testing::HasSubstr("Entry: ID: 0x000002")) << "the bitmap type by number";
    // One leaf per resource, each with its size.
    for (const Bytes* data : {&image1, &image2, &sound1, &sound2}) {
        char size[32];
        std::snprintf(size, sizeof size, "Size: 0x%06zx", data->size());
        EXPECT_THAT(dump, ::testing::HasSubstr(size));
    }
}

TEST(ResourceFiles, OnlyBitmapsTheConverterCanShowAndWaveFilesAreTaken) {
    TempDir dir;
    const Bytes bmp = ReadBytes(MakeSolidBitmap(dir, "ok.bmp", 2, 2));
    EXPECT_TRUE(pack::BitmapResourceFromFile(bmp));
    Bytes truncated(bmp.begin(), bmp.begin() + 20);
    const Bytes wave = WaveImage(WaveEncoding::Pcm8, 5);
    EXPECT_FALSE(pack::BitmapResourceFromFile(truncated));
    EXPECT_FALSE(pack::BitmapResourceFromFile(wave));
    EXPECT_TRUE(pack::SoundResourceFromFile(wave));
    EXPECT_FALSE(pack::SoundResourceFromFile(bmp));
}

}  // namespace
