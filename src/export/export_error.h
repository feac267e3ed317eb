// The one way an export can fail: the Word document's ZIP container would exceed the format's
// 32-bit limits. The error has no message of its own; what() is a generic description, which
// callers put at the end of their own message.
#pragma once

#include <stdexcept>

namespace bw {

class ExportError : public std::runtime_error {
public:
    enum class Kind { documentTooLarge };

    static ExportError documentTooLarge() { return ExportError(Kind::documentTooLarge); }

    Kind kind() const { return m_kind; }

    bool operator==(const ExportError& other) const { return m_kind == other.m_kind; }

private:
    explicit ExportError(Kind kind);

    Kind m_kind;
};

} // namespace bw
