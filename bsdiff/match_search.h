#pragma once
// Lays out how the new file is made from the old one, as the bsdiff 4 format describes it: runs
// of bytes that are added to the old file's bytes (mostly zeros where the files agree), runs of
// bytes inserted as they are, and the moves of the old position between them.
#include <cstdint>
#include <functional>
#include <span>

#include "bsdiff/block_compressor.h"
#include "bsdiff/suffix_array.h"

namespace bsdiff {

// Where the three blocks of the patch go.
struct PatchBlocks {
    BlockCompressor& control;
    BlockCompressor& diff;
    BlockCompressor& extra;
};

// The format's 8-byte number: magnitude least significant byte first, sign in the top bit.
void EncodeNumber(std::int64_t value, std::span<std::uint8_t, 8> bytes);

// Writes the control triples, diff and extra bytes that turn `old` into `newer`. `consumed` is
// told, now and then, the new file's offset before which no byte will be read again.
void SearchMatches(std::span<const std::uint8_t> old, std::span<const std::uint8_t> newer,
                   const SuffixArray& suffixes, PatchBlocks blocks,
                   const std::function<void(std::uint64_t)>& consumed);

}  // namespace bsdiff
