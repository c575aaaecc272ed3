#pragma once
// The sorted suffixes of the old file, and the longest match of any text among them. Entries are
// 32 bits wide for files under 2 GiB and 64 bits from there on, so the array costs 4 or 8 bytes
// per byte of the file.
#include <cstdint>
#include <memory>
#include <span>
#include <variant>

#include "core/result.h"

namespace bsdiff {

// Where the longest match starts in the old file, and how long it is (0: no byte matches).
struct Match {
    std::int64_t position = 0;
    std::int64_t length = 0;
};

// The number of leading bytes two texts have in common.
[[nodiscard]] std::size_t CommonPrefix(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b);

class SuffixArray {
  public:
    // Sorts the suffixes of `text`, which must outlive the array.
    [[nodiscard]] static core::Result<SuffixArray> Build(std::span<const std::uint8_t> text);
    // Files from this size on take 64-bit entries.
    static constexpr std::uint64_t WideFrom = std::uint64_t{1} << 31;

    // The longest prefix of `target` that occurs in the text.
    [[nodiscard]] Match LongestMatch(std::span<const std::uint8_t> target) const;

  private:
    template <class Index>
    using Entries = std::unique_ptr<Index[]>;

    SuffixArray(std::span<const std::uint8_t> text,
                std::variant<Entries<std::int32_t>, Entries<std::int64_t>> entries)
        : text_(text), entries_(std::move(entries)) {}

    template <class Index>
    [[nodiscard]] Match Search(const Index* entries, std::span<const std::uint8_t> target) const;

    std::span<const std::uint8_t> text_;
    std::variant<Entries<std::int32_t>, Entries<std::int64_t>> entries_;
};

}  // namespace bsdiff
