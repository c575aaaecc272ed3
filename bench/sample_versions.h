#pragma once
// The two 256 MiB versions that the conversion and patch tool benchmarks patch between.
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace bench {

inline constexpr int VersionMiB = 256;

// Pseudo-random bytes; the changed version differs in one short run every 16 MiB, so that the
// patch stays small.
inline void WriteVersion(const std::string& path, bool changed) {
    std::vector<std::uint64_t> block((1u << 20) / sizeof(std::uint64_t));
    std::uint64_t seed = 0x9E3779B97F4A7C15ull;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (int mib = 0; mib < VersionMiB; ++mib) {
        for (std::uint64_t& word : block) {
            seed ^= seed << 13;
            seed ^= seed >> 7;
            seed ^= seed << 17;
            word = seed;
        }
        if (changed && mib % 16 == 5) std::fill_n(block.begin() + 100, 8, 0x0123456789ABCDEFull);
        out.write(reinterpret_cast<const char*>(block.data()),
                  static_cast<std::streamsize>(block.size() * 8));
    }
}

}  // namespace bench
