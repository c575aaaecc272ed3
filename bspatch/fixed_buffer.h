#pragma once
// A buffer of one fixed size whose bytes are not cleared first: only bytes written into it are
// read back, and pages that are never touched take no memory.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace bspatch {

class FixedBuffer {
  public:
    explicit FixedBuffer(std::size_t size)
        : bytes_(std::make_unique_for_overwrite<std::uint8_t[]>(size)), size_(size) {}

    std::uint8_t* data() { return bytes_.get(); }
    const std::uint8_t* data() const { return bytes_.get(); }
    std::size_t size() const { return size_; }

  private:
    std::unique_ptr<std::uint8_t[]> bytes_;
    std::size_t size_;
};

}  // namespace bspatch
