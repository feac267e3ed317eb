#include "platform/descriptor_writing.h"

#include <cerrno>

#include <unistd.h>

namespace bw {

bool writeAll(int descriptor, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t written = ::write(descriptor, bytes, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes += written;
        size -= std::size_t(written);
    }
    return true;
}

} // namespace bw
