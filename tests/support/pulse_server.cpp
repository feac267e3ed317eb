#include "support/pulse_server.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <cstring>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace bw::test {

namespace {

constexpr std::size_t bytesPerSecond = 48000 * 2 * 2;

} // namespace

PulseServer::PulseServer(std::vector<unsigned char> feed) : m_feed(std::move(feed)) {
    const std::string dir = m_folder.path().string();
    const std::string socket = dir + "/native";
    const std::string log = dir + "/daemon.log";
    m_daemon = fork();
    if (m_daemon == 0) {
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
        setenv("PULSE_RUNTIME_PATH", dir.c_str(), 1);
        setenv("HOME", dir.c_str(), 1);
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
        int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, 1);
        dup2(out, 2);
        const std::string nativeModule =
            "module-native-protocol-unix auth-anonymous=1 socket=" + socket;
        const std::string pipeModule = "module-pipe-source source_name=mic file=" + dir +
                                       "/mic.fifo format=s16le rate=48000 channels=2";
        const std::string cliModule = "module-cli-protocol-unix socket=" + dir + "/cli";
        execlp("pulseaudio", "pulseaudio", "--daemonize=no", "--system=no", "-n",
               "--exit-idle-time=-1", "--disallow-exit", "--use-pid-file=no", "--disable-shm=yes",
               "--log-target=stderr", "-L", nativeModule.c_str(), "-L",
               "module-null-sink sink_name=speakers", "-L", pipeModule.c_str(), "-L",
               cliModule.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
    for (int attempt = 0; attempt < 300 && m_daemon > 0; ++attempt) {
        if (sourceIndex("mic") >= 0) {
            m_running = true;
            break;
        }
        if (waitpid(m_daemon, nullptr, WNOHANG) == m_daemon) {
            m_daemon = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (m_running) {
        m_feeder = std::thread([this] { this->feed(); });
    }
}

PulseServer::~PulseServer() {
    m_stopFeeding = true;
    if (m_feeder.joinable()) {
        m_feeder.join();
    }
    if (m_daemon > 0) {
        kill(m_daemon, SIGTERM);
        for (int attempt = 0; attempt < 100; ++attempt) {
            if (waitpid(m_daemon, nullptr, WNOHANG) == m_daemon) {
                m_daemon = -1;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (m_daemon > 0) {
            kill(m_daemon, SIGKILL);
            waitpid(m_daemon, nullptr, 0);
        }
    }
    unsetenv("PULSE_SERVER");
}

std::string PulseServer::log() const {
    std::ifstream in(m_folder / "daemon.log");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
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
