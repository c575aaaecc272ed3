#pragma once
// A whole file mapped for reading. Pages that the caller is done with can be handed back, so a
// file read from front to back costs only the part still in use.
#include <cstdint>
#include <span>
#include <string>

#include "core/result.h"

namespace bsdiff {

class MappedFile {
  public:
    // `role` names the file in messages ("old file"). An empty file maps to no bytes.
    [[nodiscard]] static core::Result<MappedFile> Open(const std::string& path, const std::string& role);
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&&) = delete;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    [[nodiscard]] std::span<const std::uint8_t> Bytes() const { return {data_, size_}; }
    // The bytes before `offset` will not be read again: their pages leave this process's memory.
    void Release(std::uint64_t offset);

  private:
    MappedFile(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t released_ = 0;
};

}  // namespace bsdiff
