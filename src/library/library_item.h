// One recording of the library, recorded from the microphone or imported from a file: a plain
// value record. The store reads and writes it (library_json.h has its JSON form).
#pragma once

#include "base/uuid.h"
#include "library/track_alignment.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bw {

struct LibraryItem {
    enum class Origin { recorded, dictated, imported };
    enum class State { recording, complete, interrupted };

    Uuid id;
    std::string title;
    std::chrono::sys_seconds createdAt{}; // always whole seconds, see wholeSeconds()
    double duration = 0;                  // seconds; 0 while recording
    Origin origin = Origin::recorded;
    State state = State::recording;
    std::string audioFileName;
    std::optional<std::chrono::sys_seconds> consentConfirmedAt;
    std::optional<Uuid> groupID;
    // This computer's sound, recorded beside the microphone as a second file in the item's
    // folder and sample-aligned with it; absent for a recording of the microphone alone.
    std::optional<std::string> systemAudioFileName;
    // What the recorder measured when it aligned the second track with the first.
    std::optional<TrackAlignment> systemAudioAlignment;

    friend bool operator==(const LibraryItem&, const LibraryItem&) = default;
};

std::string_view rawValue(LibraryItem::Origin origin);
std::string_view rawValue(LibraryItem::State state);
std::optional<LibraryItem::Origin> originFromRawValue(std::string_view text);
std::optional<LibraryItem::State> stateFromRawValue(std::string_view text);

// The library order: newest first; equal creation times by identifier string, descending.
bool precedesInLibrary(const LibraryItem& a, const LibraryItem& b);
void sortInLibraryOrder(std::vector<LibraryItem>& items);

// A time rounded down to a whole second since 1970, as every creator stores it.
std::chrono::sys_seconds wholeSeconds(std::chrono::system_clock::time_point time);

} // namespace bw

template <> struct std::hash<bw::LibraryItem> {
    std::size_t operator()(const bw::LibraryItem& item) const noexcept;
};
