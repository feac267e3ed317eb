// A private PulseAudio sound server for one test: started in a runtime folder of its own with
// a null sink as the default output (it plays in real time and discards the sound) and
// anonymous access on its own socket, and stopped again with the object. While it lives, this
// process's PULSE_SERVER and PULSE_CLIENTCONFIG point at it (and never autospawn another), so
// every libpulse client of the test reaches it. Works as root.
#pragma once

#include "support/temporary_folder.h"

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace bw::test {

class PulseAudioDaemon {
public:
    // `moduleLines` are extra lines of the server's start-up script, e.g.
    // "load-module module-pipe-source source_name=mic file=/tmp/mic format=s16le rate=16000
    // channels=1". Throws std::runtime_error (with the server's log) when it does not come up.
    explicit PulseAudioDaemon(const std::vector<std::string>& moduleLines = {});
    ~PulseAudioDaemon();
    PulseAudioDaemon(const PulseAudioDaemon&) = delete;
    PulseAudioDaemon& operator=(const PulseAudioDaemon&) = delete;

    // The server address, "unix:" + its socket.
    std::string server() const;
    const std::filesystem::path& folder() const { return m_folder.path(); }

    // Runs pactl with `arguments` against this server and returns its standard output; fails
    // the test when pactl fails.
    std::string pactl(const std::string& arguments) const;

    // Ends the server now (as if it crashed or the user stopped it); the destructor then only
    // cleans up.
    void kill();

private:
    void restoreEnvironment();

    TemporaryFolder m_folder;
    pid_t m_pid = -1;
    std::optional<std::string> m_previousServer;
    std::optional<std::string> m_previousClientConfig;
};

} // namespace bw::test
