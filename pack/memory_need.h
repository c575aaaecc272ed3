#pragma once
// How much memory a patch maker needs, and how much the machine has to give.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace pack {

enum class PatchMaker { Ours, System };

// Both makers hold the old file and a suffix array over it. Debian's bsdiff: its peak resident size
// is 9.05 times the old file, plus the new file. Ours: the old file, 4 bytes of suffix array per
// byte (8 from 2 GiB on), and a fixed part for the compressors and the piece of the new file in
// use (measured: 527 MiB for a pair of 100 MiB files, 17 MiB above the old file and its array).
[[nodiscard]] std::uint64_t PatchMakerMemory(std::uint64_t oldSize, std::uint64_t newSize, PatchMaker maker);

// The MemAvailable figure of a /proc/meminfo text, in bytes; nothing when it has none.
[[nodiscard]] std::optional<std::uint64_t> MemAvailable(std::string_view meminfo);
// The machine's MemAvailable now; nothing when it cannot be read.
[[nodiscard]] std::optional<std::uint64_t> AvailableMemory();

// How many of the jobs (their needs in any order) may run at once within `available`, at most
// `cores`: the largest needs together must fit. 0 when even the largest alone does not fit.
[[nodiscard]] int JobsThatFit(std::vector<std::uint64_t> needs, std::uint64_t available, int cores);

}  // namespace pack
