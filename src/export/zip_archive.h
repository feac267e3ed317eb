// Writes a complete ZIP archive into memory from named byte blocks: one disk, no ZIP64, no
// encryption, data descriptors, extra fields or comments, and a fixed timestamp
// (1980-01-01 00:00), so that the same entries always give the same bytes. Each entry is
// deflated when that makes it smaller, else stored.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace bw {

class ZipArchive {
public:
    struct Entry {
        std::string name;               // path inside the archive, written as its UTF-8 bytes
        std::vector<std::uint8_t> data; // uncompressed content
    };

    // Thrown when an entry, the central directory or an offset exceeds 32 bits, a name
    // exceeds 65,535 bytes or there are more than 65,535 entries.
    class Failure : public std::runtime_error {
    public:
        enum class Kind { tooLarge };
        Failure() : std::runtime_error("The archive is too large for the ZIP format.") {}
        Kind kind() const { return Kind::tooLarge; }
    };

    // The archive's bytes; throws Failure and returns nothing partial. Safe from any thread.
    static std::vector<std::uint8_t> make(const std::vector<Entry>& entries);
};

} // namespace bw
