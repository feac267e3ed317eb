// The sidebar's selection: every recording, those in no group, or those of one group. Its
// stored form is what the library model keeps in the user's settings.
#pragma once

#include "base/uuid.h"

#include <optional>
#include <string>
#include <string_view>

namespace bw {

class LibraryFilter {
public:
    enum class Kind { group, all, notFiled };

    static LibraryFilter all() { return LibraryFilter(Kind::all, {}); }
    static LibraryFilter notFiled() { return LibraryFilter(Kind::notFiled, {}); }
    static LibraryFilter group(Uuid id) { return LibraryFilter(Kind::group, id); }

    // "all" and "notFiled" (exactly, case-sensitive), otherwise a UUID in either case;
    // anything else gives nothing.
    static std::optional<LibraryFilter> fromStoredValue(std::string_view text);

    // "all", "notFiled" or the group's canonical UUID string.
    std::string storedValue() const;

    Kind kind() const { return m_kind; }
    // The group of a `group` filter; nothing for the other kinds.
    std::optional<Uuid> groupID() const;

    friend bool operator==(const LibraryFilter&, const LibraryFilter&) = default;

private:
    LibraryFilter(Kind kind, Uuid id) : m_kind(kind), m_groupID(id) {}

    Kind m_kind;
    Uuid m_groupID; // nil unless m_kind is group
};

} // namespace bw
