#pragma once
// How much memory bsdiff needs, and how much the machine has to give.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace pack {

// bsdiff holds its suffix array over the old file (measured with Debian's bsdiff: its peak
// resident size is 9.05 times the old file), plus the new file.
[[nodiscard]] std::uint64_t BsdiffMemory(std::uint64_t oldSize, std::uint64_t newSize);

// The MemAvailable figure of a /proc/meminfo text, in bytes; nothing when it has none.
[[nodiscard]] std::optional<std::uint64_t> MemAvailable(std::string_view meminfo);
// The machine's MemAvailable now; nothing when it cannot be read.
[[nodiscard]] std::optional<std::uint64_t> AvailableMemory();

// How many of the jobs (their needs in any order) may run at once within `available`, at most
// `cores`: the largest needs together must fit. 0 when even the largest alone does not fit.
[[nodiscard]] int JobsThatFit(std::vector<std::uint64_t> needs, std::uint64_t available, int cores);

}  // namespace pack
