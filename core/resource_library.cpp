#include "core/resource_library.h"

#include <algorithm>

#include "platform/file.h"

namespace core {
namespace {

// Offsets and sizes of the PE headers and the resource directory's records.
constexpr std::size_t DosHeaderSize = 64;
constexpr std::size_t PeHeaderOffsetField = 0x3C;
constexpr std::size_t PeSignatureAndFileHeaderSize = 24;  // "PE\0\0" and the COFF file header
// Fields counted from the signature.
constexpr std::size_t SectionCountField = 6;
constexpr std::size_t OptionalHeaderSizeField = 20;
constexpr std::uint16_t Pe32Magic = 0x10B;
constexpr std::uint16_t Pe32PlusMagic = 0x20B;
constexpr std::size_t Pe32DataDirectories = 96;
constexpr std::size_t Pe32PlusDataDirectories = 112;
constexpr std::size_t DataDirectorySize = 8;
constexpr std::size_t ResourceDataDirectory = 2;
constexpr std::size_t SectionHeaderSize = 40;
constexpr std::size_t ResourceDirectoryHeaderSize = 16;
constexpr std::size_t ResourceEntrySize = 8;
constexpr std::size_t ResourceDataEntrySize = 16;
// In a directory entry: the name field's high bit marks a named entry, the target field's a
// subdirectory; the remaining bits are an offset from the start of the resource directory.
constexpr std::uint32_t HighBit = 0x80000000u;
// No branding picture or sound needs more; a record claiming more is damaged or hostile, and
// reading it would hold start-up for as long as the file takes to read.
constexpr std::uint64_t MaxResourceSize = 64ull << 20;

using Bytes = std::vector<std::uint8_t>;

std::uint16_t U16(const Bytes& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

std::uint32_t U32(const Bytes& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(U16(bytes, at)) | static_cast<std::uint32_t>(U16(bytes, at + 2)) << 16;
}

// The size is checked against the source before anything is allocated.
std::optional<Bytes> ReadBytes(ByteSource& source, std::uint64_t offset, std::uint64_t size) {
    const std::uint64_t available = source.Size();
    if (offset > available || size > available - offset) return std::nullopt;
    Bytes bytes(size);
    if (!source.ReadAt(offset, bytes)) return std::nullopt;
    return bytes;
}

// The resource directory does not care about the case of A to Z in names.
std::uint16_t FoldCase(std::uint16_t unit) {
    return unit >= 'a' && unit <= 'z' ? static_cast<std::uint16_t>(unit - 'a' + 'A') : unit;
}

class FileByteSource final : public ByteSource {
  public:
    FileByteSource(platform::File file, std::uint64_t size) : file_(std::move(file)), size_(size) {}

    std::uint64_t Size() const override { return size_; }

    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override {
        if (offset > size_ || buffer.size() > size_ - offset || !file_.Seek(offset)) return false;
        while (!buffer.empty()) {
            const std::int64_t count = file_.Read(buffer);
            if (count <= 0) return false;  // the file shrank, or could not be read
            buffer = buffer.subspan(static_cast<std::size_t>(count));
        }
        return true;
    }

  private:
    platform::File file_;
    std::uint64_t size_;
};

std::optional<std::uint32_t> Subdirectory(std::optional<std::uint32_t> target) {
    if (!target || !(*target & HighBit)) return std::nullopt;
    return *target & ~HighBit;
}

std::optional<std::uint32_t> DataEntry(std::optional<std::uint32_t> target) {
    if (!target || (*target & HighBit)) return std::nullopt;
    return *target;
}

}  // namespace

bool MemoryByteSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) {
    if (offset > bytes_.size() || buffer.size() > bytes_.size() - offset) return false;
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), buffer.size(), buffer.begin());
    return true;
}

std::optional<ResourceLibrary> ResourceLibrary::Open(const std::string& path) {
    std::optional<platform::File> file = platform::File::OpenForReading(path);
    if (!file) return std::nullopt;
    const std::optional<std::uint64_t> size = file->Size();
    if (!size) return std::nullopt;
    return FromSource(std::make_unique<FileByteSource>(std::move(*file), *size));
}

