#include "core/resource_library.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/core/support/branding_fixtures.h"
#include "tests/core/support/temp_dir.h"

namespace {

using namespace testing_support;

std::optional<core::ResourceLibrary> FromBytes(const Bytes& bytes) {
    return core::ResourceLibrary::FromSource(std::make_unique<core::MemoryByteSource>(bytes));
}

// One library of each format with two pictures, two sounds and a numbered sound.
class ResourceLibraryTest : public ::testing::TestWithParam<LibraryFormat> {
  protected:
    void SetUp() override {
        const std::string image1 = MakeImage(dir, "one.bmp", "-size 7x5 gradient:red-blue");
        const std::string image2 = MakeSolidBitmap(dir, "two.bmp", 3, 2);
        image1Resource = BitmapResourceOf(image1);
        image2Resource = BitmapResourceOf(image2);
        sound1 = WaveImage(WaveEncoding::Pcm8, 20);
        sound2 = WaveImage(WaveEncoding::Pcm16, 10);
        path = MakeResourceLibrary(dir, "brand.dll",
                                   {{"IMAGE1", "BITMAP", image1},
                                    {"IMAGE2", "BITMAP", image2},
                                    {"SOUND1", "WAVE", WriteBytes(dir, "one.wav", sound1)},
                                    {"SOUND2", "WAVE", WriteBytes(dir, "two.wav", sound2)},
                                    {"7", "WAVE", dir.File("one.wav")}},
                                   GetParam());
    }

    TempDir dir;
    std::string path;
    Bytes image1Resource, image2Resource, sound1, sound2;
};

TEST_P(ResourceLibraryTest, FindsEachResourceByTypeAndNameInAnyCase) {
    std::optional<core::ResourceLibrary> library = core::ResourceLibrary::Open(path);
    ASSERT_TRUE(library);
    const core::ResourceKey bitmap = core::BitmapResourceType;
    const core::ResourceKey wave = std::string(core::WaveResourceType);
    EXPECT_EQ(library->Find(bitmap, std::string("IMAGE1")), image1Resource);
    EXPECT_EQ(library->Find(bitmap, std::string("Image2")), image2Resource);
    EXPECT_EQ(library->Find(wave, std::string("sound1")), sound1);
    EXPECT_EQ(library->Find(std::string("wave"), std::string("SOUND2")), sound2);
    EXPECT_EQ(library->Find(wave, std::uint16_t{7}), sound1);

    EXPECT_FALSE(library->Find(wave, std::string("IMAGE1"))) << "a picture is not a sound";
    EXPECT_FALSE(library->Find(bitmap, std::string("IMAGE3")));
    EXPECT_FALSE(library->Find(bitmap, std::string("IMAGE")));
    EXPECT_FALSE(library->Find(wave, std::string("7"))) << "a number is not a name";
    EXPECT_FALSE(library->Find(std::uint16_t{3}, std::string("IMAGE1")));
}

// The resource compiler writes names in capitals; names written otherwise still match.
TEST_P(ResourceLibraryTest, NamesStoredInSmallLettersMatch) {
    Bytes library = ReadBytes(path);
    const Bytes stored{'I', 0, 'M', 0, 'A', 0, 'G', 0, 'E', 0, '1', 0};
    const auto at = std::search(library.begin(), library.end(), stored.begin(), stored.end());
    ASSERT_NE(at, library.end());
    for (auto letter = at; letter < at + 10; letter += 2)
        *letter = static_cast<std::uint8_t>(*letter + 'a' - 'A');
    std::optional<core::ResourceLibrary> opened = FromBytes(library);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->Find(core::BitmapResourceType, std::string("IMAGE1")), image1Resource);
}

// Cut anywhere, the library yields the whole picture or nothing; cut after the picture, it is all there.
TEST_P(ResourceLibraryTest, EveryTruncationYieldsThePictureWholeOrNothing) {
    const Bytes library = ReadBytes(path);
    const auto at = std::search(library.begin(), library.end(), image1Resource.begin(), image1Resource.end());
    const std::size_t pictureEnd = static_cast<std::size_t>(at - library.begin()) + image1Resource.size();
    for (std::size_t length = 0; length <= library.size(); ++length) {
        const Bytes cut(library.begin(), library.begin() + static_cast<std::ptrdiff_t>(length));
        std::optional<core::ResourceLibrary> opened = FromBytes(cut);
        const std::optional<Bytes> found =
            opened ? opened->Find(core::BitmapResourceType, std::string("IMAGE1")) : std::nullopt;
        if (length < pictureEnd)
            ASSERT_FALSE(found) << "cut at " << length;
        else
            ASSERT_EQ(found, image1Resource) << "cut at " << length;
    }
}

