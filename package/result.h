#pragma once

#include <optional>
#include <string>
#include <utility>

// Why an operation failed, in words for the person who runs the tool.
struct Failure {
    std::string message;
};

// The value of an operation, or the failure that left it without one.
template <typename T> class [[nodiscard]] Result {
  public:
    // Two overloads, so that returning a local value moves it.
    Result(const T& value) : value_(value) {}
    Result(T&& value) : value_(std::move(value)) {}
    Result(Failure failure) : error_(std::move(failure.message)) {}

    explicit operator bool() const {
        return value_.has_value();
    }
    T& operator*() {
        return *value_;
    }
    const T& operator*() const {
        return *value_;
    }
    T* operator->() {
        return &*value_;
    }
    const T* operator->() const {
        return &*value_;
    }
    // Empty when there is a value.
    const std::string& Error() const {
        return error_;
    }

  private:
    std::optional<T> value_;
    std::string error_;
};

// An operation that succeeds without a value.
template <> class [[nodiscard]] Result<void> {
  public:
    Result() = default;
    Result(Failure failure) : failed_(true), error_(std::move(failure.message)) {}

    explicit operator bool() const {
        return !failed_;
    }
    const std::string& Error() const {
        return error_;
    }

  private:
    bool failed_ = false;
    std::string error_;
};
