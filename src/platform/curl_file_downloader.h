// The file downloader over libcurl: HTTP and HTTPS (checked against the system's certificate
// authorities), following redirects, with a stalled transfer given up after a minute. It sends
// nothing but the request for the file.
#pragma once

#include "platform/file_downloader.h"

namespace bw {

class CurlFileDownloader : public FileDownloader {
public:
    bool fetch(const std::string& url, std::uint64_t offset, const Receiver& receiver,
               std::stop_token stop) override;
};

} // namespace bw
