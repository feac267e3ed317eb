// Download throughput of `brindlewick models install`'s code path: a generated "model" file
// served by the local range server on 127.0.0.1, fetched with libcurl, hashed with SHA-1 while
// it is written, flushed and moved into place. For comparison it also times SHA-1 alone over
// the file (from the page cache) and a plain write of the same size with fsync (the disk).
//   bw_model_download_bench [MEGABYTES] [FOLDER]   (default 1024 MB under build/bench-download)
#include "platform/curl_file_downloader.h"
#include "platform/sha1_hasher.h"
#include "support/range_http_server.h"
#include "whisper/model_catalog.h"
#include "whisper/model_installer.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Writes `bytes` of pseudo-random data to `file` and flushes it; returns the seconds taken.
double writeFile(const fs::path& file, std::uint64_t bytes) {
    std::vector<char> block(1 << 20);
    std::mt19937_64 random(42);
    for (size_t i = 0; i < block.size(); i += 8) {
        auto value = random();
        std::memcpy(block.data() + i, &value, 8);
    }
    auto start = Clock::now();
    int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (std::uint64_t done = 0; done < bytes; done += block.size()) {
        block[0] = static_cast<char>(done >> 20); // every block differs
        if (::write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size())) {
            std::perror("write");
            std::exit(1);
        }
    }
    ::fsync(fd);
    ::close(fd);
    return secondsSince(start);
}

} // namespace

int main(int argc, char** argv) {
    std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
    fs::path folder = argc > 2 ? fs::path(argv[2]) : fs::path(BW_BINARY_DIR) / "bench-download";
    std::uint64_t bytes = megabytes << 20;
    fs::remove_all(folder);
    fs::create_directories(folder / "served");
    fs::create_directories(folder / "target");
    fs::path source = folder / "served" / "ggml-tiny.bin";

    double diskSeconds = writeFile(source, bytes);

    bw::Sha1Hasher hasher;
    auto hashStart = Clock::now();
    hasher.updateFromFile(source, bytes);
    double hashSeconds = secondsSince(hashStart);
    bw::overridePublishedSha1ForTesting(bw::WhisperCppModel::tiny, hasher.hexDigest());

    bw::test::RangeHttpServer server(folder / "served");
    bw::CurlFileDownloader downloader;
    bw::ModelInstaller installer(downloader, folder / "target", server.url());
    auto start = Clock::now();
    auto result = installer.install(bw::WhisperCppModel::tiny, {}, {});
    double downloadSeconds = secondsSince(start);
    if (fs::file_size(result.file) != bytes) {
        std::fprintf(stderr, "the installed file has the wrong size\n");
        return 1;
    }
    double mb = bytes / 1e6;
    std::printf("file                 %.0f MB\n", mb);
    std::printf("install (download, SHA-1, fsync, rename)  %6.2f s  %7.1f MB/s\n", downloadSeconds,
                mb / downloadSeconds);
    std::printf("SHA-1 alone (page cache)                  %6.2f s  %7.1f MB/s\n", hashSeconds,
                mb / hashSeconds);
    std::printf("disk write + fsync alone                  %6.2f s  %7.1f MB/s\n", diskSeconds,
                mb / diskSeconds);
    fs::remove_all(folder);
    return 0;
}
