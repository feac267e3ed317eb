// How the recognizer searches for text: greedily or with a beam of a given width.
#pragma once

namespace bw {

struct DecodingStrategy {
    enum class Kind { greedy, beamSearch };

    Kind kind = Kind::greedy;
    int beamSize = 0; // only meaningful for beamSearch

    static DecodingStrategy greedy() { return {}; }
    static DecodingStrategy beamSearch(int beamSize) { return {Kind::beamSearch, beamSize}; }

    bool operator==(const DecodingStrategy& other) const {
        return kind == other.kind && (kind == Kind::greedy || beamSize == other.beamSize);
    }
};

} // namespace bw
