#pragma once
// Writes bsdiff 4 patches from explicit control triples, so that tests and benchmarks can make
// patches no producer would (damaged ones, or ones for files of many gigabytes).
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

struct ControlTriple {
    std::int64_t addLength = 0;
    std::int64_t insertLength = 0;
    std::int64_t seek = 0;
};

// The format's 8-byte number: magnitude least significant byte first, sign in the top bit.
[[nodiscard]] std::string EncodeNumber(std::int64_t value);

// The uncompressed control block.
[[nodiscard]] std::string ControlBytes(const std::vector<ControlTriple>& triples);

// One bzip2 stream with 900 k blocks, as the format's producers write it.
[[nodiscard]] std::string Compress(std::string_view bytes);

// Compresses `size` bytes that `fill` writes a piece at a time, given the piece's offset, so that
// a block of gigabytes needs no more memory than a piece.
using ByteGenerator = std::function<void(std::uint64_t offset, std::span<std::uint8_t> piece)>;
[[nodiscard]] std::string CompressGenerated(std::uint64_t size, const ByteGenerator& fill);

// The header (lengths taken from the compressed blocks) followed by the three blocks.
[[nodiscard]] std::string AssemblePatch(std::string_view control, std::string_view diff,
                                        std::string_view extra, std::int64_t newSize);

// A whole patch from triples and the uncompressed diff and extra bytes; the new size is what the
// triples write.
[[nodiscard]] std::string MakePatch(const std::vector<ControlTriple>& triples, std::string_view diff,
                                    std::string_view extra);

}  // namespace testing_support
