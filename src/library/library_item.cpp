#include "library/library_item.h"

#include <algorithm>

namespace bw {

std::string_view rawValue(LibraryItem::Origin origin) {
    switch (origin) {
    case LibraryItem::Origin::recorded:
        return "recorded";
    case LibraryItem::Origin::dictated:
        return "dictated";
    case LibraryItem::Origin::imported:
        return "imported";
    }
    return "recorded";
}

std::string_view rawValue(LibraryItem::State state) {
    switch (state) {
    case LibraryItem::State::recording:
        return "recording";
    case LibraryItem::State::complete:
        return "complete";
    case LibraryItem::State::interrupted:
        return "interrupted";
    }
    return "recording";
}

std::optional<LibraryItem::Origin> originFromRawValue(std::string_view text) {
    for (auto origin : {LibraryItem::Origin::recorded, LibraryItem::Origin::dictated,
                        LibraryItem::Origin::imported}) {
        if (rawValue(origin) == text) {
            return origin;
        }
    }
    return std::nullopt;
}

std::optional<LibraryItem::State> stateFromRawValue(std::string_view text) {
    for (auto state : {LibraryItem::State::recording, LibraryItem::State::complete,
                       LibraryItem::State::interrupted}) {
        if (rawValue(state) == text) {
            return state;
        }
    }
    return std::nullopt;
}

bool precedesInLibrary(const LibraryItem& a, const LibraryItem& b) {
    if (a.createdAt != b.createdAt) {
        return a.createdAt > b.createdAt;
    }
    // Byte order equals the order of the upper-case hexadecimal strings.
    return a.id > b.id;
}

void sortInLibraryOrder(std::vector<LibraryItem>& items) {
    std::stable_sort(items.begin(), items.end(), precedesInLibrary);
}

std::chrono::sys_seconds wholeSeconds(std::chrono::system_clock::time_point time) {
    return std::chrono::floor<std::chrono::seconds>(time);
}

} // namespace bw

std::size_t std::hash<bw::LibraryItem>::operator()(const bw::LibraryItem& item) const noexcept {
    std::size_t value = std::hash<bw::Uuid>()(item.id);
    auto mix = [&value](std::size_t part) {
        value ^= part + 0x9e3779b97f4a7c15 + (value << 6) + (value >> 2);
    };
    mix(std::hash<std::string>()(item.title));
    mix(std::hash<std::int64_t>()(item.createdAt.time_since_epoch().count()));
    mix(std::hash<double>()(item.duration));
    mix(std::size_t(item.origin) << 4 | std::size_t(item.state));
    mix(std::hash<std::string>()(item.audioFileName));
    mix(item.systemAudioFileName ? std::hash<std::string>()(*item.systemAudioFileName) : 0);
    mix(item.consentConfirmedAt
            ? std::hash<std::int64_t>()(item.consentConfirmedAt->time_since_epoch().count())
            : 0);
    mix(item.groupID ? std::hash<bw::Uuid>()(*item.groupID) : 0);
    mix(item.systemAudioAlignment ? std::hash<double>()(item.systemAudioAlignment->offset) ^
                                        std::hash<double>()(item.systemAudioAlignment->driftPpm)
                                  : 0);
    return value;
}
