#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace fenban {

// Outcome of an operation that can fail: a value, or the text of what went wrong (for the caller to
// show). Errors are values below the windows and the command line; only those two show them.
template <typename T> class Result {
public:
    static Result success(T value) { return Result(std::move(value), {}); }
    static Result failure(QString error) { return Result(std::nullopt, std::move(error)); }

    explicit operator bool() const { return m_value.has_value(); }
    const T &value() const { return *m_value; }
    T &value() { return *m_value; }
    const T *operator->() const { return &*m_value; }
    const QString &error() const { return m_error; }

private:
    Result(std::optional<T> value, QString error) : m_value(std::move(value)), m_error(std::move(error)) {}
    std::optional<T> m_value;
    QString m_error;
};

// Outcome of an operation that yields nothing but success or an error text.
class Status {
public:
    static Status success() { return Status(true, {}); }
    static Status failure(QString error) { return Status(false, std::move(error)); }

    explicit operator bool() const { return m_ok; }
    const QString &error() const { return m_error; }

private:
    Status(bool ok, QString error) : m_ok(ok), m_error(std::move(error)) {}
    bool m_ok;
    QString m_error;
};

} // namespace fenban
