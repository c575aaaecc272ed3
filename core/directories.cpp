#include "core/directories.h"

#include "core/text.h"
#include "platform/files.h"

namespace core {

namespace {
constexpr unsigned PrivateDirectoryMode = 0700;
}

bool CreateDirectoryPath(const std::string& directory) {
    if (directory.empty()) return false;
    std::string path = directory;
    if (PathSeparators.find(path.back()) != std::string_view::npos) path.pop_back();
    if (path.size() < 3 || platform::DirectoryExists(path)) return true;
    const std::string parent = DirectoryPart(path);
    if (parent == path) return true;
    if (!CreateDirectoryPath(parent)) return false;
    return platform::MakeDirectory(path, PrivateDirectoryMode) == platform::MakeDirectoryResult::Created;
}

}  // namespace core
