// A private sound server for the tests that capture for real: a PulseAudioDaemon with its
// command-line interface and a pipe source "mic" (48 kHz stereo 16-bit) that a thread feeds in
// real time with the audio the test gives, looped. The destructor stops the feed and the server.
#pragma once

#include "support/pulse_audio_daemon.h"
#include "support/temporary_folder.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
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
    const std::string& log() const { return m_startFailure; }

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

    TemporaryFolder m_folder; // the pipe and the command-line socket
    std::unique_ptr<PulseAudioDaemon> m_daemon;
    std::string m_startFailure;
    bool m_running = false;
    std::vector<unsigned char> m_feed;
    std::atomic<bool> m_stopFeeding{false};
    std::thread m_feeder;
};

} // namespace bw::test
