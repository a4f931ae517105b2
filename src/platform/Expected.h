// The one way an operation says it failed: an Error carries the message for the user
// (Chinese) and the detail for the log; Expected<T> holds either the value or the Error.
// A layer that needs more than that to decide what to do next (the document readers: was
// it the file system or the content?) extends Error and names it as the second parameter.
// std::optional stays for "absent" or "not recognised", where there is no reason to give;
// exceptions stay for broken preconditions (error() of a success, value() of a failure).
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

template <class T, class E = Error>
class [[nodiscard]] Expected {
public:
    Expected(T value) : state_(std::move(value)) {}
    Expected(E error) : state_(std::move(error)) {}

    bool has_value() const { return state_.index() == 0; }
    explicit operator bool() const { return has_value(); }
    T& value() { return std::get<0>(state_); }
    const T& value() const { return std::get<0>(state_); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const E& error() const { return std::get<1>(state_); }

private:
    std::variant<T, E> state_;
};

template <class E>
class [[nodiscard]] Expected<void, E> {
public:
    Expected() = default;
    Expected(E error) : error_(std::move(error)) {}

    bool has_value() const { return !error_.has_value(); }
    explicit operator bool() const { return has_value(); }
    const E& error() const { return error_.value(); }

private:
    std::optional<E> error_;
};

// For steps that all run although one fails: `first` keeps the earliest failure.
template <class E>
void KeepFirstError(Expected<void, E>& first, Expected<void, E> next)
{
    if (first && !next)
        first = std::move(next);
}

}  // namespace kyq
