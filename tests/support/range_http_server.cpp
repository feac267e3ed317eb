#include "support/range_http_server.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <fstream>
#include <netinet/in.h>
#include <random>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace bw::test {

namespace fs = std::filesystem;

RangeHttpServer::RangeHttpServer(const fs::path& folder, std::vector<std::string> options) {
    m_work = fs::temp_directory_path() / ("bw-http-" + std::to_string(std::random_device{}()));
    fs::create_directories(m_work);
    fs::path portFile = m_work / "port";
    std::vector<std::string> argv = {"python3",
                                     std::string(BW_SOURCE_DIR) +
                                         "/tests/support/range_http_server.py",
                                     folder.string(),
                                     "--port-file",
                                     portFile.string(),
                                     "--log",
                                     (m_work / "log").string()};
    argv.insert(argv.end(), options.begin(), options.end());
    std::vector<char*> pointers;
    for (auto& text : argv) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    m_pid = ::fork();
    if (m_pid == 0) {
        ::execvp("python3", pointers.data());
        ::_exit(127);
    }
    for (int i = 0; i < 600 && m_port == 0; ++i) {
        std::ifstream in(portFile);
        if (!(in >> m_port)) {
            m_port = 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    if (m_port == 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        throw std::runtime_error("the local HTTP server did not start");
    }
}

RangeHttpServer::~RangeHttpServer() {
    ::kill(m_pid, SIGTERM);
    ::waitpid(m_pid, nullptr, 0);
    std::error_code ignored;
    fs::remove_all(m_work, ignored);
}

std::vector<std::string> RangeHttpServer::requests() const {
    std::vector<std::string> lines;
    std::ifstream in(m_work / "log");
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string RangeHttpServer::refusingUrl() {
    // A port the system just gave out and took back: nothing listens on it.
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
}

} // namespace bw::test
