#pragma once
// The one error style of core, the packing tool and the patch programs: a step gives back its
// value, or the reason it failed, worded for whoever reads it (a message box's details, a tool's
// line on standard error). Header-only and free of everything else in core, so that the small patch
// programs use it without linking the converter's code.
#include <string>
#include <utility>
#include <variant>

namespace core {

// Why a step failed; returned where a Result is expected.
struct Failure {
    std::string reason;
};

template <class T>
class [[nodiscard]] Result {
  public:
    // Implicit, so that a step returns its value or a Failure as it is.
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure)) {}

    explicit operator bool() const { return state_.index() == 0; }
    // The value of a step that succeeded; asking a failed one is a fault of the caller.
    T& operator*() { return std::get<0>(state_); }
    const T& operator*() const { return std::get<0>(state_); }
    T* operator->() { return &std::get<0>(state_); }
    const T* operator->() const { return &std::get<0>(state_); }

    // The reason of a failed step; the empty text for one that succeeded.
    [[nodiscard]] const std::string& Reason() const {
        static const std::string none;
        const Failure* failure = std::get_if<1>(&state_);
        return failure ? failure->reason : none;
    }
    // The failure, to hand on unchanged from a step whose result holds another type.
    [[nodiscard]] Failure AsFailure() const { return Failure{Reason()}; }

  private:
    std::variant<T, Failure> state_;
};

// A step that gives nothing back but its success or its failure.
using Status = Result<std::monostate>;
inline constexpr std::monostate Succeeded{};

}  // namespace core
