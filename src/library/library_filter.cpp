#include "library/library_filter.h"

namespace bw {

std::optional<LibraryFilter> LibraryFilter::fromStoredValue(std::string_view text) {
    if (text == "all") {
        return all();
    }
    if (text == "notFiled") {
        return notFiled();
    }
    if (auto id = Uuid::parse(text)) {
        return group(*id);
    }
    return std::nullopt;
}

std::string LibraryFilter::storedValue() const {
    switch (m_kind) {
    case Kind::all:
        return "all";
    case Kind::notFiled:
        return "notFiled";
    case Kind::group:
        break;
    }
    return m_groupID.string();
}

std::optional<Uuid> LibraryFilter::groupID() const {
    if (m_kind == Kind::group) {
        return m_groupID;
    }
    return std::nullopt;
}

} // namespace bw
