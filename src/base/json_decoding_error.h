// Thrown when stored JSON does not have the expected shape: a missing key, a value of the
// wrong type, or a value outside the allowed set. what() names the key and the problem.
#pragma once

#include <stdexcept>
#include <string>

namespace bw {

class JsonDecodingError : public std::runtime_error {
public:
    enum class Kind { keyNotFound, typeMismatch, dataCorrupted };

    JsonDecodingError(Kind kind, const std::string& message)
        : std::runtime_error(message), m_kind(kind) {}

    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
};

} // namespace bw
