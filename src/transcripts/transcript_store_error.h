// Failures of the transcript store that callers tell apart; what() is the user-facing text.
#pragma once

#include <cstdint>
#include <stdexcept>

namespace bw {

class TranscriptStoreError : public std::runtime_error {
public:
    enum class Kind { unsupportedVersion, itemNotFound };

    // The file's "version" is newer than this program writes.
    static TranscriptStoreError unsupportedVersion(std::int64_t version);
    // The recording's folder is gone (or is not a folder) when saving.
    static TranscriptStoreError itemNotFound();

    Kind kind() const { return m_kind; }
    std::int64_t version() const { return m_version; } // unsupportedVersion only

    bool operator==(const TranscriptStoreError& other) const {
        return m_kind == other.m_kind && m_version == other.m_version;
    }

private:
    TranscriptStoreError(Kind kind, std::int64_t version, const std::string& message)
        : std::runtime_error(message), m_kind(kind), m_version(version) {}

    Kind m_kind;
    std::int64_t m_version;
};

} // namespace bw
