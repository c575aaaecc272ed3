#include "core/checksum_memory.h"

#include <algorithm>

namespace core {
namespace {

std::chrono::nanoseconds SinceEpoch(const platform::FileTime& time) {
    return std::chrono::seconds(time.seconds) + std::chrono::nanoseconds(time.nanoseconds);
}

bool SameFile(const platform::FileIdentity& a, const platform::FileIdentity& b) {
    return a.device == b.device && a.inode == b.inode;
}

}  // namespace

void ChecksumMemory::Remember(const platform::FileIdentity& file, platform::FileTime began,
                              const Md5Digest& digest) {
    std::erase_if(entries_, [&](const Entry& entry) { return SameFile(entry.file, file); });
    if (SinceEpoch(began) - SinceEpoch(file.changed) > TimeStampGranularity)
        entries_.push_back({file, digest});
}

std::optional<Md5Digest> ChecksumMemory::Recall(const platform::FileIdentity& file) const {
    const auto match = std::ranges::find_if(entries_, [&](const Entry& entry) { return entry.file == file; });
    if (match == entries_.end()) return std::nullopt;
    return match->digest;
}

}  // namespace core
