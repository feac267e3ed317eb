// The library store's own failures. The library model turns them into the user's messages;
// what() is a short description for the end of such a message.
#pragma once

#include <stdexcept>
#include <string>

namespace bw {

class LibraryError : public std::runtime_error {
public:
    enum class Kind {
        unsupportedFileType, // extension() holds the source's extension, case unchanged
        unreadableAudio,
        emptyTitle,
        itemNotFound,
        emptyGroupName,
        duplicateGroupName,
        groupNotFound,
        unreadableGroups,
        recordingInProgress, // the item is being recorded (its recording lock is held)
        itemExists,          // a new item's folder is there already
    };

    explicit LibraryError(Kind kind, std::string extension = {});

    Kind kind() const { return m_kind; }
    const std::string& extension() const { return m_extension; }

    friend bool operator==(const LibraryError& a, const LibraryError& b) {
        return a.m_kind == b.m_kind && a.m_extension == b.m_extension;
    }

private:
    Kind m_kind;
    std::string m_extension;
};

// Whether `error` is a LibraryError of that kind.
bool isLibraryError(const std::exception& error, LibraryError::Kind kind);

} // namespace bw
