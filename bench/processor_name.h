#pragma once
// The processor's model name, printed with every set of figures: ratios measured on one machine
// say little about another.
#include <fstream>
#include <string>

namespace bench {

// The first "model name" line of /proc/cpuinfo, or "unknown processor".
inline std::string ProcessorName() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);) {
        const std::size_t colon = line.find(':');
        if (line.rfind("model name", 0) == 0 && colon != std::string::npos) {
            const std::size_t start = line.find_first_not_of(" \t", colon + 1);
            if (start != std::string::npos) return line.substr(start);
        }
    }
    return "unknown processor";
}

}  // namespace bench
