#include "bsdiff/match_search.h"

#include <array>

namespace bsdiff {

namespace {

// A match must beat the old alignment by more than this many bytes to end the current run.
constexpr std::int64_t BetterBy = 8;

using Bytes = std::span<const std::uint8_t>;

// Scans the new file for places where a match elsewhere in the old file beats simply carrying on
// at the current alignment, and writes one control triple per such place.
class Scan {
  public:
    Scan(Bytes old, Bytes newer, const SuffixArray& suffixes, PatchBlocks blocks)
        : old_(old),
          new_(newer),
          suffixes_(suffixes),
          blocks_(blocks),
          oldSize_(static_cast<std::int64_t>(old.size())),
          newSize_(static_cast<std::int64_t>(newer.size())) {}

    // Steps to the next place worth a triple; false at the end of the new file. A place is worth
    // one when a match there beats carrying on at the current alignment, and at the end.
    bool FindNextRun() {
        while (scan_ < newSize_) {
            std::int64_t alignedScore = 0;  // bytes of [scan, scan + length) that agree at the alignment
            std::int64_t counted = scan_ += match_.length;
            while (scan_ < newSize_) {
                match_ = suffixes_.LongestMatch(new_.subspan(At(scan_)));
                for (; counted < scan_ + match_.length; ++counted)
                    if (MatchesAligned(counted)) ++alignedScore;
                if ((match_.length == alignedScore && match_.length != 0) ||
                    match_.length > alignedScore + BetterBy)
                    break;
                if (MatchesAligned(scan_)) --alignedScore;
                ++scan_;
            }
            if (match_.length != alignedScore || scan_ == newSize_) return true;
        }
        return false;
    }

    // Writes the triple that takes the new file from the last run's start to the current match.
    void EmitRun() {
        std::int64_t forward = ForwardExtension();
        std::int64_t backward = scan_ < newSize_ ? BackwardExtension() : 0;
        ResolveOverlap(forward, backward);

        blocks_.diff.AppendDifference(new_.subspan(At(lastScan_), At(forward)),
                                      old_.subspan(At(lastPosition_), At(forward)));
        const std::int64_t insertStart = lastScan_ + forward;
        const std::int64_t insertLength = (scan_ - backward) - insertStart;
        blocks_.extra.Append(new_.subspan(At(insertStart), At(insertLength)));
        const std::int64_t seek = (match_.position - backward) - (lastPosition_ + forward);

        std::array<std::uint8_t, 24> triple{};
        EncodeNumber(forward, std::span(triple).subspan<0, 8>());
        EncodeNumber(insertLength, std::span(triple).subspan<8, 8>());
        EncodeNumber(seek, std::span(triple).subspan<16, 8>());
        blocks_.control.Append(triple);

        lastScan_ = scan_ - backward;
        lastPosition_ = match_.position - backward;
        lastOffset_ = match_.position - scan_;
    }

    [[nodiscard]] std::int64_t RunStart() const { return lastScan_; }

  private:
    static std::size_t At(std::int64_t offset) { return static_cast<std::size_t>(offset); }

    bool MatchesAligned(std::int64_t newOffset) const {
        const std::int64_t oldOffset = newOffset + lastOffset_;
        return oldOffset >= 0 && oldOffset < oldSize_ && old_[At(oldOffset)] == new_[At(newOffset)];
    }

    // How far the last run's alignment carries on: the longest stretch from its start where at
    // least half the bytes agree, extended while agreement stays ahead.
    std::int64_t ForwardExtension() const {
        std::int64_t agree = 0;
        std::int64_t best = 0;
        std::int64_t length = 0;
        for (std::int64_t i = 0; lastScan_ + i < scan_ && lastPosition_ + i < oldSize_;) {
            if (old_[At(lastPosition_ + i)] == new_[At(lastScan_ + i)]) ++agree;
            ++i;
            if (agree * 2 - i > best * 2 - length) {
                best = agree;
                length = i;
            }
        }
        return length;
    }

    // The same backwards from the new match, down to the last run's start.
    std::int64_t BackwardExtension() const {
        std::int64_t agree = 0;
        std::int64_t best = 0;
        std::int64_t length = 0;
        for (std::int64_t i = 1; scan_ >= lastScan_ + i && match_.position >= i; ++i) {
            if (old_[At(match_.position - i)] == new_[At(scan_ - i)]) ++agree;
            if (agree * 2 - i > best * 2 - length) {
                best = agree;
                length = i;
            }
        }
        return length;
    }

    // Where the two extensions overlap, the split point that keeps the most agreeing bytes.
    void ResolveOverlap(std::int64_t& forward, std::int64_t& backward) const {
        const std::int64_t overlap = (lastScan_ + forward) - (scan_ - backward);
        if (overlap <= 0) return;
        std::int64_t score = 0;
        std::int64_t best = 0;
        std::int64_t split = 0;
        for (std::int64_t i = 0; i < overlap; ++i) {
            if (new_[At(lastScan_ + forward - overlap + i)] ==
                old_[At(lastPosition_ + forward - overlap + i)])
                ++score;
            if (new_[At(scan_ - backward + i)] == old_[At(match_.position - backward + i)]) --score;
            if (score > best) {
                best = score;
                split = i + 1;
            }
        }
        forward += split - overlap;
        backward -= split;
    }

    Bytes old_;
    Bytes new_;
    const SuffixArray& suffixes_;
    PatchBlocks blocks_;
    std::int64_t oldSize_;
    std::int64_t newSize_;
    std::int64_t scan_ = 0;
    Match match_;
    std::int64_t lastScan_ = 0;
    std::int64_t lastPosition_ = 0;
    std::int64_t lastOffset_ = 0;
};

}  // namespace

void EncodeNumber(std::int64_t value, std::span<std::uint8_t, 8> bytes) {
    std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    for (std::size_t i = 0; i < bytes.size(); ++i, magnitude >>= 8)
        bytes[i] = static_cast<std::uint8_t>(magnitude);
    if (value < 0) bytes[7] |= 0x80;
}

void SearchMatches(Bytes old, Bytes newer, const SuffixArray& suffixes, PatchBlocks blocks,
                   const std::function<void(std::uint64_t)>& consumed) {
    Scan scan(old, newer, suffixes, blocks);
    while (scan.FindNextRun()) {
        scan.EmitRun();
        consumed(static_cast<std::uint64_t>(scan.RunStart()));
    }
}

}  // namespace bsdiff
