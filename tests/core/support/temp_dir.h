#pragma once
// A fresh directory per test, removed with everything in it when the test ends.
#include <set>
#include <string>
#include <string_view>

namespace testing_support {

class TempDir {
  public:
    TempDir();  // in $TMPDIR, else /tmp
    explicit TempDir(const std::string& base);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string File(std::string_view name) const;
    // Writes the bytes to path()/name and returns the full path.
    std::string Write(std::string_view name, std::string_view bytes) const;
    // The names in path()/subdirectory, or in path() itself.
    std::set<std::string> Entries(std::string_view subdirectory = "") const;

  private:
    std::string path_;
};

std::string ReadWholeFile(const std::string& path);

}  // namespace testing_support
