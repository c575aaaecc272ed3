#include "core/dib.h"

#include <algorithm>
#include <array>
#include <limits>

namespace core {
namespace {

constexpr std::size_t FileHeaderSize = 14;
constexpr std::uint32_t CoreHeaderSize = 12;  // the oldest header: 16-bit sizes, 3-byte palette entries
constexpr std::uint32_t InfoHeaderSize = 40;
// The later headers extend the 40-byte one: with masks (52), with alpha (56), the second
// two-system header (64), version 4 (108) and version 5 (124).
constexpr std::array<std::uint32_t, 5> ExtendedHeaderSizes{52, 56, 64, 108, 124};

enum Compression : std::uint32_t { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3, AlphaBitFields = 6 };

struct DibLayout {
    std::int64_t width;
    std::int64_t height;  // negative: rows stored top to bottom
    std::uint32_t bitCount;
    std::uint32_t compression;
    std::uint64_t pixelOffset;  // from the start of the resource
};

std::uint32_t U16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at] | bytes[at + 1] << 8);
}

std::uint32_t U32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return U16(bytes, at) | U16(bytes, at + 2) << 16;
}

std::int64_t I32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::int32_t>(U32(bytes, at));
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

DibLayout CoreLayout(std::span<const std::uint8_t> dib) {
    const std::uint32_t bitCount = U16(dib, 10);
    const std::uint64_t paletteEntries = bitCount <= 8 ? std::uint64_t{1} << bitCount : 0;
    return {.width = U16(dib, 4),
            .height = U16(dib, 6),
            .bitCount = bitCount,
            .compression = Rgb,
            .pixelOffset = CoreHeaderSize + paletteEntries * 3};
}

std::optional<DibLayout> InfoLayout(std::span<const std::uint8_t> dib, std::uint32_t headerSize) {
    const std::uint32_t bitCount = U16(dib, 14);
    const std::uint32_t compression = U32(dib, 16);
    const std::uint64_t coloursUsed = U32(dib, 32);
    std::uint64_t paletteEntries = coloursUsed;
    if (bitCount <= 8) {
        const std::uint64_t most = std::uint64_t{1} << bitCount;
        if (coloursUsed > most) return std::nullopt;
        if (coloursUsed == 0) paletteEntries = most;
    }
    // Only the 40-byte header is followed by its colour masks; the later ones hold them.
    std::uint64_t maskBytes = 0;
    if (headerSize == InfoHeaderSize && compression == BitFields) maskBytes = 12;
    if (headerSize == InfoHeaderSize && compression == AlphaBitFields) maskBytes = 16;
    return DibLayout{.width = I32(dib, 4),
                     .height = I32(dib, 8),
                     .bitCount = bitCount,
                     .compression = compression,
                     .pixelOffset = headerSize + maskBytes + paletteEntries * 4};
}

bool IsKnownHeaderSize(std::uint32_t size) {
    return size == CoreHeaderSize || size == InfoHeaderSize ||
           std::find(ExtendedHeaderSizes.begin(), ExtendedHeaderSizes.end(), size) !=
               ExtendedHeaderSizes.end();
}

bool IsUncompressed(std::uint32_t compression) {
    return compression == Rgb || compression == BitFields || compression == AlphaBitFields;
}

// The combinations of depth and compression that a device-independent bitmap can have.
bool IsValidFormat(const DibLayout& layout) {
    switch (layout.compression) {
        case Rgb:
            return layout.bitCount == 1 || layout.bitCount == 4 || layout.bitCount == 8 ||
                   layout.bitCount == 16 || layout.bitCount == 24 || layout.bitCount == 32;
        case Rle8:
            return layout.bitCount == 8 && layout.height > 0;  // compressed rows run bottom to top only
        case Rle4:
            return layout.bitCount == 4 && layout.height > 0;
        case BitFields:
        case AlphaBitFields:
            return layout.bitCount == 16 || layout.bitCount == 32;
        default:
            return false;
    }
}

std::uint64_t RowCount(const DibLayout& layout) {
    return static_cast<std::uint64_t>(layout.height < 0 ? -layout.height : layout.height);
}

// Rows of uncompressed pixels are padded to whole 32-bit words.
bool FitsInResource(const DibLayout& layout, std::size_t resourceSize) {
    if (layout.pixelOffset > resourceSize) return false;
    if (!IsUncompressed(layout.compression)) return true;
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(layout.width) * layout.bitCount + 31) / 32 * 4;
    return rowBytes * RowCount(layout) <= resourceSize - layout.pixelOffset;
}

std::optional<DibLayout> ReadLayout(std::span<const std::uint8_t> dib) {
    if (dib.size() < 4) return std::nullopt;
    const std::uint32_t headerSize = U32(dib, 0);
    if (!IsKnownHeaderSize(headerSize) || headerSize > dib.size()) return std::nullopt;
    if (headerSize == CoreHeaderSize) return CoreLayout(dib);
    return InfoLayout(dib, headerSize);
}

}  // namespace

std::optional<std::vector<std::uint8_t>> BitmapFileFromResource(std::span<const std::uint8_t> dib) {
    const std::optional<DibLayout> layout = ReadLayout(dib);
    if (!layout || !IsValidFormat(*layout) || layout->width <= 0 || layout->height == 0) return std::nullopt;
    if (layout->width > MaxBitmapSide || static_cast<std::int64_t>(RowCount(*layout)) > MaxBitmapSide)
        return std::nullopt;
    if (static_cast<std::uint64_t>(layout->width) * RowCount(*layout) > MaxBitmapPixels) return std::nullopt;
    if (!FitsInResource(*layout, dib.size())) return std::nullopt;
    if (dib.size() > std::numeric_limits<std::uint32_t>::max() - FileHeaderSize) return std::nullopt;

    std::vector<std::uint8_t> file{'B', 'M'};
    file.reserve(FileHeaderSize + dib.size());
    PutU32(file, static_cast<std::uint32_t>(FileHeaderSize + dib.size()));
    PutU32(file, 0);  // two reserved 16-bit fields
    PutU32(file, static_cast<std::uint32_t>(FileHeaderSize + layout->pixelOffset));
    file.insert(file.end(), dib.begin(), dib.end());
    return file;
}

}  // namespace core
