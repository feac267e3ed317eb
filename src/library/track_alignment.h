// What the recorder measured when it put a recording's second track (this computer's sound) on
// the first's (the microphone's) timeline. The tracks on disk are aligned already; this is a
// record of the measurement, which nothing needs to play or transcribe them.
#pragma once

namespace bw {

struct TrackAlignment {
    TrackAlignment(double offset = 0, double driftPpm = 0) : offset(offset), driftPpm(driftPpm) {}

    double offset;   // seconds from the first track's first captured frame to the second's
    double driftPpm; // the second source's clock against the first's, in parts per million

    friend bool operator==(const TrackAlignment&, const TrackAlignment&) = default;
};

} // namespace bw
