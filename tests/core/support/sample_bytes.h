#pragma once
// Reproducible test data.
#include <cstddef>
#include <string>

namespace testing_support {

// `size` pseudo-random bytes, the same for the same seed, different from seed to seed.
[[nodiscard]] std::string SampleBytes(std::size_t size, unsigned seed);

}  // namespace testing_support
