#include "bsdiff/suffix_array.h"

#include <divsufsort.h>
#include <divsufsort64.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace bsdiff {

namespace {

template <class Index>
core::Result<std::unique_ptr<Index[]>> SortedSuffixes(std::span<const std::uint8_t> text) {
    // Not value-initialised: the sort writes every entry, and zeroing gigabytes first costs time.
    std::unique_ptr<Index[]> entries(new (std::nothrow) Index[std::max<std::size_t>(text.size(), 1)]);
    if (!entries) return core::Failure{"not enough memory to sort the old file"};
    const auto size = static_cast<Index>(text.size());
    if (size == 0) return entries;  // nothing to sort, and an empty text has no bytes to point at
    int code = 0;
    if constexpr (sizeof(Index) == 4)
        code = divsufsort(text.data(), entries.get(), size);
    else
        code = divsufsort64(text.data(), entries.get(), size);
    if (code != 0) return core::Failure{"the old file could not be sorted"};
    return entries;
}

}  // namespace

std::size_t CommonPrefix(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    const std::size_t length = std::min(a.size(), b.size());
    std::size_t i = 0;
    // Eight bytes at a time; the first differing bit of the exclusive or finds the byte.
    for (; i + 8 <= length; i += 8) {
        std::uint64_t x = 0;
        std::uint64_t y = 0;
        std::memcpy(&x, a.data() + i, 8);
        std::memcpy(&y, b.data() + i, 8);
        if (x != y) return i + static_cast<std::size_t>(__builtin_ctzll(x ^ y) / 8);
    }
    while (i < length && a[i] == b[i]) ++i;
    return i;
}

core::Result<SuffixArray> SuffixArray::Build(std::span<const std::uint8_t> text) {
    if (text.size() < WideFrom) {
        auto entries = SortedSuffixes<std::int32_t>(text);
        if (!entries) return entries.AsFailure();
        return SuffixArray(text, std::move(*entries));
    }
    auto entries = SortedSuffixes<std::int64_t>(text);
    if (!entries) return entries.AsFailure();
    return SuffixArray(text, std::move(*entries));
}

Match SuffixArray::LongestMatch(std::span<const std::uint8_t> target) const {
    return std::visit([&](const auto& entries) { return Search(entries.get(), target); }, entries_);
}

// A binary search for where `target` would stand among the sorted suffixes; its longest match is
// one of the two suffixes around that place. Every suffix between two others shares the prefix
// those two share with the target, so each comparison starts after the shorter of the two.
template <class Index>
Match SuffixArray::Search(const Index* entries, std::span<const std::uint8_t> target) const {
    if (text_.empty()) return {};
    const auto matchAt = [&](std::size_t entry, std::size_t skip) {
        const auto start = static_cast<std::size_t>(entries[entry]);
        return skip + CommonPrefix(text_.subspan(start + skip), target.subspan(skip));
    };
    std::size_t low = 0;
    std::size_t high = text_.size() - 1;
    std::size_t lowLength = matchAt(low, 0);
    std::size_t highLength = matchAt(high, 0);
    while (high - low > 1) {
        const std::size_t middle = low + (high - low) / 2;
        const std::size_t length = matchAt(middle, std::min(lowLength, highLength));
        const auto start = static_cast<std::size_t>(entries[middle]);
        // The suffix sorts after the target when the target ends inside it or its next byte is larger.
        const bool suffixAfter = length == target.size() ||
                                 (start + length < text_.size() && text_[start + length] > target[length]);
        if (suffixAfter) {
            high = middle;
            highLength = length;
        } else {
            low = middle;
            lowLength = length;
        }
    }
    const bool lowWins = lowLength >= highLength;
    return {static_cast<std::int64_t>(entries[lowWins ? low : high]),
            static_cast<std::int64_t>(lowWins ? lowLength : highLength)};
}

}  // namespace bsdiff
