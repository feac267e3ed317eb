#include "export/zip_archive.h"

#include <optional>

#include <zlib.h>

#include "export/crc32.h"

namespace bw {

namespace {

constexpr std::uint64_t max32 = 0xFFFFFFFFu;
constexpr std::uint16_t versionNeeded = 20;
constexpr std::uint16_t dosTime = 0;    // 00:00:00
constexpr std::uint16_t dosDate = 0x21; // 1 January 1980
constexpr std::uint16_t methodStored = 0;
constexpr std::uint16_t methodDeflated = 8;

void put16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(std::uint8_t(value));
    out.push_back(std::uint8_t(value >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(std::uint8_t(value >> shift));
    }
}

// The raw DEFLATE stream (no zlib header or trailer) of the data, or nothing when zlib fails
// or the stream would not be shorter than the data.
std::optional<std::vector<std::uint8_t>> deflateRaw(const std::vector<std::uint8_t>& data) {
    if (data.empty() || data.size() > max32) {
        return std::nullopt;
    }
    z_stream stream{};
    // The fastest level: the XML parts still shrink to a fraction, and a long transcript's
    // document is packed in about half the time the default level takes.
    if (deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> out(deflateBound(&stream, uLong(data.size())));
    stream.next_in = const_cast<Bytef*>(data.data());
    stream.avail_in = uInt(data.size());
    stream.next_out = out.data();
    stream.avail_out = uInt(std::min<std::size_t>(out.size(), max32));
    const int result = deflate(&stream, Z_FINISH);
    const std::size_t written = stream.total_out;
    deflateEnd(&stream);
    if (result != Z_STREAM_END || written >= data.size()) {
        return std::nullopt;
    }
    out.resize(written);
    return out;
}

} // namespace

std::vector<std::uint8_t> ZipArchive::make(const std::vector<Entry>& entries) {
    std::vector<std::uint8_t> local;
    std::vector<std::uint8_t> central;
    for (const Entry& entry : entries) {
        const std::uint64_t offset = local.size();
        // Checked before compressing, which cannot make an oversized entry acceptable.
        if (offset > max32 || entry.data.size() > max32) {
            throw Failure();
        }
        const std::uint32_t crc = CRC32::checksum(entry.data);
        std::optional<std::vector<std::uint8_t>> compressed = deflateRaw(entry.data);
        const std::vector<std::uint8_t>& payload = compressed ? *compressed : entry.data;
        const std::uint16_t method = compressed ? methodDeflated : methodStored;
        if (payload.size() > max32 || entry.name.size() > 0xFFFF) {
            throw Failure();
        }

        auto putCommon = [&](std::vector<std::uint8_t>& out) {
            put16(out, versionNeeded);
            put16(out, 0); // general purpose flags
            put16(out, method);
            put16(out, dosTime);
            put16(out, dosDate);
            put32(out, crc);
            put32(out, std::uint32_t(payload.size()));
            put32(out, std::uint32_t(entry.data.size()));
            put16(out, std::uint16_t(entry.name.size()));
            put16(out, 0); // extra field length
        };

        put32(local, 0x04034B50);
        putCommon(local);
        local.insert(local.end(), entry.name.begin(), entry.name.end());
        local.insert(local.end(), payload.begin(), payload.end());

        put32(central, 0x02014B50);
        put16(central, versionNeeded); // version made by: 2.0, upper byte 0 (MS-DOS)
        putCommon(central);
        put16(central, 0); // file comment length
        put16(central, 0); // disk number start
        put16(central, 0); // internal attributes
        put32(central, 0); // external attributes
        put32(central, std::uint32_t(offset));
        central.insert(central.end(), entry.name.begin(), entry.name.end());
    }

    if (entries.size() > 0xFFFF || local.size() > max32 || central.size() > max32) {
        throw Failure();
    }
    const std::uint32_t centralOffset = std::uint32_t(local.size());
    const std::uint32_t centralSize = std::uint32_t(central.size());
    local.insert(local.end(), central.begin(), central.end());
    put32(local, 0x06054B50);
    put16(local, 0); // this disk
    put16(local, 0); // disk of the central directory
    put16(local, std::uint16_t(entries.size()));
    put16(local, std::uint16_t(entries.size()));
    put32(local, centralSize);
    put32(local, centralOffset);
    put16(local, 0); // comment length
    return local;
}

} // namespace bw