std::optional<ResourceLibrary> ResourceLibrary::FromSource(std::unique_ptr<ByteSource> source) {
    const std::optional<Bytes> dos = ReadBytes(*source, 0, DosHeaderSize);
    if (!dos || (*dos)[0] != 'M' || (*dos)[1] != 'Z') return std::nullopt;
    const std::uint64_t peOffset = U32(*dos, PeHeaderOffsetField);

    const std::optional<Bytes> pe = ReadBytes(*source, peOffset, PeSignatureAndFileHeaderSize);
    if (!pe || U32(*pe, 0) != 0x00004550u) return std::nullopt;  // "PE\0\0"
    const std::uint16_t sectionCount = U16(*pe, SectionCountField);
    const std::uint16_t optionalSize = U16(*pe, OptionalHeaderSizeField);

    const std::uint64_t optionalOffset = peOffset + PeSignatureAndFileHeaderSize;
    const std::optional<Bytes> optional = ReadBytes(*source, optionalOffset, optionalSize);
    if (!optional || optionalSize < 2) return std::nullopt;
    const std::uint16_t magic = U16(*optional, 0);
    if (magic != Pe32Magic && magic != Pe32PlusMagic) return std::nullopt;
    const std::size_t directories = magic == Pe32Magic ? Pe32DataDirectories : Pe32PlusDataDirectories;
    const std::size_t resourceDirectory = directories + ResourceDataDirectory * DataDirectorySize;
    if (optionalSize < directories) return std::nullopt;

    // A library without a resource directory opens but holds nothing.
    std::uint32_t resourceRva = 0;
    const std::uint32_t directoryCount = U32(*optional, directories - 4);
    if (directoryCount > ResourceDataDirectory && resourceDirectory + DataDirectorySize <= optionalSize)
        resourceRva = U32(*optional, resourceDirectory);

    const std::optional<Bytes> table =
        ReadBytes(*source, optionalOffset + optionalSize, std::uint64_t{sectionCount} * SectionHeaderSize);
    if (!table) return std::nullopt;
    std::vector<Section> sections;
    for (std::size_t at = 0; at < table->size(); at += SectionHeaderSize) {
        const std::uint32_t virtualSize = U32(*table, at + 8);
        const std::uint32_t rawSize = U32(*table, at + 16);
        // The loader maps no more of the file than the section's virtual size (0: its raw size).
        sections.push_back({.virtualAddress = U32(*table, at + 12),
                            .mappedSize = virtualSize == 0 ? rawSize : std::min(virtualSize, rawSize),
                            .fileOffset = U32(*table, at + 20)});
    }
    return ResourceLibrary(std::move(source), std::move(sections), resourceRva);
}

std::optional<std::vector<std::uint8_t>> ResourceLibrary::Find(const ResourceKey& type,
                                                               const ResourceKey& name) {
    if (resourceRva_ == 0) return std::nullopt;
    // Exactly three levels: type, name, language. A directory that points back at itself or at
    // the wrong kind of record ends the walk with nothing.
    const std::optional<std::uint32_t> names = Subdirectory(FindEntry(0, type));
    if (!names) return std::nullopt;
    const std::optional<std::uint32_t> languages = Subdirectory(FindEntry(*names, name));
    if (!languages) return std::nullopt;
    const std::optional<std::uint32_t> dataEntry = DataEntry(FirstEntry(*languages));
    if (!dataEntry) return std::nullopt;

    const std::optional<Bytes> record =
        ReadRva(std::uint64_t{resourceRva_} + *dataEntry, ResourceDataEntrySize);
    if (!record || U32(*record, 4) > MaxResourceSize) return std::nullopt;
    return ReadRva(U32(*record, 0), U32(*record, 4));
}

std::optional<std::vector<std::uint8_t>> ResourceLibrary::ReadRva(std::uint64_t rva, std::uint64_t size) {
    for (const Section& section : sections_) {
        const std::uint64_t start = section.virtualAddress;
        if (rva < start || rva - start > section.mappedSize || size > section.mappedSize - (rva - start))
            continue;
        return ReadBytes(*source_, std::uint64_t{section.fileOffset} + (rva - start), size);
    }
    return std::nullopt;
}

std::optional<std::uint32_t> ResourceLibrary::FindEntry(std::uint32_t directoryOffset,
                                                        const ResourceKey& key) {
    const std::uint64_t directory = std::uint64_t{resourceRva_} + directoryOffset;
    const std::optional<Bytes> header = ReadRva(directory, ResourceDirectoryHeaderSize);
    if (!header) return std::nullopt;
    const std::uint64_t count = std::uint64_t{U16(*header, 12)} + U16(*header, 14);
    const std::optional<Bytes> entries =
        ReadRva(directory + ResourceDirectoryHeaderSize, count * ResourceEntrySize);
    if (!entries) return std::nullopt;

    for (std::size_t at = 0; at < entries->size(); at += ResourceEntrySize) {
        const std::uint32_t nameField = U32(*entries, at);
        const bool named = (nameField & HighBit) != 0;
        const bool matches = std::holds_alternative<std::uint16_t>(key)
                                 ? !named && nameField == std::get<std::uint16_t>(key)
                                 : named && NameMatches(nameField & ~HighBit, std::get<std::string>(key));
        if (matches) return U32(*entries, at + 4);
    }
    return std::nullopt;
}

std::optional<std::uint32_t> ResourceLibrary::FirstEntry(std::uint32_t directoryOffset) {
    const std::uint64_t directory = std::uint64_t{resourceRva_} + directoryOffset;
    const std::optional<Bytes> header = ReadRva(directory, ResourceDirectoryHeaderSize);
    if (!header || U16(*header, 12) + U16(*header, 14) == 0) return std::nullopt;
    const std::optional<Bytes> entry = ReadRva(directory + ResourceDirectoryHeaderSize, ResourceEntrySize);
    if (!entry) return std::nullopt;
    return U32(*entry, 4);
}

// Names are stored as a 16-bit length and that many UTF-16 code units. The wanted name's bytes
// are taken as Latin-1 code units.
bool ResourceLibrary::NameMatches(std::uint32_t nameOffset, std::string_view name) {
    const std::uint64_t at = std::uint64_t{resourceRva_} + nameOffset;
    const std::optional<Bytes> length = ReadRva(at, 2);
    if (!length || U16(*length, 0) != name.size()) return false;
    const std::optional<Bytes> units = ReadRva(at + 2, name.size() * 2);
    if (!units) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (FoldCase(U16(*units, 2 * i)) != FoldCase(static_cast<unsigned char>(name[i]))) return false;
    }
    return true;
}

}  // namespace core
