// The round trip: our patch from arbitrary A to arbitrary B, applied to A by our patch tool, gives
// exactly B. Any failure to make or apply the patch, or any other result, is a finding.
//
// The input is A's length (2 bytes, least significant first), A, then B (the rest).
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "bsdiff/patch_maker.h"
#include "bspatch/patch_applier.h"

namespace {

// A directory of its own on a memory file system where there is one: the maker writes, syncs and
// renames real files.
std::string ScratchDirectory() {
    std::string pattern = (access("/dev/shm", W_OK) == 0 ? std::string("/dev/shm") : std::string("/tmp")) +
                          "/fuzz-bsdiff-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
}

void WriteFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (descriptor < 0 || write(descriptor, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        std::abort();
    close(descriptor);
}

struct OpenForReading {
    explicit OpenForReading(const std::string& path) : descriptor(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
        if (descriptor < 0 || fstat(descriptor, &status) != 0) std::abort();
    }
    ~OpenForReading() { close(descriptor); }
    OpenForReading(const OpenForReading&) = delete;
    OpenForReading& operator=(const OpenForReading&) = delete;
    int descriptor;
    struct stat status {};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string directory = ScratchDirectory();
    static const std::string oldPath = directory + "/old", newPath = directory + "/new",
                             patchPath = directory + "/patch";
    static const int result = memfd_create("fuzz-bsdiff-result", 0);
    if (result < 0) std::abort();

    const std::size_t oldLength =
        size < 2 ? 0 : std::min(std::size_t{data[0]} | std::size_t{data[1]} << 8, size - 2);
    const std::span<const std::uint8_t> old(data + std::min<std::size_t>(size, 2), oldLength);
    const std::span<const std::uint8_t> newer(old.data() + oldLength,
                                              size - std::min<std::size_t>(size, 2) - oldLength);
    WriteFile(oldPath, old);
    WriteFile(newPath, newer);

    const core::Status made = bsdiff::MakePatch(oldPath, newPath, patchPath);
    if (!made) std::abort();
    const OpenForReading oldFile(oldPath), patch(patchPath);
    if (ftruncate(result, 0) != 0 || lseek(result, 0, SEEK_SET) != 0) std::abort();
    const core::Status applied = bspatch::ApplyPatch(bspatch::PatchFiles{
        .oldDescriptor = oldFile.descriptor,
        .oldSize = oldFile.status.st_size,
        .patchDescriptor = patch.descriptor,
        .patchSize = static_cast<std::uint64_t>(patch.status.st_size),
        .newDescriptor = result,
    });
    if (!applied) std::abort();

    std::vector<std::uint8_t> produced(newer.size() + 1);
    const ssize_t count = pread(result, produced.data(), produced.size(), 0);
    if (count != static_cast<ssize_t>(newer.size()) ||
        std::memcmp(produced.data(), newer.data(), newer.size()) != 0)
        std::abort();
    return 0;
}
