#include "tests/support/patch_writer.h"

#include <bzlib.h>

#include <algorithm>
#include <climits>
#include <stdexcept>

namespace testing_support {

namespace {

constexpr int BlockSize100k = 9;
constexpr std::size_t PieceSize = 1 << 20;

// Runs the compressor with `action` until it wants more input (or, when finishing, has ended).
void Drain(bz_stream& stream, int action, std::string& out) {
    char buffer[64 * 1024];
    for (;;) {
        stream.next_out = buffer;
        stream.avail_out = sizeof buffer;
        const int code = BZ2_bzCompress(&stream, action);
        out.append(buffer, sizeof buffer - stream.avail_out);
        if (code == BZ_STREAM_END) return;
        if (code != BZ_RUN_OK && code != BZ_FINISH_OK) throw std::runtime_error("bzip2 compression failed");
        if (action == BZ_RUN && stream.avail_in == 0) return;
    }
}

}  // namespace

std::string EncodeNumber(std::int64_t value) {
    std::uint64_t magnitude =
        value < 0 ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
    if (value < 0) magnitude |= std::uint64_t{1} << 63;
    std::string bytes(8, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(magnitude & 0xFF);
        magnitude >>= 8;
    }
    return bytes;
}

std::string ControlBytes(const std::vector<ControlTriple>& triples) {
    std::string bytes;
    for (const ControlTriple& triple : triples)
        bytes +=
            EncodeNumber(triple.addLength) + EncodeNumber(triple.insertLength) + EncodeNumber(triple.seek);
    return bytes;
}

std::string Compress(std::string_view bytes) {
    return CompressGenerated(bytes.size(), [bytes](std::uint64_t offset, std::span<std::uint8_t> piece) {
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), piece.size(), piece.begin());
    });
}

std::string CompressGenerated(std::uint64_t size, const ByteGenerator& fill) {
    bz_stream stream{};
    if (BZ2_bzCompressInit(&stream, BlockSize100k, 0, 0) != BZ_OK)
        throw std::runtime_error("bzip2 init failed");
    std::string out;
    std::vector<std::uint8_t> piece(PieceSize);
    for (std::uint64_t offset = 0; offset < size;) {
        const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(PieceSize, size - offset));
        fill(offset, std::span(piece).first(length));
        stream.next_in = reinterpret_cast<char*>(piece.data());
        stream.avail_in = static_cast<unsigned>(length);
        Drain(stream, BZ_RUN, out);
        offset += length;
    }
    Drain(stream, BZ_FINISH, out);
    BZ2_bzCompressEnd(&stream);
    return out;
}

std::string AssemblePatch(std::string_view control, std::string_view diff, std::string_view extra,
                          std::int64_t newSize) {
    return "BSDIFF40" + EncodeNumber(static_cast<std::int64_t>(control.size())) +
           EncodeNumber(static_cast<std::int64_t>(diff.size())) + EncodeNumber(newSize) +
           std::string(control) + std::string(diff) + std::string(extra);
}

std::string MakePatch(const std::vector<ControlTriple>& triples, std::string_view diff,
                      std::string_view extra) {
    std::int64_t newSize = 0;
    for (const ControlTriple& triple : triples) newSize += triple.addLength + triple.insertLength;
    return AssemblePatch(Compress(ControlBytes(triples)), Compress(diff), Compress(extra), newSize);
}

}  // namespace testing_support
