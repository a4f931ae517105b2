// The one way an operation says it failed: an Error carries the message for the user
// (Chinese) and the detail for the log; Expected<T> holds either the value or the Error.
// Exceptions stay for broken preconditions.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace kyq {

struct Error {
    std::string Message;  // for the user, Chinese, UTF-8
    std::string Detail;   // for the log: the step and the system's own words
    int Code = 0;         // errno where a system call failed, else 0
};

template <class T>
class [[nodiscard]] Expected {
public:
    Expected(T value) : state_(std::move(value)) {}
    Expected(Error error) : state_(std::move(error)) {}

    bool has_value() const { return state_.index() == 0; }
    explicit operator bool() const { return has_value(); }
    T& value() { return std::get<0>(state_); }
    const T& value() const { return std::get<0>(state_); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const Error& error() const { return std::get<1>(state_); }

private:
    std::variant<T, Error> state_;
};

template <>
class [[nodiscard]] Expected<void> {
public:
    Expected() = default;
    Expected(Error error) : error_(std::move(error)) {}

    bool has_value() const { return !error_.has_value(); }
    explicit operator bool() const { return has_value(); }
    const Error& error() const { return *error_; }

private:
    std::optional<Error> error_;
};

}  // namespace kyq
