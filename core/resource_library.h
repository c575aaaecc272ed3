#pragma once
// A bounded reader of the resources in a Windows resource-only library (PE32 or PE32+). The
// library is only read, never executed. Every offset, size and count in it is checked against
// the file, so a damaged library yields missing resources, never a read outside the file.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace core {

// Random access to the bytes of an outside file.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    [[nodiscard]] virtual std::uint64_t Size() const = 0;
    // Fills the whole buffer from the offset on; false when any of those bytes is not there.
    [[nodiscard]] virtual bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) = 0;
};

// Bytes already in memory; the span must outlive the source.
class MemoryByteSource final : public ByteSource {
  public:
    explicit MemoryByteSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    [[nodiscard]] std::uint64_t Size() const override { return bytes_.size(); }
    [[nodiscard]] bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override;

  private:
    std::span<const std::uint8_t> bytes_;
};

// A resource type or name: a number, or a text whose letters A to Z match in either case.
using ResourceKey = std::variant<std::uint16_t, std::string>;

inline constexpr std::uint16_t BitmapResourceType = 2;
inline constexpr std::string_view WaveResourceType = "WAVE";

class ResourceLibrary {
  public:
    // Opens the file and keeps it open for the library's life. Nothing when the file cannot be
    // opened or does not start like a PE image.
    [[nodiscard]] static std::optional<ResourceLibrary> Open(const std::string& path);
    // The same over any source of bytes.
    [[nodiscard]] static std::optional<ResourceLibrary> FromSource(std::unique_ptr<ByteSource> source);

    // The bytes of the resource with this type and name, in its first language; nothing when
    // the library has no such resource, the way to it is damaged or it claims more than 64 MiB.
    [[nodiscard]] std::optional<std::vector<std::uint8_t>> Find(const ResourceKey& type,
                                                                const ResourceKey& name);

  private:
    struct Section {
        std::uint32_t virtualAddress;
        std::uint32_t mappedSize;  // the part of the section that the file supplies
        std::uint32_t fileOffset;
    };

    ResourceLibrary(std::unique_ptr<ByteSource> source, std::vector<Section> sections,
                    std::uint32_t resourceRva)
        : source_(std::move(source)), sections_(std::move(sections)), resourceRva_(resourceRva) {}

    // Reads `size` bytes at a relative virtual address, when one section holds all of them.
    [[nodiscard]] std::optional<std::vector<std::uint8_t>> ReadRva(std::uint64_t rva, std::uint64_t size);
    // The entry of the resource directory at `directoryOffset` whose key matches; its raw
    // target field (the high bit marks a subdirectory), or nothing.
    [[nodiscard]] std::optional<std::uint32_t> FindEntry(std::uint32_t directoryOffset,
                                                         const ResourceKey& key);
    [[nodiscard]] std::optional<std::uint32_t> FirstEntry(std::uint32_t directoryOffset);
    [[nodiscard]] bool NameMatches(std::uint32_t nameOffset, std::string_view name);

    std::unique_ptr<ByteSource> source_;
    std::vector<Section> sections_;
    std::uint32_t resourceRva_;
};

}  // namespace core
