#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/checksum.h"
#include "tests/core/support/fake_seams.h"
#include "tests/core/support/system_md5.h"
#include "tests/core/support/temp_dir.h"

namespace {

// A sparse file just over 4 GiB with marks at the start, around the 4 GiB boundary and at the
// end, so that a size, position or total cut to 32 bits gives a different checksum.
TEST(LargeFileChecksum, SparseFileOver4GiBMatchesMd5sum) {
    testing_support::TempDir dir;
    const std::string path = dir.File("large.bin");
    constexpr std::uint64_t FourGiB = std::uint64_t{1} << 32;
    constexpr std::uint64_t Size = FourGiB + 3 * 4096 + 123;
    {
        std::ofstream out(path, std::ios::binary);
        for (const std::uint64_t offset : {std::uint64_t{0}, FourGiB - 2, FourGiB + 4096, Size - 5}) {
            out.seekp(static_cast<std::streamoff>(offset));
            out << "mark!";
        }
        ASSERT_TRUE(out);
    }
    ASSERT_EQ(std::filesystem::file_size(path), Size);

    testing_support::FakeSeams fake;
    core::Seams seams = fake.Bundle();
    core::ChecksumMemory memory;
    EXPECT_EQ(core::FileMd5Hex(path, core::CancelToken{}, seams, memory),
              testing_support::SystemMd5Hex(path));
    EXPECT_EQ(fake.stepsDone.back(), Size);
}

}  // namespace
