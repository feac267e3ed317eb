#include "platform/curl_file_downloader.h"

#include <curl/curl.h>

#include <charconv>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>

namespace bw {

namespace {

constexpr long connectTimeoutSeconds = 30;
constexpr long bufferBytes = 256 * 1024;

using Clock = std::chrono::steady_clock;

// Tells when fewer bytes a second than the floor arrived, on average, over the last window:
// a rate that stays that low for so long is not worth waiting for, whether the server stalls
// or drips the body out.
class RateFloor {
public:
    explicit RateFloor(CurlFileDownloader::Limits limits) : m_limits(limits) {}

    bool isBelow(Clock::time_point now, std::uint64_t received) {
        // A sample every twentieth of the window is precise enough and keeps the list short,
        // however often curl reports.
        if (m_samples.empty() || now - m_samples.back().time >= m_limits.window / 20) {
            m_samples.push_back({now, received});
        }
        while (m_samples.size() >= 2 && now - m_samples[1].time >= m_limits.window) {
            m_samples.pop_front();
        }
        const auto span = now - m_samples.front().time;
        if (span < m_limits.window) {
            return false;
        }
        const double seconds = std::chrono::duration<double>(span).count();
        return double(received - m_samples.front().received) <
               double(m_limits.minimumBytesPerSecond) * seconds;
    }

private:
    struct Sample {
        Clock::time_point time;
        std::uint64_t received;
    };
    CurlFileDownloader::Limits m_limits;
    std::deque<Sample> m_samples;
};

// The first byte of a partial reply's "Content-Range: bytes FIRST-LAST/LENGTH".
std::optional<std::uint64_t> rangeStart(CURL* handle) {
    curl_header* header = nullptr;
    if (curl_easy_header(handle, "Content-Range", 0, CURLH_HEADER, -1, &header) != CURLHE_OK) {
        return std::nullopt;
    }
    std::string_view value = header->value;
    constexpr std::string_view unit = "bytes ";
    if (!value.starts_with(unit)) {
        return std::nullopt;
    }
    value.remove_prefix(unit.size());
    std::uint64_t first = 0;
    auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), first);
    if (error != std::errc() || end == value.data() || end == value.data() + value.size() ||
        *end != '-') {
        return std::nullopt;
    }
    return first;
}

struct Transfer {
    explicit Transfer(CurlFileDownloader::Limits limits) : rateFloor(limits) {}

    CURL* handle = nullptr;
    const FileDownloader::Receiver* receiver = nullptr;
    std::uint64_t offset = 0;
    std::stop_token stop;
    RateFloor rateFloor;
    bool tooSlow = false;
    bool started = false;
    bool receivedData = false;
    long refusedStatus = 0;
    std::exception_ptr failure; // what the receiver threw

    // Tells the receiver what the server answered; false when the answer is an error status.
    bool start() {
        long status = 0;
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
        // A server without ranges answers 200 with the whole file; a file: or similar URL has
        // no status at all.
        if (status >= 300) {
            refusedStatus = status;
            return false;
        }
        FileDownloader::Response response;
        response.resumed = status == 206;
        if (response.resumed) {
            response.rangeStart = rangeStart(handle);
        }
        curl_off_t length = -1;
        curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        if (length >= 0) {
            response.length = static_cast<std::uint64_t>(length);
        }
        started = true;
        if (receiver->started) {
            receiver->started(response);
        }
        return true;
    }
};

size_t onData(char* data, size_t size, size_t count, void* context) {
    auto* transfer = static_cast<Transfer*>(context);
    size_t bytes = size * count;
    try {
        if (!transfer->started && !transfer->start()) {
            return CURL_WRITEFUNC_ERROR;
        }
        transfer->receivedData = true;
        transfer->receiver->received(std::span<const char>(data, bytes));
        return bytes;
    } catch (...) {
        transfer->failure = std::current_exception();
        return CURL_WRITEFUNC_ERROR;
    }
}

int onProgress(void* context, curl_off_t, curl_off_t received, curl_off_t, curl_off_t) {
    auto* transfer = static_cast<Transfer*>(context);
    if (transfer->rateFloor.isBelow(Clock::now(), std::uint64_t(received))) {
        transfer->tooSlow = true;
        return 1;
    }
    return transfer->stop.stop_requested() ? 1 : 0;
}

DownloadError transferError(CURLcode code, const char* detail, bool receivedData) {
    std::string reason = detail[0] != '\0' ? detail : curl_easy_strerror(code);
    switch (code) {
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
        return {DownloadError::Kind::interrupted, "The download broke off (" + reason + ")."};
    case CURLE_OPERATION_TIMEDOUT:
        if (receivedData) {
            return {DownloadError::Kind::interrupted, "The download stalled (" + reason + ")."};
        }
        break;
    default:
        break;
    }
    return {DownloadError::Kind::unreachable,
            "The model server couldn't be reached (" + reason + ")."};
}

} // namespace

CurlFileDownloader::CurlFileDownloader() : CurlFileDownloader(Limits{}) {}

bool CurlFileDownloader::fetch(const std::string& url, std::uint64_t offset,
                               const Receiver& receiver, std::stop_token stop) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle(curl_easy_init(),
                                                               &curl_easy_cleanup);
    if (!handle) {
        throw DownloadError(DownloadError::Kind::unreachable,
                            "The model server couldn't be reached (out of memory).");
    }
    Transfer transfer(m_limits);
    transfer.handle = handle.get();
    transfer.receiver = &receiver;
    transfer.offset = offset;
    transfer.stop = std::move(stop);
    char detail[CURL_ERROR_SIZE] = {};
    std::string range = std::to_string(offset) + "-";

    CURL* curl = handle.get();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Brindlewick");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, connectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, bufferBytes);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, detail);
    if (offset > 0) {
        curl_easy_setopt(curl, CURLOPT_RANGE, range.c_str());
    }
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &onData);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);

    CURLcode code = curl_easy_perform(curl);
    if (transfer.failure) {
        std::rethrow_exception(transfer.failure);
    }
    if (code == CURLE_ABORTED_BY_CALLBACK && transfer.stop.stop_requested()) {
        return false;
    }
    if (code == CURLE_ABORTED_BY_CALLBACK && transfer.tooSlow) {
        std::string floor = std::to_string(m_limits.minimumBytesPerSecond / 1000) + " kB/s";
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(m_limits.window);
        std::string window = seconds == std::chrono::minutes(1) ? "a minute"
                             : seconds == std::chrono::seconds(1)
                                 ? "a second"
                                 : std::to_string(seconds.count()) + " seconds";
        if (!transfer.receivedData) {
            throw DownloadError(DownloadError::Kind::unreachable,
                                "The model server couldn't be reached (it sent nothing).");
        }
        throw DownloadError(DownloadError::Kind::interrupted,
                            "The download was too slow (less than " + floor + " on average over " +
                                window + ").");
    }
    if (code == CURLE_OK && !transfer.started) {
        transfer.start(); // an empty body, or an error status without one
    }
    if (transfer.refusedStatus != 0) {
        throw DownloadError(DownloadError::Kind::refused,
                            "The model server refused the download (HTTP " +
                                std::to_string(transfer.refusedStatus) + ").",
                            transfer.refusedStatus);
    }
    if (code != CURLE_OK) {
        throw transferError(code, detail, transfer.receivedData);
    }
    return true;
}

} // namespace bw
