// The file downloader over libcurl: HTTP and HTTPS (checked against the system's certificate
// authorities), following redirects. A transfer whose average rate over the last minute stays
// below 10 kB/s is given up (a stalled one, or one a server drips out byte by byte, would
// otherwise never end). It sends nothing but the request for the file.
#pragma once

#include "platform/file_downloader.h"

#include <chrono>
#include <cstdint>

namespace bw {

class CurlFileDownloader : public FileDownloader {
public:
    struct Limits {
        std::uint64_t minimumBytesPerSecond = 10'000;
        std::chrono::milliseconds window{std::chrono::minutes(1)};
    };

    CurlFileDownloader();
    // Other limits are for tests; the program uses the defaults.
    explicit CurlFileDownloader(Limits limits) : m_limits(limits) {}

    bool fetch(const std::string& url, std::uint64_t offset, const Receiver& receiver,
               std::stop_token stop) override;

private:
    Limits m_limits;
};

} // namespace bw
