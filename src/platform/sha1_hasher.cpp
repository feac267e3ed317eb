#include "platform/sha1_hasher.h"

#include "platform/file_error.h"

#include <openssl/evp.h>

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <unistd.h>
#include <vector>

namespace bw {

struct Sha1Hasher::State {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    ~State() { EVP_MD_CTX_free(context); }
};

Sha1Hasher::Sha1Hasher() : m_state(std::make_unique<State>()) {
    if (m_state->context == nullptr) {
        throw std::bad_alloc();
    }
    reset();
}

Sha1Hasher::~Sha1Hasher() = default;

void Sha1Hasher::reset() {
    EVP_DigestInit_ex(m_state->context, EVP_sha1(), nullptr);
}

void Sha1Hasher::update(std::span<const char> bytes) {
    EVP_DigestUpdate(m_state->context, bytes.data(), bytes.size());
}

std::string Sha1Hasher::hexDigest() const {
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> copy(EVP_MD_CTX_new(),
                                                                 &EVP_MD_CTX_free);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!copy || EVP_MD_CTX_copy_ex(copy.get(), m_state->context) != 1 ||
        EVP_DigestFinal_ex(copy.get(), digest, &length) != 1) {
        throw std::bad_alloc();
    }
    static constexpr char hex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += hex[digest[i] >> 4];
        text += hex[digest[i] & 0xf];
    }
    return text;
}

void Sha1Hasher::updateFromFile(const std::filesystem::path& file, std::uintmax_t length) {
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw FileError("be read", file, std::error_code(errno, std::generic_category()));
    }
    std::vector<char> buffer(1 << 20);
    while (length > 0) {
        auto wanted = static_cast<size_t>(std::min<std::uintmax_t>(length, buffer.size()));
        ssize_t got = ::read(fd, buffer.data(), wanted);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            std::error_code code(errno, std::generic_category());
            ::close(fd);
            throw FileError("be read", file, code);
        }
        if (got == 0) {
            break;
        }
        update(std::span<const char>(buffer.data(), static_cast<size_t>(got)));
        length -= static_cast<std::uintmax_t>(got);
    }
    ::close(fd);
}

} // namespace bw
