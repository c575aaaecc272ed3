#include "platform/environment.h"

#include <unistd.h>

namespace platform {

std::vector<std::string> EnvironmentEntries() {
    std::vector<std::string> entries;
    for (char** entry = environ; entry && *entry; ++entry) entries.emplace_back(*entry);
    return entries;
}

}  // namespace platform
