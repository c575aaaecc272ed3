#include "tests/core/support/sample_bytes.h"

#include <random>

namespace testing_support {

std::string SampleBytes(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

}  // namespace testing_support
