#include "library/library_error.h"

namespace bw {

namespace {

std::string describe(LibraryError::Kind kind, const std::string& extension) {
    switch (kind) {
    case LibraryError::Kind::unsupportedFileType:
        return "Files of type “" + extension + "” can't be imported.";
    case LibraryError::Kind::unreadableAudio:
        return "The audio couldn't be read.";
    case LibraryError::Kind::emptyTitle:
        return "The title is empty.";
    case LibraryError::Kind::itemNotFound:
        return "The recording no longer exists.";
    case LibraryError::Kind::emptyGroupName:
        return "The group's name is empty.";
    case LibraryError::Kind::duplicateGroupName:
        return "Another group has this name.";
    case LibraryError::Kind::groupNotFound:
        return "The group no longer exists.";
    case LibraryError::Kind::unreadableGroups:
        return "The group list couldn't be read.";
    case LibraryError::Kind::recordingInProgress:
        return "The recording is still being recorded.";
    case LibraryError::Kind::itemExists:
        return "A recording with the new recording's identifier already exists.";
    }
    return "The library couldn't be changed.";
}

} // namespace

LibraryError::LibraryError(Kind kind, std::string extension)
    : std::runtime_error(describe(kind, extension)), m_kind(kind),
      m_extension(std::move(extension)) {}

bool isLibraryError(const std::exception& error, LibraryError::Kind kind) {
    auto* libraryError = dynamic_cast<const LibraryError*>(&error);
    return libraryError && libraryError->kind() == kind;
}

} // namespace bw
