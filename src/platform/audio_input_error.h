// Why a microphone could not record: its input has no usable format, or the device cannot be
// selected or is gone. what() is a short technical description; the recorder shows its own text.
#pragma once

#include <stdexcept>

namespace bw {

class AudioInputError : public std::runtime_error {
public:
    enum class Kind { noInputAvailable, deviceUnavailable };

    explicit AudioInputError(Kind kind)
        : std::runtime_error(kind == Kind::noInputAvailable ? "the input has no usable audio format"
                                                            : "the input device is unavailable"),
          m_kind(kind) {}

    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
};

} // namespace bw
