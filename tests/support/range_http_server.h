// A local HTTP server with byte ranges (tests/support/range_http_server.py) started for one
// test or benchmark on 127.0.0.1 and stopped when this object goes away.
#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace bw::test {

class RangeHttpServer {
public:
    // Serves the files of `folder`; `options` are the script's (e.g. "--cut-after", "1000").
    // Throws std::runtime_error when it does not start within a minute.
    explicit RangeHttpServer(const std::filesystem::path& folder,
                             std::vector<std::string> options = {});
    ~RangeHttpServer();
    RangeHttpServer(const RangeHttpServer&) = delete;
    RangeHttpServer& operator=(const RangeHttpServer&) = delete;

    // "http://127.0.0.1:PORT"
    std::string url() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    // The requests so far, one "GET name range" line each ("-" without a range).
    std::vector<std::string> requests() const;

    // A URL of this machine where nothing listens (the connection is refused).
    static std::string refusingUrl();

private:
    std::filesystem::path m_work;
    pid_t m_pid = -1;
    int m_port = 0;
};

} // namespace bw::test
