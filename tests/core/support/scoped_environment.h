#pragma once
// Environment variables changed for one test and restored, in reverse order, when it ends.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

class ScopedEnvironment {
  public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void Set(const std::string& name, const std::string& value);
    void Unset(const std::string& name);

  private:
    void Remember(const std::string& name);

    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace testing_support
