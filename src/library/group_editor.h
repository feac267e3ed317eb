// A pending request to name a group, shown as the group-name sheet: create one (optionally
// moving recordings into it), rename one, or create one as the recording destination.
#pragma once

#include "base/uuid.h"
#include "library/library_group.h"

#include <exception>
#include <string>
#include <variant>
#include <vector>

namespace bw {

struct GroupEditor {
    struct Create {
        std::vector<Uuid> moving;
        friend bool operator==(const Create&, const Create&) = default;
    };
    struct Rename {
        LibraryGroup group;
        friend bool operator==(const Rename&, const Rename&) = default;
    };
    struct CreateAsDestination {
        friend bool operator==(const CreateAsDestination&, const CreateAsDestination&) = default;
    };
    using Purpose = std::variant<Create, Rename, CreateAsDestination>;

    Uuid id;
    Purpose purpose;

    static GroupEditor make(Purpose purpose) { return GroupEditor{Uuid::random(), purpose}; }

    friend bool operator==(const GroupEditor&, const GroupEditor&) = default;
};

// The line the sheet shows under the name field when naming failed with `error`.
std::string groupNameProblem(const std::exception& error);

} // namespace bw
