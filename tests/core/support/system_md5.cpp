#include "tests/core/support/system_md5.h"

#include <array>
#include <cctype>
#include <cstdio>

namespace testing_support {

std::string SystemMd5Hex(const std::string& path) {
    // The paths come from TempDir and hold no single quotes.
    const std::string command = "md5sum -- '" + path + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return {};
    std::array<char, 33> hex{};
    const std::size_t read = std::fread(hex.data(), 1, 32, pipe);
    const int status = pclose(pipe);
    if (read != 32 || status != 0) return {};
    std::string text(hex.data(), 32);
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace testing_support
