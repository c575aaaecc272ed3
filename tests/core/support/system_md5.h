#pragma once
// The checksum of a file as the system's md5sum tool computes it, for comparison.
#include <string>

namespace testing_support {

// md5sum's 32 hexadecimal digits in upper case, or the empty text when the tool failed.
std::string SystemMd5Hex(const std::string& path);

}  // namespace testing_support
