#include "bsdiff/patch_maker.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#include "bsdiff/block_compressor.h"
#include "bsdiff/mapped_file.h"
#include "bsdiff/match_search.h"
#include "bsdiff/suffix_array.h"

namespace bsdiff {

namespace {

using core::Failure;
using core::Result;
using core::Status;

constexpr std::string_view Magic = "BSDIFF40";
constexpr mode_t PatchMode = 0644;

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

// The hidden file a patch is written to, removed when the run ends without success.
class HiddenFile {
  public:
    static Result<std::unique_ptr<HiddenFile>> CreateBeside(const std::string& path) {
        const std::size_t slash = path.rfind('/');
        const std::string directory =
            slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
        std::string name = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "." +
                           path.substr(slash + 1) + ".XXXXXX";
        const int descriptor = ::mkostemp(name.data(), O_CLOEXEC);
        if (descriptor < 0) return Failure{SystemError("cannot create a file beside \"" + path + "\"")};
        return std::unique_ptr<HiddenFile>(new HiddenFile(descriptor, std::move(name), directory));
    }
    ~HiddenFile() {
        if (descriptor_ >= 0) ::close(descriptor_);
        if (!kept_) (void)::unlink(path_.c_str());
    }
    HiddenFile(const HiddenFile&) = delete;
    HiddenFile& operator=(const HiddenFile&) = delete;

    [[nodiscard]] int Descriptor() const { return descriptor_; }
    [[nodiscard]] const std::string& Path() const { return path_; }
    [[nodiscard]] const std::string& Directory() const { return directory_; }

    // Makes the file readable like any other, waits until it is on the disk and renames it to `path`.
    [[nodiscard]] Status MoveTo(const std::string& path) {
        if (::fchmod(descriptor_, PatchMode) != 0 || ::fsync(descriptor_) != 0)
            return Failure{SystemError("cannot write the patch \"" + path + "\"")};
        const int descriptor = std::exchange(descriptor_, -1);
        if (::close(descriptor) != 0) return Failure{SystemError("cannot write the patch \"" + path + "\"")};
        if (::rename(path_.c_str(), path.c_str()) != 0)
            return Failure{SystemError("cannot put the patch in place as \"" + path + "\"")};
        kept_ = true;
        return core::Succeeded;
    }

  private:
    HiddenFile(int descriptor, std::string path, std::string directory)
        : descriptor_(descriptor), path_(std::move(path)), directory_(std::move(directory)) {}

    int descriptor_;
    std::string path_;
    std::string directory_;
    bool kept_ = false;
};

bool WriteAll(int descriptor, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t count = ::write(descriptor, bytes.data(), bytes.size());
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return false;
        bytes = bytes.subspan(static_cast<std::size_t>(count));
    }
    return true;
}

// Appends the compressed block to `out`: inside the kernel where it can, else through a buffer.
bool CopyBlock(const CompressedBytes& block, int out) {
    off_t offset = 0;
    std::uint64_t left = block.length;
    while (left > 0) {
        const ssize_t count = ::copy_file_range(block.descriptor, &offset, out, nullptr, left, 0);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        left -= static_cast<std::uint64_t>(count);
    }
    std::array<std::uint8_t, std::size_t{64} * 1024> buffer{};
    while (left > 0) {
        const ssize_t count =
            ::pread(block.descriptor, buffer.data(), std::min<std::uint64_t>(left, buffer.size()), offset);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0 || !WriteAll(out, std::span(buffer).first(static_cast<std::size_t>(count))))
            return false;
        offset += count;
        left -= static_cast<std::uint64_t>(count);
    }
    return true;
}

struct Compressors {
    std::unique_ptr<BlockCompressor> control;
    std::unique_ptr<BlockCompressor> diff;
    std::unique_ptr<BlockCompressor> extra;
};

Result<Compressors> StartCompressors(const std::string& directory) {
    auto control = BlockCompressor::Start(directory, "control block");
    if (!control) return control.AsFailure();
    auto diff = BlockCompressor::Start(directory, "diff block");
    if (!diff) return diff.AsFailure();
    auto extra = BlockCompressor::Start(directory, "extra block");
    if (!extra) return extra.AsFailure();
    return Compressors{std::move(*control), std::move(*diff), std::move(*extra)};
}

// The header and the three blocks, one after the other.
Status WritePatch(Compressors& compressors, std::uint64_t newSize, int out) {
    std::array<CompressedBytes, 3> blocks;
    std::size_t index = 0;
    for (BlockCompressor* compressor :
         {compressors.control.get(), compressors.diff.get(), compressors.extra.get()}) {
        auto block = compressor->Finish();
        if (!block) return block.AsFailure();
        blocks[index++] = *block;
    }
    std::array<std::uint8_t, 32> header{};
    std::memcpy(header.data(), Magic.data(), Magic.size());
    EncodeNumber(static_cast<std::int64_t>(blocks[0].length), std::span(header).subspan<8, 8>());
    EncodeNumber(static_cast<std::int64_t>(blocks[1].length), std::span(header).subspan<16, 8>());
    EncodeNumber(static_cast<std::int64_t>(newSize), std::span(header).subspan<24, 8>());
    bool written = WriteAll(out, header);
    for (const CompressedBytes& block : blocks) written = written && CopyBlock(block, out);
    if (!written) return Failure{SystemError("cannot write the patch")};
    return core::Succeeded;
}

}  // namespace

Status MakePatch(const std::string& oldPath, const std::string& newPath, const std::string& patchPath,
                 const HiddenFileSeen& seen) {
    Result<MappedFile> old = MappedFile::Open(oldPath, "old file");
    if (!old) return old.AsFailure();
    Result<MappedFile> newer = MappedFile::Open(newPath, "new file");
    if (!newer) return newer.AsFailure();
    auto hidden = HiddenFile::CreateBeside(patchPath);
    if (!hidden) return hidden.AsFailure();
    if (seen) seen((*hidden)->Path());

    Result<Compressors> compressors = StartCompressors((*hidden)->Directory());
    if (!compressors) return compressors.AsFailure();
    const Result<SuffixArray> suffixes = SuffixArray::Build(old->Bytes());
    if (!suffixes) return suffixes.AsFailure();
    SearchMatches(old->Bytes(), newer->Bytes(), *suffixes,
                  PatchBlocks{*compressors->control, *compressors->diff, *compressors->extra},
                  [&newer](std::uint64_t offset) { newer->Release(offset); });
    if (Status written = WritePatch(*compressors, newer->Bytes().size(), (*hidden)->Descriptor()); !written)
        return written;
    return (*hidden)->MoveTo(patchPath);
}

}  // namespace bsdiff
