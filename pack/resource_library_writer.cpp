#include "pack/resource_library_writer.h"

#include <algorithm>
#include <map>
#include <span>
#include <string_view>

#include "core/dib.h"

namespace pack {

namespace {

// Layout of the image: the headers fill the first file block, the one section follows.
constexpr std::uint32_t FileAlignment = 0x200;
constexpr std::uint32_t SectionAlignment = 0x1000;
constexpr std::uint32_t SectionRva = 0x1000;
constexpr std::uint32_t PeHeaderOffset = 0x40;
constexpr std::uint16_t OptionalHeaderSize = 224;  // PE32 with 16 data directories
constexpr std::uint32_t OptionalHeaderOffset = PeHeaderOffset + 24;
constexpr std::uint32_t SectionHeaderOffset = OptionalHeaderOffset + OptionalHeaderSize;
constexpr std::uint32_t ResourceDirectoryIndex = 2;

constexpr std::uint16_t MachineI386 = 0x14C;
// Executable image, line numbers and local symbols stripped, 32-bit machine, DLL.
constexpr std::uint16_t ImageCharacteristics = 0x0002 | 0x0004 | 0x0008 | 0x0100 | 0x2000;
constexpr std::uint32_t ResourceSectionCharacteristics = 0x40000040;  // initialised data, readable
constexpr std::uint32_t UsEnglish = 0x409;

constexpr std::uint32_t SubdirectoryFlag = 0x80000000u;
constexpr std::uint32_t NameIsTextFlag = 0x80000000u;
constexpr std::uint32_t DirectorySize = 16;
constexpr std::uint32_t EntrySize = 8;
constexpr std::uint32_t DataEntrySize = 16;

std::uint32_t AlignUp(std::uint32_t value, std::uint32_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

class ByteImage {
  public:
    explicit ByteImage(std::size_t size) : bytes_(size) {}
    void Put16(std::size_t offset, std::uint32_t value) { PutLittleEndian(offset, value, 2); }
    void Put32(std::size_t offset, std::uint32_t value) { PutLittleEndian(offset, value, 4); }
    void PutBytes(std::size_t offset, std::span<const std::uint8_t> data) {
        std::copy(data.begin(), data.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
    }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

  private:
    void PutLittleEndian(std::size_t offset, std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i)
            bytes_[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    std::vector<std::uint8_t> bytes_;
};

// Resource directories list named entries first, in the order of their upper-case names, then
// numbered ones in ascending order.
bool KeyBefore(const core::ResourceKey& a, const core::ResourceKey& b) {
    if (a.index() != b.index()) return a.index() == 1;
    return a < b;
}

struct KeyOrder {
    bool operator()(const core::ResourceKey& a, const core::ResourceKey& b) const { return KeyBefore(a, b); }
};

// Where everything goes inside the .rsrc section, worked out before anything is written.
struct SectionLayout {
    std::map<core::ResourceKey, std::vector<const Resource*>, KeyOrder> types;
    std::map<core::ResourceKey, std::uint32_t, KeyOrder> typeDirectory;
    std::map<const Resource*, std::uint32_t> languageDirectory, dataEntry, nameText, data;
    std::map<core::ResourceKey, std::uint32_t, KeyOrder> typeNameText;
    std::uint32_t size = 0;
};

std::uint32_t TextSize(std::string_view text) { return 2 + 2 * static_cast<std::uint32_t>(text.size()); }

SectionLayout Plan(const std::vector<Resource>& resources) {
    SectionLayout layout;
    for (const Resource& resource : resources) layout.types[resource.type].push_back(&resource);
    for (auto& [type, members] : layout.types)
        std::sort(members.begin(), members.end(),
                  [](const Resource* a, const Resource* b) { return a->name < b->name; });
    std::uint32_t offset = DirectorySize + EntrySize * static_cast<std::uint32_t>(layout.types.size());
    for (const auto& [type, members] : layout.types) {
        layout.typeDirectory[type] = offset;
        offset += DirectorySize + EntrySize * static_cast<std::uint32_t>(members.size());
    }
    // Everything of one resource in the order the directory visits them, as readers of the
    // section expect: the data of the last resource visited ends the section.
    std::vector<const Resource*> visited;
    for (const auto& [type, members] : layout.types)
        visited.insert(visited.end(), members.begin(), members.end());
    for (const Resource* resource : visited) {
        layout.languageDirectory[resource] = offset;
        offset += DirectorySize + EntrySize;
    }
    for (const Resource* resource : visited) {
        layout.dataEntry[resource] = offset;
        offset += DataEntrySize;
    }
    for (const auto& [type, members] : layout.types) {
        if (const auto* name = std::get_if<std::string>(&type)) {
            layout.typeNameText[type] = offset;
            offset += TextSize(*name);
        }
    }
    for (const Resource* resource : visited) {
        layout.nameText[resource] = offset;
        offset += TextSize(resource->name);
    }
    for (const Resource* resource : visited) {
        offset = AlignUp(offset, 8);
        layout.data[resource] = offset;
        offset += static_cast<std::uint32_t>(resource->data.size());
    }
    layout.size = offset;
    return layout;
}

void PutDirectoryHeader(ByteImage& image, std::size_t offset, std::uint32_t named, std::uint32_t numbered) {
    image.Put16(offset + 12, named);
    image.Put16(offset + 14, numbered);
}

void PutText(ByteImage& image, std::size_t offset, std::string_view text) {
    image.Put16(offset, static_cast<std::uint32_t>(text.size()));
    for (std::size_t i = 0; i < text.size(); ++i)
        image.Put16(offset + 2 + 2 * i, static_cast<unsigned char>(text[i]));
}

void PutResourceSection(ByteImage& image, std::size_t base, const SectionLayout& layout) {
    const auto named = static_cast<std::uint32_t>(std::count_if(
        layout.types.begin(), layout.types.end(), [](const auto& type) { return type.first.index() == 1; }));
    PutDirectoryHeader(image, base, named, static_cast<std::uint32_t>(layout.types.size()) - named);
    std::size_t entry = base + DirectorySize;
    for (const auto& [type, members] : layout.types) {
        const std::uint32_t key =
            type.index() == 1 ? NameIsTextFlag | layout.typeNameText.at(type) : std::get<std::uint16_t>(type);
        image.Put32(entry, key);
        image.Put32(entry + 4, SubdirectoryFlag | layout.typeDirectory.at(type));
        entry += EntrySize;
        if (const auto* name = std::get_if<std::string>(&type))
            PutText(image, base + layout.typeNameText.at(type), *name);

        const std::size_t directory = base + layout.typeDirectory.at(type);
        PutDirectoryHeader(image, directory, static_cast<std::uint32_t>(members.size()), 0);
        std::size_t nameEntry = directory + DirectorySize;
        for (const Resource* resource : members) {
            image.Put32(nameEntry, NameIsTextFlag | layout.nameText.at(resource));
            image.Put32(nameEntry + 4, SubdirectoryFlag | layout.languageDirectory.at(resource));
            nameEntry += EntrySize;
            PutText(image, base + layout.nameText.at(resource), resource->name);

            const std::size_t languages = base + layout.languageDirectory.at(resource);
            PutDirectoryHeader(image, languages, 0, 1);
            image.Put32(languages + DirectorySize, UsEnglish);
            image.Put32(languages + DirectorySize + 4, layout.dataEntry.at(resource));

            const std::size_t dataEntry = base + layout.dataEntry.at(resource);
            image.Put32(dataEntry, SectionRva + layout.data.at(resource));
            image.Put32(dataEntry + 4, static_cast<std::uint32_t>(resource->data.size()));
            image.PutBytes(base + layout.data.at(resource), resource->data);
        }
    }
}

void PutHeaders(ByteImage& image, std::uint32_t sectionSize) {
    const std::uint32_t rawSize = AlignUp(sectionSize, FileAlignment);
    image.PutBytes(0, std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>("MZ"), 2));
    image.Put32(0x3C, PeHeaderOffset);
    image.PutBytes(PeHeaderOffset,
                   std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>("PE\0\0"), 4));
    const std::size_t coff = PeHeaderOffset + 4;
    image.Put16(coff, MachineI386);
    image.Put16(coff + 2, 1);  // one section
    image.Put16(coff + 16, OptionalHeaderSize);
    image.Put16(coff + 18, ImageCharacteristics);

    const std::size_t optional = OptionalHeaderOffset;
    image.Put16(optional, 0x10B);            // PE32
    image.Put32(optional + 8, rawSize);      // initialised data
    image.Put32(optional + 20, SectionRva);  // base of code
    image.Put32(optional + 24, SectionRva);  // base of data
    image.Put32(optional + 28, 0x10000000);  // image base
    image.Put32(optional + 32, SectionAlignment);
    image.Put32(optional + 36, FileAlignment);
    image.Put16(optional + 40, 4);  // operating system version 4.0
    image.Put16(optional + 48, 4);  // subsystem version 4.0
    image.Put32(optional + 56, SectionRva + AlignUp(sectionSize, SectionAlignment));  // size of image
    image.Put32(optional + 60, FileAlignment);                                        // size of headers
    image.Put16(optional + 68, 2);                                                    // Windows GUI subsystem
    image.Put32(optional + 72, 0x100000);                                             // stack reserve
    image.Put32(optional + 76, 0x1000);                                               // stack commit
    image.Put32(optional + 80, 0x100000);                                             // heap reserve
    image.Put32(optional + 84, 0x1000);                                               // heap commit
    image.Put32(optional + 92, 16);                                                   // data directories
    image.Put32(optional + 96 + std::size_t{8} * ResourceDirectoryIndex, SectionRva);
    image.Put32(optional + 96 + std::size_t{8} * ResourceDirectoryIndex + 4, sectionSize);

    const std::size_t section = SectionHeaderOffset;
    image.PutBytes(section, std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(".rsrc"), 5));
    image.Put32(section + 8, sectionSize);
    image.Put32(section + 12, SectionRva);
    image.Put32(section + 16, rawSize);
    image.Put32(section + 20, FileAlignment);
    image.Put32(section + 36, ResourceSectionCharacteristics);
}

bool StartsWith(const std::vector<std::uint8_t>& bytes, std::size_t offset, std::string_view text) {
    return bytes.size() >= offset + text.size() &&
           std::equal(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

constexpr std::size_t BitmapFileHeaderSize = 14;

}  // namespace

std::vector<std::uint8_t> ResourceLibraryBytes(const std::vector<Resource>& resources) {
    const SectionLayout layout = Plan(resources);
    ByteImage image(FileAlignment + AlignUp(layout.size, FileAlignment));
    PutHeaders(image, layout.size);
    PutResourceSection(image, FileAlignment, layout);
    return image.Take();
}

core::Result<std::vector<std::uint8_t>> BitmapResourceFromFile(const std::vector<std::uint8_t>& file) {
    if (!StartsWith(file, 0, "BM") || file.size() <= BitmapFileHeaderSize)
        return core::Failure{"is not a BMP file"};
    std::vector<std::uint8_t> dib(file.begin() + BitmapFileHeaderSize, file.end());
    if (!core::BitmapFileFromResource(dib)) return core::Failure{"is a BMP file the converter cannot show"};
    return dib;
}

core::Result<std::vector<std::uint8_t>> SoundResourceFromFile(const std::vector<std::uint8_t>& file) {
    if (!StartsWith(file, 0, "RIFF") || !StartsWith(file, 8, "WAVE"))
        return core::Failure{"is not a WAV file"};
    return file;
}

}  // namespace pack
