// Arbitrary bytes as a patch, applied to an arbitrary old file: the applier must never crash, hang
// or leak, every failure must say why, and a success must leave a new file of exactly the size the
// header announced. The input is the old file's length (2 bytes, least significant first), the
// old file, then the patch.
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "bspatch/patch_applier.h"
#include "bspatch/patch_header.h"

namespace {

// New files over this size only make runs slow; the checks that matter happen long before.
constexpr std::int64_t LargestNewFile = 1 << 20;

// An in-memory file rewritten for every input; a file on disk would make every run wait for it.
class ScratchFile {
  public:
    ScratchFile() : descriptor_(memfd_create("fuzz-bspatch", 0)) {
        if (descriptor_ < 0) std::abort();
    }
    ~ScratchFile() { close(descriptor_); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    int Replace(const std::uint8_t* data, std::size_t size) const {
        if (ftruncate(descriptor_, 0) != 0 || lseek(descriptor_, 0, SEEK_SET) != 0 ||
            pwrite(descriptor_, data, size, 0) != static_cast<ssize_t>(size))
            std::abort();
        return descriptor_;
    }

    std::int64_t Size() const {
        struct stat status {};
        if (fstat(descriptor_, &status) != 0) std::abort();
        return status.st_size;
    }

  private:
    int descriptor_;
};

std::int64_t AnnouncedNewSize(const std::uint8_t* patch, std::size_t size) {
    if (size < bspatch::HeaderSize) return 0;
    return bspatch::DecodeNumber(
        std::span<const std::uint8_t, bspatch::NumberSize>(patch + 24, bspatch::NumberSize));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScratchFile oldFile, patchFile, newFile;
    if (size < 2) return 0;
    const std::size_t oldSize = std::min<std::size_t>(data[0] | std::size_t{data[1]} << 8, size - 2);
    const std::uint8_t* patch = data + 2 + oldSize;
    const std::size_t patchSize = size - 2 - oldSize;
    const std::int64_t newSize = AnnouncedNewSize(patch, patchSize);
    if (newSize > LargestNewFile) return 0;

    const bspatch::Status applied = bspatch::ApplyPatch(bspatch::PatchFiles{
        .oldDescriptor = oldFile.Replace(data + 2, oldSize),
        .oldSize = static_cast<std::int64_t>(oldSize),
        .patchDescriptor = patchFile.Replace(patch, patchSize),
        .patchSize = patchSize,
        .newDescriptor = newFile.Replace(nullptr, 0),
    });
    if (applied ? newFile.Size() != newSize : applied.Reason().empty()) std::abort();
    return 0;
}
