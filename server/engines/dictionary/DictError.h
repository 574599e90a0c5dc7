#pragma once
// Failures of the dictionary formats as values: what kind of failure, and the sentence a user or
// an administrator reads in the log.

#include <QString>

#include <utility>
#include <variant>

namespace quillo::dictformats {

enum class DictErrorKind {
    Missing,    // a file the format needs is not there
    Unreadable, // the file is there but cannot be opened or read
    Malformed,  // the file is not in the format it claims
    IndexWrite, // the headword index could not be written under the data folder
};

struct DictError {
    DictErrorKind kind;
    QString message;
};

// A value or the reason there is none.
template <typename T>
class DictResult {
public:
    DictResult(T value) : state_(std::move(value)) {}
    DictResult(DictError error) : state_(std::move(error)) {}

    bool ok() const { return std::holds_alternative<T>(state_); }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<T>(state_); }
    const T& value() const { return std::get<T>(state_); }
    const DictError& error() const { return std::get<DictError>(state_); }

private:
    std::variant<T, DictError> state_;
};

inline DictError dictError(DictErrorKind kind, const QString& message)
{
    return DictError{kind, message};
}

} // namespace quillo::dictformats
