#include "bspatch/patch_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "bspatch/patch_applier.h"

namespace bspatch {

namespace {

// An open descriptor with what fstat said of it, closed when the object ends.
class OpenFile {
  public:
    OpenFile(int descriptor, const struct stat& status) : descriptor_(descriptor), status_(status) {}
    OpenFile(OpenFile&& other) noexcept
        : descriptor_(std::exchange(other.descriptor_, -1)), status_(other.status_) {}
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    OpenFile& operator=(OpenFile&&) = delete;
    ~OpenFile() {
        if (descriptor_ >= 0) ::close(descriptor_);
    }

    int Descriptor() const { return descriptor_; }
    std::int64_t Size() const { return status_.st_size; }
    bool IsSameFileAs(const OpenFile& other) const {
        return status_.st_dev == other.status_.st_dev && status_.st_ino == other.status_.st_ino;
    }

  private:
    int descriptor_;
    struct stat status_;
};

// Removes the new file when the run ends without success, also when an exception ends it.
class RemovedUnlessKept {
  public:
    explicit RemovedUnlessKept(const std::string& path) : path_(path) {}
    RemovedUnlessKept(const RemovedUnlessKept&) = delete;
    RemovedUnlessKept& operator=(const RemovedUnlessKept&) = delete;
    ~RemovedUnlessKept() {
        if (!kept_) (void)::unlink(path_.c_str());
    }
    void Keep() { kept_ = true; }

  private:
    const std::string& path_;
    bool kept_ = false;
};

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

// O_NONBLOCK keeps a FIFO or a device from stopping the tool in open(); only regular files pass.
core::Result<OpenFile> Open(const std::string& path, int flags, const std::string& role) {
    const int descriptor = ::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    if (descriptor < 0) return core::Failure{SystemError("cannot open the " + role + " " + Quoted(path))};
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) {
        const core::Failure failure{SystemError("cannot examine the " + role + " " + Quoted(path))};
        ::close(descriptor);
        return failure;
    }
    OpenFile file(descriptor, status);
    if (!S_ISREG(status.st_mode))
        return core::Failure{"the " + role + " " + Quoted(path) + " is not a regular file"};
    return file;
}

// Writes into the new file, which is known to be distinct from both inputs.
core::Status WriteNewFile(const OpenFile& old, const OpenFile& patch, const OpenFile& out,
                          const std::stop_token& cancel) {
    if (::ftruncate(out.Descriptor(), 0) != 0) return core::Failure{SystemError("cannot empty the new file")};
    return ApplyPatch(
        PatchFiles{
            .oldDescriptor = old.Descriptor(),
            .oldSize = old.Size(),
            .patchDescriptor = patch.Descriptor(),
            .patchSize = static_cast<std::uint64_t>(patch.Size()),
            .newDescriptor = out.Descriptor(),
        },
        cancel);
}

}  // namespace

core::Status ApplyPatchFiles(const std::string& oldPath, const std::string& newPath,
                             const std::string& patchPath, const std::stop_token& cancel) {
    const core::Result<OpenFile> old = Open(oldPath, O_RDONLY, "old file");
    if (!old) return old.AsFailure();
    const core::Result<OpenFile> patch = Open(patchPath, O_RDONLY, "patch");
    if (!patch) return patch.AsFailure();
    // Opened without truncation: whatever it is, nothing is lost until the checks below passed.
    const core::Result<OpenFile> out = Open(newPath, O_WRONLY | O_CREAT, "new file");
    if (!out) return out.AsFailure();
    if (out->IsSameFileAs(*old)) return core::Failure{"the old and the new file are the same file"};
    if (out->IsSameFileAs(*patch)) return core::Failure{"the patch and the new file are the same file"};

    RemovedUnlessKept newFile(newPath);
    core::Status written = WriteNewFile(*old, *patch, *out, cancel);
    if (written) newFile.Keep();
    return written;
}

}  // namespace bspatch
