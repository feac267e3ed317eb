#include "export/crc32.h"
#include "export/zip_archive.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include "external_tool.h"

namespace bw {
namespace {

std::vector<std::uint8_t> bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

std::uint32_t read32(const std::vector<std::uint8_t>& data, std::size_t at) {
    return data[at] | data[at + 1] << 8 | data[at + 2] << 16 | std::uint32_t(data[at + 3]) << 24;
}

std::uint16_t read16(const std::vector<std::uint8_t>& data, std::size_t at) {
    return std::uint16_t(data[at] | data[at + 1] << 8);
}

std::vector<std::uint8_t> xmlLike(std::size_t paragraphs) {
    std::string xml = "<?xml version=\"1.0\"?>\n<w:body>";
    for (std::size_t i = 0; i < paragraphs; ++i) {
        xml += "<w:p><w:r><w:t xml:space=\"preserve\">Paragraph " + std::to_string(i) +
               "</w:t></w:r></w:p>";
    }
    return bytes(xml + "</w:body>");
}

TEST(CRC32, MatchesTheZipChecksum) {
    EXPECT_EQ(CRC32::checksum({}), 0u);
    EXPECT_EQ(CRC32::checksum(bytes("123456789")), 0xCBF43926u);
    EXPECT_EQ(CRC32::table()[1], 0x77073096u);
    EXPECT_EQ(CRC32::table()[255], 0x2D02EF8Du);
    // zlib's implementation is independent of ours.
    std::vector<std::uint8_t> data(100000);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = std::uint8_t(i * 7919 >> 3);
    }
    EXPECT_EQ(CRC32::checksum(data), crc32(0, data.data(), uInt(data.size())));
}

TEST(ZipArchive, NoEntriesGiveTheEndRecordAlone) {
    std::vector<std::uint8_t> expected(22, 0);
    expected[0] = 0x50, expected[1] = 0x4B, expected[2] = 0x05, expected[3] = 0x06;
    EXPECT_EQ(ZipArchive::make({}), expected);
}

TEST(ZipArchive, LaysOutHeadersAndOffsets) {
    const std::vector<ZipArchive::Entry> entries = {
        {"empty", {}}, {"word/small.xml", bytes("abc")}, {"docProps/big.xml", xmlLike(40)}};
    const auto archive = ZipArchive::make(entries);
    // First local header: stored, fixed date, CRC 0, both sizes 0.
    EXPECT_EQ(read32(archive, 0), 0x04034B50u);
    EXPECT_EQ(read16(archive, 4), 20);
    EXPECT_EQ(read16(archive, 8), 0);  // stored
    EXPECT_EQ(read16(archive, 10), 0); // 00:00:00
    EXPECT_EQ(read16(archive, 12), 0x21);
    EXPECT_EQ(read32(archive, 14), 0u);
    EXPECT_EQ(read32(archive, 18), 0u);
    EXPECT_EQ(read32(archive, 22), 0u);
    // The second entry starts right after the first's header, name and payload.
    const std::size_t second = 30 + 5 + 0;
    EXPECT_EQ(read32(archive, second), 0x04034B50u);
    EXPECT_EQ(read16(archive, second + 8), 0); // three bytes do not shrink
    const std::size_t third = second + 30 + 14 + 3;
    EXPECT_EQ(read16(archive, third + 8), 8);
    // End record: three entries, directory right after the last payload.
    const std::size_t end = archive.size() - 22;
    EXPECT_EQ(read32(archive, end), 0x06054B50u);
    EXPECT_EQ(read16(archive, end + 8), 3);
    EXPECT_EQ(read16(archive, end + 10), 3);
    const std::uint32_t directorySize = 3 * 46 + 5 + 14 + 16;
    EXPECT_EQ(read32(archive, end + 12), directorySize);
    EXPECT_EQ(read32(archive, end + 16), end - directorySize);
    EXPECT_EQ(read32(archive, end - directorySize + 46 + 5 + 42), second);
    EXPECT_EQ(ZipArchive::make(entries), archive);
}

// Python's zipfile reads the archive independently: names and their order, methods, CRCs,
// sizes, offsets, the fixed date, and the content after inflating and checking the CRC.
TEST(ZipArchive, ReadByPythonZipfile) {
    BW_REQUIRE_PROGRAM("python3");
    const std::vector<ZipArchive::Entry> entries = {
        {"[Content_Types].xml", xmlLike(20)},
        {"empty/", {}},
        {"tiny", bytes("ab")},
        {"n\u00e1zov/\u017elt\u00fd.xml", xmlLike(3000)}};
    const auto archive = ZipArchive::make(entries);
    test::TemporaryFolder folder;
    test::writeFile(folder.path() / "a.zip", archive);
    test::writeFile(folder.path() / "read.py", R"(import sys, zipfile, zlib
with zipfile.ZipFile(sys.argv[1]) as z:
    assert z.testzip() is None
    for i in z.infolist():
        data = z.read(i)
        # Without the UTF-8 flag, zipfile decodes names as code page 437; encoding them back
        # gives the bytes as stored.
        print(i.filename.encode('cp437').decode('utf-8'), i.compress_type, '%08x' % i.CRC, i.compress_size, i.file_size,
              i.header_offset, i.date_time, i.create_version, i.extract_version, i.flag_bits,
              len(i.extra), len(i.comment), '%08x' % zlib.crc32(data), len(data))
)");
    const auto result = test::runCommand("python3 " + (folder.path() / "read.py").string() + " " +
                                         (folder.path() / "a.zip").string());
    ASSERT_EQ(result.exitStatus, 0) << result.output;

    std::string expected;
    std::size_t offset = 0;
    for (const auto& entry : entries) {
        const std::size_t header = offset;
        // The payload size is the one thing only our archive can tell; the offsets of the
        // following entries check it.
        const std::uint32_t payload = read32(archive, header + 18);
        const int method = read16(archive, header + 8);
        char crc[16];
        std::snprintf(crc, sizeof crc, "%08x",
                      std::uint32_t(crc32(0, entry.data.data(), uInt(entry.data.size()))));
        expected += entry.name + " " + std::to_string(method) + " " + crc + " " +
                    std::to_string(payload) + " " + std::to_string(entry.data.size()) + " " +
                    std::to_string(header) + " (1980, 1, 1, 0, 0, 0) 20 20 0 0 0 " + crc + " " +
                    std::to_string(entry.data.size()) + "\n";
        offset = header + 30 + entry.name.size() + payload;
    }
    EXPECT_EQ(result.output, expected);
    EXPECT_EQ(read16(archive, 8), 8);                                 // the XML part is deflated
    EXPECT_EQ(read16(archive, 30 + 19 + read32(archive, 18) + 8), 0); // the empty one stored
}

TEST(ZipArchive, RefusesWhatTheFormatCannotHold) {
    EXPECT_THROW(ZipArchive::make({{std::string(65536, 'n'), {}}}), ZipArchive::Failure);
    EXPECT_NO_THROW(ZipArchive::make({{std::string(65535, 'n'), {}}}));

    std::vector<ZipArchive::Entry> many(65535, ZipArchive::Entry{"e", {}});
    EXPECT_EQ(read16(ZipArchive::make(many), 65535 * (30 + 1) + 65535 * (46 + 1) + 8), 65535);
    many.push_back({"e", {}});
    try {
        ZipArchive::make(many);
        FAIL() << "65,536 entries were accepted";
    } catch (const ZipArchive::Failure& failure) {
        EXPECT_EQ(failure.kind(), ZipArchive::Failure::Kind::tooLarge);
    }
}

} // namespace
} // namespace bw
