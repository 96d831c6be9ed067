#pragma once

#include <optional>
#include <string>
#include <utility>

namespace brivet {

// Outcome of an operation that can fail: success, or a readable message.
class Status {
public:
    static Status success() { return Status(); }
    static Status failure(std::string message) { return Status(std::move(message)); }

    bool ok() const { return !m_error; }
    explicit operator bool() const { return ok(); }
    const std::string& message() const { return *m_error; }

private:
    Status() = default;
    explicit Status(std::string message) : m_error(std::move(message)) { }
    std::optional<std::string> m_error;
};

} // namespace brivet
