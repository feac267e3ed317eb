#include "support/pulse_audio_daemon.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace bw::test {

namespace {

using namespace std::chrono_literals;

std::optional<std::string> environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

void setEnvironment(const char* name, const std::optional<std::string>& value) {
    if (value) {
        setenv(name, value->c_str(), 1);
    } else {
        unsetenv(name);
    }
}

bool accepts(const std::filesystem::path& socketPath) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    const bool connected =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

std::string fileText(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

PulseAudioDaemon::PulseAudioDaemon(const std::vector<std::string>& moduleLines) {
    const auto& root = m_folder.path();
    const auto runtime = root / "runtime";
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);

    // The sinks come before the socket, so a client that gets in finds them ready.
    std::ofstream script(root / "server.pa");
    script << "load-module module-null-sink sink_name=bw_null_sink\n"
           << "set-default-sink bw_null_sink\n";
    for (const auto& line : moduleLines) {
        script << line << "\n";
    }
    script << "load-module module-native-protocol-unix auth-anonymous=1 socket="
           << (root / "native").string() << "\n";
    script.close();
    std::ofstream(root / "client.conf") << "autospawn = no\n";

    const std::vector<std::string> environment = {
        "PATH=" + environmentValue("PATH").value_or("/usr/bin:/bin"),
        "HOME=" + root.string(),
        "XDG_RUNTIME_DIR=" + runtime.string(),
        "XDG_CONFIG_HOME=" + (root / "config").string(),
        "PULSE_RUNTIME_PATH=" + runtime.string(),
        "PULSE_STATE_PATH=" + (root / "state").string(),
        "PULSE_CLIENTCONFIG=" + (root / "client.conf").string(),
    };
    const std::vector<std::string> arguments = {
        "pulseaudio",
        "-n",
        "-F",
        (root / "server.pa").string(),
        "--daemonize=no",
        "--exit-idle-time=-1",
        "--use-pid-file=no",
        "--system=no",
        "--disable-shm=yes",
        "--realtime=no",
        "--high-priority=no",
        "--log-target=stderr",
    };
    std::vector<char*> argv;
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const auto& entry : environment) {
        envp.push_back(const_cast<char*>(entry.c_str()));
    }
    envp.push_back(nullptr);

    const auto log = root / "server.log";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int spawned =
        posix_spawnp(&m_pid, "pulseaudio", &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        m_pid = -1;
        throw std::runtime_error("cannot start pulseaudio");
    }

    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (!accepts(root / "native")) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            throw std::runtime_error("pulseaudio ended at start-up:\n" + fileText(log));
        }
        if (std::chrono::steady_clock::now() > deadline) {
            kill();
            throw std::runtime_error("pulseaudio did not come up:\n" + fileText(log));
        }
        std::this_thread::sleep_for(20ms);
    }

    m_previousServer = environmentValue("PULSE_SERVER");
    m_previousClientConfig = environmentValue("PULSE_CLIENTCONFIG");
    setenv("PULSE_SERVER", server().c_str(), 1);
    setenv("PULSE_CLIENTCONFIG", (root / "client.conf").c_str(), 1);
}

PulseAudioDaemon::~PulseAudioDaemon() {
    kill();
    restoreEnvironment();
}

std::string PulseAudioDaemon::server() const {
    return "unix:" + (m_folder.path() / "native").string();
}

std::string PulseAudioDaemon::pactl(const std::string& arguments) const {
    const std::string command = "PULSE_SERVER='" + server() + "' PULSE_CLIENTCONFIG='" +
                                (m_folder.path() / "client.conf").string() + "' pactl " + arguments;
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot run " << command;
        return output;
    }
    char chunk[4096];
    while (const std::size_t n = std::fread(chunk, 1, sizeof chunk, pipe)) {
        output.append(chunk, n);
    }
    const int status = ::pclose(pipe);
    EXPECT_EQ(status, 0) << command;
    return output;
}

void PulseAudioDaemon::kill() {
    if (m_pid <= 0) {
        return;
    }
    ::kill(m_pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    int status = 0;
    while (::waitpid(m_pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(10ms);
    }
    m_pid = -1;
}

void PulseAudioDaemon::restoreEnvironment() {
    setEnvironment("PULSE_SERVER", m_previousServer);
    setEnvironment("PULSE_CLIENTCONFIG", m_previousClientConfig);
}

} // namespace bw::test
