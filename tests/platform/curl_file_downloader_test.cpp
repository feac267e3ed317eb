// The libcurl downloader against a local HTTP server on 127.0.0.1.
#include "platform/curl_file_downloader.h"

#include "library/library_test_support.h"
#include "support/range_http_server.h"
#include "support/temporary_folder.h"

#include <gtest/gtest.h>

namespace bw {
namespace {

using namespace std::chrono_literals;

class CurlFileDownloaderTest : public testing::Test {
protected:
    CurlFileDownloaderTest() { test::writeText(m_folder / "file.bin", std::string(1000, 'x')); }

    test::TemporaryFolder m_folder;
};

struct RangeCase {
    const char* name;
    std::vector<std::string> serverOptions;
    bool resumed;
    std::optional<std::uint64_t> rangeStart;
};

class CurlRanges : public CurlFileDownloaderTest, public testing::WithParamInterface<RangeCase> {};

// What a reply to "from byte 100 on" is, so that the caller appends only the part it asked for.
TEST_P(CurlRanges, ReportWhereThePartialReplyStarts) {
    test::RangeHttpServer server(m_folder.path(), GetParam().serverOptions);
    CurlFileDownloader downloader;
    FileDownloader::Response response;
    std::string body;
    FileDownloader::Receiver receiver{
        [&](const FileDownloader::Response& started) { response = started; },
        [&](std::span<const char> bytes) { body.append(bytes.data(), bytes.size()); }};
    ASSERT_TRUE(downloader.fetch(server.url() + "/file.bin", 100, receiver, {}));
    EXPECT_EQ(response.resumed, GetParam().resumed);
    EXPECT_EQ(response.rangeStart, GetParam().rangeStart);
    EXPECT_EQ(response.length, body.size());
}

INSTANTIATE_TEST_SUITE_P(
    Servers, CurlRanges,
    testing::Values(RangeCase{"Honest", {}, true, 100},
                    RangeCase{"WrongOffset", {"--wrong-offset", "7"}, true, 107},
                    RangeCase{"WithoutRanges", {"--no-ranges"}, false, std::nullopt}),
    [](const auto& info) { return info.param.name; });

// A server that sends a byte every 100 ms stays far below a floor of 1 kB/s: the transfer is
// given up once a whole window (here a second) has passed at that rate.
TEST_F(CurlFileDownloaderTest, GivesUpWhenTheAverageRateStaysBelowTheFloor) {
    test::RangeHttpServer server(m_folder.path(), {"--drip"});
    CurlFileDownloader downloader({.minimumBytesPerSecond = 1000, .window = 1s});
    std::size_t received = 0;
    FileDownloader::Receiver receiver{
        {}, [&](std::span<const char> bytes) { received += bytes.size(); }};
    try {
        downloader.fetch(server.url() + "/file.bin", 0, receiver, {});
        FAIL() << "the drip was downloaded to its end";
    } catch (const DownloadError& error) {
        EXPECT_EQ(error.kind(), DownloadError::Kind::interrupted);
        EXPECT_STREQ(error.what(),
                     "The download was too slow (less than 1 kB/s on average over a second).");
    }
    EXPECT_GT(received, 0u);
    EXPECT_LT(received, 1000u);
}

} // namespace
} // namespace bw
