#pragma once
// Marking a directory of ours as in use, so that a later run can tell a directory left behind by
// a run that was killed from one that another run is still using.
#include <optional>
#include <string>

namespace platform {

// Holds the exclusive lock on the marker file inside a directory; the kernel releases it when
// the object ends or the process dies, however it dies.
class DirectoryMark {
  public:
    DirectoryMark(DirectoryMark&& other) noexcept;
    DirectoryMark& operator=(DirectoryMark&& other) noexcept;
    DirectoryMark(const DirectoryMark&) = delete;
    DirectoryMark& operator=(const DirectoryMark&) = delete;
    ~DirectoryMark();

  private:
    friend std::optional<DirectoryMark> MarkDirectoryInUse(const std::string& directory);
    explicit DirectoryMark(int descriptor) : descriptor_(descriptor) {}

    int descriptor_ = -1;
};

// Puts the marker into the directory and locks it; nullopt when that fails. The marker appears
// under its name only once it is locked.
[[nodiscard]] std::optional<DirectoryMark> MarkDirectoryInUse(const std::string& directory);

// Removes what earlier runs left behind in `folder`: the directories named `base` or `base`
// followed by decimal digits that are real directories (not links), belong to this user, hold
// the marker as a regular file, and whose marker nobody holds locked. Nothing else is touched
// and no link is followed.
void RemoveAbandonedDirectories(const std::string& folder, const std::string& base);

}  // namespace platform
