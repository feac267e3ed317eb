// Why captured audio could not be converted to the recording format: the converter reported a
// failure (with its text), or the input's format cannot be converted at all.
#pragma once

#include <stdexcept>
#include <string>

namespace bw {

class ConversionError : public std::runtime_error {
public:
    enum class Kind { failed, unsupportedFormat };

    static ConversionError failed(const std::string& reason) {
        return ConversionError(Kind::failed, reason);
    }
    static ConversionError unsupportedFormat(const std::string& format) {
        return ConversionError(Kind::unsupportedFormat, "unsupported audio format " + format);
    }

    Kind kind() const { return m_kind; }

private:
    ConversionError(Kind kind, const std::string& message)
        : std::runtime_error(message), m_kind(kind) {}
    Kind m_kind;
};

} // namespace bw
