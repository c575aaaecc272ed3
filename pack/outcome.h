#pragma once
// The one error style of the packing tool: a result, or the reason it was refused.
#include <string>
#include <utility>
#include <variant>

namespace pack {

// Why a request was turned down, in one line for standard error.
struct Refusal {
    std::string message;
};

template <typename T>
class [[nodiscard]] Outcome {
  public:
    Outcome(T value) : value_(std::move(value)) {}  // NOLINT: implicit by design, like a return value
    Outcome(Refusal refusal) : value_(std::move(refusal)) {}

    [[nodiscard]] bool ok() const { return std::holds_alternative<T>(value_); }
    [[nodiscard]] T& value() { return std::get<T>(value_); }
    [[nodiscard]] const T& value() const { return std::get<T>(value_); }
    [[nodiscard]] const std::string& message() const { return std::get<Refusal>(value_).message; }

  private:
    std::variant<T, Refusal> value_;
};

// An outcome without a value: success, or a refusal.
struct Done {};

}  // namespace pack
