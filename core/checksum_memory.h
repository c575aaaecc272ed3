#pragma once
// The checksums of the files summed so far in this run, so that a file that has provably not
// changed since is not read again.
#include <chrono>
#include <optional>
#include <vector>

#include "core/md5.h"
#include "platform/file.h"

namespace core {

// How far apart two changes of a file may lie and still get the same time stamps: two seconds,
// the coarsest time stamps of the file systems Linux mounts (FAT), which also covers the kernel's
// clock tick on file systems that keep nanoseconds.
inline constexpr std::chrono::nanoseconds TimeStampGranularity = std::chrono::seconds(2);

class ChecksumMemory {
  public:
    // Remembers the digest of the file as `file` described it when its checksum began at `began`,
    // replacing what was remembered for the same device and inode. A file changed within the
    // time-stamp granularity before that moment could change again without new time stamps, so
    // its digest is not remembered.
    void Remember(const platform::FileIdentity& file, platform::FileTime began, const Md5Digest& digest);

    // The digest remembered for this file when device, inode, size and both times match.
    [[nodiscard]] std::optional<Md5Digest> Recall(const platform::FileIdentity& file) const;

  private:
    struct Entry {
        platform::FileIdentity file;
        Md5Digest digest;
    };
    std::vector<Entry> entries_;  // at most one per device and inode
};

}  // namespace core
