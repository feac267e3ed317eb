// A user-made group of recordings: a plain value record, and the order groups are listed
// and stored in.
#pragma once

#include "base/uuid.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace bw {

struct LibraryGroup {
    Uuid id;
    std::string name; // stored trimmed
    std::chrono::sys_seconds createdAt{};

    friend bool operator==(const LibraryGroup&, const LibraryGroup&) = default;
};

// Compares names the way a file browser does for the user's locale: case-insensitive, with
// runs of digits compared by value ("Alpha" < "team 2" < "Team 10"). Returns <0, 0 or >0.
// Thread-safe.
int compareGroupNames(const std::string& a, const std::string& b);

// The group order: by name as above, equal names by identifier string ascending.
void sortInGroupOrder(std::vector<LibraryGroup>& groups);

} // namespace bw

template <> struct std::hash<bw::LibraryGroup> {
    std::size_t operator()(const bw::LibraryGroup& group) const noexcept;
};
