#include "bspatch/positioned_read.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace bspatch {

core::Result<std::size_t> ReadAt(int descriptor, std::span<std::uint8_t> buffer, std::uint64_t offset,
                                 std::string_view what) {
    ssize_t count;
    do {
        count = ::pread(descriptor, buffer.data(), buffer.size(), static_cast<off_t>(offset));
    } while (count < 0 && errno == EINTR);
    if (count < 0) return core::Failure{"cannot read the " + std::string(what) + ": " + std::strerror(errno)};
    return static_cast<std::size_t>(count);
}

}  // namespace bspatch
