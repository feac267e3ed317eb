// SHA-1 of a stream of bytes fed in pieces: the checksum whisper.cpp publishes for its model
// files. Not for security: a model is trusted because its bytes match the published ones.
#pragma once

#include <filesystem>
#include <memory>
#include <span>
#include <string>

namespace bw {

class Sha1Hasher {
public:
    Sha1Hasher();
    ~Sha1Hasher();
    Sha1Hasher(const Sha1Hasher&) = delete;
    Sha1Hasher& operator=(const Sha1Hasher&) = delete;

    void update(std::span<const char> bytes);
    // Starts over, as if freshly made.
    void reset();
    // The checksum of everything fed since the start, as 40 lower-case hexadecimal digits.
    // Does not change the state: more bytes may follow.
    std::string hexDigest() const;

    // Feeds the first `length` bytes of the file (all of it when longer than the file).
    // Throws FileError.
    void updateFromFile(const std::filesystem::path& file, std::uintmax_t length);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace bw
