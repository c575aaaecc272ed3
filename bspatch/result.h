#pragma once
// What a step of applying a patch gives back: its value, or the reason it failed, worded for the
// one line the tool prints.
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace bspatch {

struct Failure {
    std::string reason;
};

template <class T>
class [[nodiscard]] Result {
  public:
    Result(T value) : value_(std::move(value)) {}
    Result(Failure failure) : reason_(std::move(failure.reason)) {}

    explicit operator bool() const { return value_.has_value(); }
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }

    // The reason of a failed step, to hand on unchanged.
    [[nodiscard]] Failure AsFailure() const { return Failure{reason_}; }
    [[nodiscard]] const std::string& Reason() const { return reason_; }

  private:
    std::optional<T> value_;
    std::string reason_;
};

// A step that gives nothing back but success or its failure.
using Status = Result<std::monostate>;
inline constexpr std::monostate Succeeded{};

// The run was asked to stop (a signal came) before the new file was complete.
[[nodiscard]] inline Failure Stopped() { return Failure{"stopped before the new file was complete"}; }

}  // namespace bspatch
