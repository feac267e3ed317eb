// Fetches a file over HTTP(S) and hands its bytes to the caller as they arrive. An interface so
// that the model installer can be tested without a server; CurlFileDownloader is the real one.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <stop_token>
#include <string>

namespace bw {

// A failure of the transfer itself; what() is the user-facing description.
class DownloadError : public std::runtime_error {
public:
    enum class Kind {
        unreachable, // no connection (refused, unknown host, time-out, TLS failure)
        refused,     // the server answered with an error status (`status`)
        interrupted, // the connection broke off, stalled or crawled during the transfer
    };

    DownloadError(Kind kind, const std::string& message, long status = 0)
        : std::runtime_error(message), m_kind(kind), m_status(status) {}

    Kind kind() const { return m_kind; }
    long status() const { return m_status; } // the HTTP status for `refused`, else 0

private:
    Kind m_kind;
    long m_status;
};

class FileDownloader {
public:
    // What the server said before the body.
    struct Response {
        bool resumed = false; // a partial reply (206): the body is the range `rangeStart` names
        // Where a partial reply's body starts in the file, as its Content-Range says; nothing
        // when it says nothing readable. Only a body starting at the requested offset fits.
        std::optional<std::uint64_t> rangeStart;
        std::optional<std::uint64_t> length; // the body's length, when the server gave it
    };

    struct Receiver {
        // Called once before any data; may throw to abandon the transfer.
        std::function<void(const Response&)> started;
        // Called with each piece of the body in order; may throw to abandon the transfer.
        std::function<void(std::span<const char>)> received;
    };

    virtual ~FileDownloader() = default;

    // Fetches `url` from byte `offset` on (asking for a range when offset > 0; a server that
    // ignores the range sends the whole file, and Response::resumed says which it did; one
    // that sends another range says so in Response::rangeStart).
    // Returns true when the whole body arrived, false when it stopped because `stop` was
    // requested. Throws DownloadError, or what the receiver threw.
    virtual bool fetch(const std::string& url, std::uint64_t offset, const Receiver& receiver,
                       std::stop_token stop) = 0;
};

} // namespace bw
