// A failure of the search index: the index file cannot be created, opened or written, or is
// damaged. The index is a cache of the library's files, so callers recover by building it again;
// what() is a short description for the end of a user message.
#pragma once

#include <stdexcept>
#include <string>

namespace bw {

class SearchIndexError : public std::runtime_error {
public:
    enum class Kind {
        unavailable, // cannot be created or opened, or the disk refused a write
        damaged,     // not a database of ours, or its content is corrupt
        interrupted, // a query was stopped on request
    };

    SearchIndexError(Kind kind, const std::string& description)
        : std::runtime_error(description), m_kind(kind) {}

    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
};

} // namespace bw
