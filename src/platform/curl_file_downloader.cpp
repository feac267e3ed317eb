#include "platform/curl_file_downloader.h"

#include <curl/curl.h>

#include <exception>
#include <memory>
#include <mutex>

namespace bw {

namespace {

constexpr long connectTimeoutSeconds = 30;
constexpr long stallSeconds = 60;
constexpr long bufferBytes = 256 * 1024;

struct Transfer {
    CURL* handle = nullptr;
    const FileDownloader::Receiver* receiver = nullptr;
    std::uint64_t offset = 0;
    std::stop_token stop;
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
        response.resumed = offset > 0 && status == 206;
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

int onProgress(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<Transfer*>(context)->stop.stop_requested() ? 1 : 0;
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
    Transfer transfer;
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
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, stallSeconds);
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
