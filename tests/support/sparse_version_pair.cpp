#include "tests/support/sparse_version_pair.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/support/patch_writer.h"

namespace testing_support {

namespace {

constexpr std::uint64_t FourGiB = std::uint64_t{1} << 32;
// What the patch inserts, and what it adds where it reads past the old file's end.
constexpr std::string_view Inserted = "INSERT";
constexpr std::string_view PastTheEnd = "past the end!";
constexpr std::int64_t TailStart = 150;   // where the second triple reads the old file
constexpr std::int64_t TailLength = 200;  // zeros there, plus one changed byte
constexpr std::int64_t EndLength = 7 + static_cast<std::int64_t>(PastTheEnd.size());

// A file of `size` bytes that holds only the given bytes at the given offsets.
void WriteSparse(const std::string& path, std::uint64_t size,
                 const std::vector<std::pair<std::uint64_t, std::string>>& marks) {
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = descriptor >= 0 && ::ftruncate(descriptor, static_cast<off_t>(size)) == 0;
    for (const auto& [offset, bytes] : marks)
        ok = ok && ::pwrite(descriptor, bytes.data(), bytes.size(), static_cast<off_t>(offset)) ==
                       static_cast<ssize_t>(bytes.size());
    if (descriptor >= 0) ::close(descriptor);
    if (!ok) throw std::runtime_error("cannot write " + path);
}

}  // namespace

SparseVersionPair MakeSparseVersionPair(const std::string& directory, const std::string& patchPath,
                                        std::uint64_t oldSize) {
    // The middle mark straddles the 4 GiB boundary whenever the file reaches past it.
    const std::uint64_t middle = std::min(FourGiB, oldSize / 2);
    const auto firstAdd = static_cast<std::int64_t>(oldSize - 4096);
    const std::uint64_t afterInsert = static_cast<std::uint64_t>(firstAdd) + Inserted.size();
    const std::vector<ControlTriple> triples{
        {firstAdd, static_cast<std::int64_t>(Inserted.size()), TailStart - firstAdd},
        {TailLength, 0, static_cast<std::int64_t>(oldSize) - 7 - (TailStart + TailLength)},
        {EndLength, 0, 0},
    };

    SparseVersionPair pair{directory + "/old.bin", directory + "/new.bin",
                           afterInsert + TailLength + EndLength};
    WriteSparse(pair.oldPath, oldSize, {{0, "OLD-A"}, {middle - 2, "OLD-B"}, {oldSize - 5, "OLD-C"}});
    WriteSparse(pair.newPath, pair.newSize,
                {{0, "OLD-A"},
                 {middle - 2, "OLD.B"},  // the diff adds 1 to the '-'
                 {static_cast<std::uint64_t>(firstAdd), std::string(Inserted)},
                 {afterInsert + 10, "x"},
                 {afterInsert + TailLength + 2, "OLD-C" + std::string(PastTheEnd)}});

    // Diff bytes are zero except where the new version differs from the old bytes under them.
    const std::vector<std::pair<std::uint64_t, std::string>> changes{
        {middle + 1, "\x01"},
        {static_cast<std::uint64_t>(firstAdd) + 10, "x"},
        {static_cast<std::uint64_t>(firstAdd + TailLength + 7), std::string(PastTheEnd)}};
    const std::uint64_t diffSize = static_cast<std::uint64_t>(firstAdd + TailLength + EndLength);
    const std::string diff =
        CompressGenerated(diffSize, [&](std::uint64_t offset, std::span<std::uint8_t> piece) {
            std::fill(piece.begin(), piece.end(), 0);
            for (const auto& [at, bytes] : changes) {
                for (std::size_t i = 0; i < bytes.size(); ++i) {
                    if (at + i >= offset && at + i < offset + piece.size())
                        piece[at + i - offset] = static_cast<std::uint8_t>(bytes[i]);
                }
            }
        });
    std::ofstream(patchPath, std::ios::binary) << AssemblePatch(
        Compress(ControlBytes(triples)), diff, Compress(Inserted), static_cast<std::int64_t>(pair.newSize));
    return pair;
}

core::FileInfo CatalogueEntry(const std::string& version, const std::string& md5) {
    core::FileInfo entry;
    entry.FileName = "old.bin";  // so that the patch from "1" to "2" is old_1_2.bsdiff
    entry.Version = version;
    entry.Md5 = md5;
    entry.Description1 = "Version " + version;
    return entry;
}

}  // namespace testing_support
