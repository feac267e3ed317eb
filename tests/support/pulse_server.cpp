#include "support/pulse_server.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <sstream>

#include <cstring>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace bw::test {

namespace {

constexpr std::size_t bytesPerSecond = 48000 * 2 * 2;

} // namespace

PulseServer::PulseServer(std::vector<unsigned char> feed) : m_feed(std::move(feed)) {
    const std::string dir = m_folder.path().string();
    try {
        m_daemon = std::make_unique<PulseAudioDaemon>(std::vector<std::string>{
            "load-module module-pipe-source source_name=mic file=" + dir +
                "/mic.fifo format=s16le rate=48000 channels=2",
            "load-module module-cli-protocol-unix socket=" + dir + "/cli"});
    } catch (const std::exception& error) {
        m_startFailure = error.what();
        return;
    }
    m_running = sourceIndex("mic") >= 0;
    if (m_running) {
        m_feeder = std::thread([this] { this->feed(); });
    } else {
        m_startFailure = "the server has no source \"mic\"";
    }
}

PulseServer::~PulseServer() {
    m_stopFeeding = true;
    if (m_feeder.joinable()) {
        m_feeder.join();
    }
}

std::string PulseServer::pactl(const std::string& arguments) const {
    std::string output;
    if (FILE* pipe = popen(("pactl " + arguments + " 2>/dev/null").c_str(), "r")) {
        char buffer[4096];
        while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) {
            output.append(buffer, n);
        }
        if (pclose(pipe) != 0) {
            output.clear();
        }
    }
    return output;
}

std::string PulseServer::command(const std::string& line) const {
    int connection = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = (m_folder / "cli").string();
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    std::string reply;
    if (::connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const std::string text = line + "\n";
        // The interface answers and closes once it has read everything.
        if (::write(connection, text.data(), text.size()) == ssize_t(text.size()) &&
            ::shutdown(connection, SHUT_WR) == 0) {
            char buffer[4096];
            while (ssize_t n = ::read(connection, buffer, sizeof buffer)) {
                if (n < 0) {
                    break;
                }
                reply.append(buffer, std::size_t(n));
            }
        }
    }
    ::close(connection);
    return reply;
}

long PulseServer::sourceIndex(const std::string& name) const {
    std::istringstream lines(pactl("list short sources"));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        long index = -1;
        std::string sourceName;
        if (fields >> index >> sourceName && sourceName == name) {
            return index;
        }
    }
    return -1;
}

std::string PulseServer::micModule() const {
    std::istringstream lines(pactl("list short modules"));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.find("module-pipe-source") != std::string::npos &&
            line.find("source_name=mic") != std::string::npos) {
            return line.substr(0, line.find('\t'));
        }
    }
    return {};
}

std::vector<std::pair<long, long>> PulseServer::sourceOutputs() const {
    std::vector<std::pair<long, long>> outputs;
    std::istringstream lines(pactl("list short source-outputs"));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        long index = -1;
        long source = -1;
        if (fields >> index >> source) {
            outputs.emplace_back(index, source);
        }
    }
    return outputs;
}

// Writes the feed at the pace of real time, 20 ms at a time. What the pipe cannot take (the
// source is not reading while nobody records) is dropped, as a microphone's sound would be.
void PulseServer::feed() {
    const std::string fifo = (m_folder / "mic.fifo").string();
    int pipe = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (pipe < 0) {
        return;
    }
    std::signal(SIGPIPE, SIG_IGN);
    const std::size_t chunk = bytesPerSecond / 50;
    std::vector<unsigned char> silence(chunk, 0);
    const auto start = std::chrono::steady_clock::now();
    std::size_t position = 0;
    for (std::size_t written = 0; !m_stopFeeding; written += chunk) {
        std::this_thread::sleep_until(
            start + std::chrono::microseconds(written * 1000000 / bytesPerSecond));
        const unsigned char* data = silence.data();
        if (!m_feed.empty()) {
            if (position + chunk > m_feed.size()) {
                position = 0;
            }
            data = m_feed.data() + position;
            position += chunk;
        }
        [[maybe_unused]] ssize_t ignored = ::write(pipe, data, chunk);
    }
    ::close(pipe);
}

} // namespace bw::test
