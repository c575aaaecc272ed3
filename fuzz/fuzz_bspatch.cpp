// Arbitrary bytes as a patch, applied to an arbitrary old file: the applier must never crash, hang
// or leak, every failure must say why, and a success must leave a new file of exactly the size the
// header announced.
//
// The input is the old file's length (2 bytes, least significant first), the old file, one byte
// that says how to read the rest, then the rest. An even byte: the rest is the patch as it is. An
// odd byte: the rest is a patch before compression, which this target compresses, so that mutations
// reach the control triples instead of failing the decompressor's checksums: the new size (8 bytes,
// in the format's encoding), the control and diff blocks' lengths (2 bytes each), then the control,
// diff and extra bytes.
#include <bzlib.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

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

    int Replace(std::span<const std::uint8_t> bytes) const {
        if (ftruncate(descriptor_, 0) != 0 || lseek(descriptor_, 0, SEEK_SET) != 0 ||
            pwrite(descriptor_, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
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

// Takes bytes off the front of the input; fewer than asked for when it runs out.
class Input {
  public:
    explicit Input(std::span<const std::uint8_t> bytes) : rest_(bytes) {}

    std::span<const std::uint8_t> Take(std::size_t count) {
        const std::span<const std::uint8_t> taken = rest_.first(std::min(count, rest_.size()));
        rest_ = rest_.subspan(taken.size());
        return taken;
    }
    std::size_t TakeLength() {
        const std::span<const std::uint8_t> bytes = Take(2);
        return bytes.size() < 2 ? 0 : std::size_t{bytes[0]} | std::size_t{bytes[1]} << 8;
    }
    std::span<const std::uint8_t> Rest() const { return rest_; }

  private:
    std::span<const std::uint8_t> rest_;
};

std::string Text(std::span<const std::uint8_t> bytes) { return std::string(bytes.begin(), bytes.end()); }

// One bzip2 stream with the smallest block size, which is the quickest to set up.
std::string Compressed(std::span<const std::uint8_t> bytes) {
    std::string out(bytes.size() + bytes.size() / 100 + 600, '\0');
    auto length = static_cast<unsigned>(out.size());
    std::string in = Text(bytes);
    if (BZ2_bzBuffToBuffCompress(out.data(), &length, in.data(), static_cast<unsigned>(in.size()), 1, 0, 0) !=
        BZ_OK)
        std::abort();
    out.resize(length);
    return out;
}

std::string EncodedLength(std::size_t length) {
    std::string bytes(bspatch::NumberSize, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(length >> (8 * i));
    return bytes;
}

// The patch built from its plain parts: the header gets the compressed blocks' true lengths.
std::string CompressedPatch(Input& input) {
    const std::string newSize = Text(input.Take(bspatch::NumberSize));
    const std::size_t controlLength = input.TakeLength();
    const std::size_t diffLength = input.TakeLength();
    const std::string control = Compressed(input.Take(controlLength));
    const std::string diff = Compressed(input.Take(diffLength));
    const std::string extra = Compressed(input.Rest());
    return "BSDIFF40" + EncodedLength(control.size()) + EncodedLength(diff.size()) + newSize +
           std::string(bspatch::NumberSize - newSize.size(), '\0') + control + diff + extra;
}

std::int64_t AnnouncedNewSize(const std::string& patch) {
    if (patch.size() < bspatch::HeaderSize) return 0;
    return bspatch::DecodeNumber(std::span<const std::uint8_t, bspatch::NumberSize>(
        reinterpret_cast<const std::uint8_t*>(patch.data()) + 24, bspatch::NumberSize));
}

std::span<const std::uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScratchFile oldFile, patchFile, newFile;
    Input input(std::span(data, size));
    const std::span<const std::uint8_t> old = input.Take(input.TakeLength());
    const std::span<const std::uint8_t> form = input.Take(1);
    const bool plain = !form.empty() && (form[0] & 1) != 0;
    const std::string patch = plain ? CompressedPatch(input) : Text(input.Rest());
    const std::int64_t newSize = AnnouncedNewSize(patch);
    if (newSize > LargestNewFile) return 0;

    const core::Status applied = bspatch::ApplyPatch(bspatch::PatchFiles{
        .oldDescriptor = oldFile.Replace(old),
        .oldSize = static_cast<std::int64_t>(old.size()),
        .patchDescriptor = patchFile.Replace(Bytes(patch)),
        .patchSize = patch.size(),
        .newDescriptor = newFile.Replace({}),
    });
    if (applied ? newFile.Size() != newSize : applied.Reason().empty()) std::abort();
    return 0;
}
