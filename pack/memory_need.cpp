#include "pack/memory_need.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "bsdiff/suffix_array.h"

namespace pack {

std::uint64_t PatchMakerMemory(std::uint64_t oldSize, std::uint64_t newSize, PatchMaker maker) {
    if (maker == PatchMaker::System) return 9 * oldSize + newSize;
    constexpr std::uint64_t FixedPart = std::uint64_t{32} << 20;
    const std::uint64_t entrySize = oldSize < bsdiff::SuffixArray::WideFrom ? 4 : 8;
    return (1 + entrySize) * oldSize + FixedPart;
}

std::optional<std::uint64_t> MemAvailable(std::string_view meminfo) {
    constexpr std::string_view Key = "MemAvailable:";
    std::size_t line = 0;
    while (line < meminfo.size()) {
        const std::size_t end = std::min(meminfo.find('\n', line), meminfo.size());
        const std::string_view text = meminfo.substr(line, end - line);
        line = end + 1;
        if (!text.starts_with(Key)) continue;
        std::string_view value = text.substr(Key.size());
        value.remove_prefix(std::min(value.find_first_not_of(' '), value.size()));
        std::uint64_t kibibytes = 0;
        const auto result = std::from_chars(value.data(), value.data() + value.size(), kibibytes);
        if (result.ec != std::errc{} || std::string_view(result.ptr, value.data() + value.size()) != " kB")
            return std::nullopt;
        return kibibytes * 1024;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> AvailableMemory() {
    std::ifstream file("/proc/meminfo");
    std::stringstream text;
    text << file.rdbuf();
    return file ? MemAvailable(text.str()) : std::nullopt;
}

int JobsThatFit(std::vector<std::uint64_t> needs, std::uint64_t available, int cores) {
    std::sort(needs.begin(), needs.end(), std::greater<>());
    std::uint64_t together = 0;
    int jobs = 0;
    for (const std::uint64_t need : needs) {
        if (jobs == cores || together + need > available) break;
        together += need;
        ++jobs;
    }
    return jobs;
}

}  // namespace pack