TEST_P(ResourceLibraryTest, ADamagedWayToThePictureLeavesItMissing) {
    for (const LibraryDamage& damage : LibraryDamages()) {
        Bytes library = ReadBytes(path);
        damage.apply(library, image1Resource);
        // Through a real file too, since the file is read piece by piece.
        const std::string damagedPath = WriteBytes(dir, "damaged.dll", library);
        std::optional<core::ResourceLibrary> opened[] = {FromBytes(library),
                                                         core::ResourceLibrary::Open(damagedPath)};
        for (std::optional<core::ResourceLibrary>& one : opened) {
            if (one) {
                EXPECT_FALSE(one->Find(core::BitmapResourceType, std::string("IMAGE1"))) << damage.name;
            }
        }
    }
}

// The library's bytes followed by zeros up to a size far larger, as a sparse file reads, counting
// what is read.
class SparseSource final : public core::ByteSource {
  public:
    SparseSource(Bytes bytes, std::uint64_t size, std::uint64_t& bytesRead)
        : bytes_(std::move(bytes)), size_(size), bytesRead_(bytesRead) {}
    std::uint64_t Size() const override { return size_; }
    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override {
        if (offset > size_ || buffer.size() > size_ - offset) return false;
        bytesRead_ += buffer.size();
        for (std::size_t i = 0; i < buffer.size(); ++i)
            buffer[i] = offset + i < bytes_.size() ? bytes_[offset + i] : 0;
        return true;
    }

  private:
    Bytes bytes_;
    std::uint64_t size_;
    std::uint64_t& bytesRead_;
};

void PutU32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A resource section and a picture claiming 4 GiB in a sparse file of 8 GiB: the picture is
// refused before anything of that size is read.
TEST_P(ResourceLibraryTest, AResourceClaimingGigabytesIsRefusedUnread) {
    Bytes library = ReadBytes(path);
    const std::uint8_t rsrcName[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
    const auto section =
        std::search(library.begin(), library.end(), std::begin(rsrcName), std::end(rsrcName));
    ASSERT_NE(section, library.end());
    const std::size_t header = static_cast<std::size_t>(section - library.begin());
    const std::uint32_t sectionRva =
        library[header + 12] | library[header + 13] << 8 | library[header + 14] << 16;
    const std::uint32_t sectionFileOffset =
        library[header + 20] | library[header + 21] << 8 | library[header + 22] << 16;
    const auto picture =
        std::search(library.begin(), library.end(), image1Resource.begin(), image1Resource.end());
    const std::uint32_t pictureRva =
        static_cast<std::uint32_t>(picture - library.begin()) - sectionFileOffset + sectionRva;
    Bytes record(8);
    PutU32(record, 0, pictureRva);
    PutU32(record, 4, static_cast<std::uint32_t>(image1Resource.size()));
    const auto entry = std::search(library.begin(), library.end(), record.begin(), record.end());
    ASSERT_NE(entry, library.end());
    PutU32(library, static_cast<std::size_t>(entry - library.begin()) + 4, 0xFFFF0000u);
    PutU32(library, header + 8, 0xFFFFFFFFu);   // virtual size
    PutU32(library, header + 16, 0xFFFFFFFFu);  // size in the file

    std::uint64_t bytesRead = 0;
    std::optional<core::ResourceLibrary> opened = core::ResourceLibrary::FromSource(
        std::make_unique<SparseSource>(std::move(library), 8ull << 30, bytesRead));
    ASSERT_TRUE(opened);
    EXPECT_FALSE(opened->Find(core::BitmapResourceType, std::string("IMAGE1")));
    EXPECT_LT(bytesRead, 1u << 20);
}

INSTANTIATE_TEST_SUITE_P(BothFormats, ResourceLibraryTest,
                         ::testing::Values(LibraryFormat::Pe32, LibraryFormat::Pe32Plus),
                         [](const auto& format) {
                             return format.param == LibraryFormat::Pe32 ? "Pe32" : "Pe32Plus";
                         });

TEST(ResourceLibrary, FilesThatAreNoLibraryDoNotOpen) {
    TempDir dir;
    EXPECT_FALSE(core::ResourceLibrary::Open(dir.File("missing.dll")));
    EXPECT_FALSE(core::ResourceLibrary::Open(dir.path())) << "a directory";
    EXPECT_FALSE(core::ResourceLibrary::Open(dir.Write("empty.dll", "")));
    EXPECT_FALSE(core::ResourceLibrary::Open(dir.Write("text.dll", std::string(200, 'x'))));
    EXPECT_FALSE(core::ResourceLibrary::Open(
        WriteBytes(dir, "picture.dll", BitmapResourceOf(MakeSolidBitmap(dir, "p.bmp", 30, 30)))));
}

}  // namespace
