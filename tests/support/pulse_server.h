// A private PulseAudio sound server for the tests that capture for real: its own runtime folder
// and socket, no D-Bus, its command-line interface, a null sink and a pipe source "mic" (48 kHz
// stereo 16-bit) that a thread feeds in real time with the audio the test gives, looped. The test
// process is pointed at it through PULSE_SERVER while the server lives; the destructor stops it.
#pragma once

#include "support/temporary_folder.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace bw::test {

class PulseServer {
public:
    // `feed`: interleaved 48 kHz stereo s16le frames, played into "mic" over and over.
    explicit PulseServer(std::vector<unsigned char> feed);
    ~PulseServer();
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    // Whether the server came up; the reason is in log() otherwise.
    bool isRunning() const { return m_running; }
    std::string log() const;

    // Runs pactl against this server; its standard output (empty when it failed).
    std::string pactl(const std::string& arguments) const;
    // Sends one line to the server's command-line interface (e.g. "kill-source-output 3");
    // its reply.
    std::string command(const std::string& line) const;
    // The index of the source named `name`, or -1.
    long sourceIndex(const std::string& name) const;
    // The module index of the "mic" pipe source.
    std::string micModule() const;
    // The indexes of the record streams (source outputs) and the source each one records from.
    std::vector<std::pair<long, long>> sourceOutputs() const;

private:
    void feed();

    TemporaryFolder m_folder;
    pid_t m_daemon = -1;
    bool m_running = false;
    std::vector<unsigned char> m_feed;
    std::atomic<bool> m_stopFeeding{false};
    std::thread m_feeder;
};

} // namespace bw::test
