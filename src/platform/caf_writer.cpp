#include "platform/caf_writer.h"

#include "platform/descriptor_writing.h"
#include "platform/file_error.h"

#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace bw {

namespace {

// Offset of the data chunk's size field: file header (8), desc chunk (12 + 32), data type (4).
constexpr off_t dataSizeOffset = 56;

std::error_code lastError() {
    return {errno, std::generic_category()};
}

class BigEndianBytes {
public:
    void text(const char (&code)[5]) { m_bytes.insert(m_bytes.end(), code, code + 4); }
    void u16(std::uint16_t value) { integer(value, 2); }
    void u32(std::uint32_t value) { integer(value, 4); }
    void i64(std::int64_t value) { integer(static_cast<std::uint64_t>(value), 8); }
    void f64(double value) { integer(std::bit_cast<std::uint64_t>(value), 8); }
    const std::vector<unsigned char>& bytes() const { return m_bytes; }

private:
    void integer(std::uint64_t value, int size) {
        for (int shift = (size - 1) * 8; shift >= 0; shift -= 8) {
            m_bytes.push_back(static_cast<unsigned char>(value >> shift));
        }
    }
    std::vector<unsigned char> m_bytes;
};

} // namespace

CafWriter::CafWriter(const std::filesystem::path& file, int sampleRate, int channelCount)
    : m_path(file), m_channelCount(channelCount) {
    BigEndianBytes header;
    header.text("caff");
    header.u16(1); // file version
    header.u16(0); // flags
    header.text("desc");
    header.i64(32);
    header.f64(sampleRate);
    header.text("lpcm");
    header.u32(2);                                            // little-endian integer samples
    header.u32(static_cast<std::uint32_t>(2 * channelCount)); // bytes per packet
    header.u32(1);                                            // frames per packet
    header.u32(static_cast<std::uint32_t>(channelCount));
    header.u32(16); // bits per channel
    header.text("data");
    header.i64(-1); // unknown until close
    header.u32(0);  // edit count

    m_descriptor = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (m_descriptor < 0) {
        throw FileError("be created", file, lastError());
    }
    if (!writeAll(m_descriptor, header.bytes().data(), header.bytes().size())) {
        auto code = lastError();
        ::close(m_descriptor);
        m_descriptor = -1;
        throw FileError("be created", file, code);
    }
}

CafWriter::~CafWriter() {
    try {
        close();
    } catch (const FileError&) {
        // The file is closed; its header still claims an unknown size, which readers accept.
    }
}

void CafWriter::write(const std::int16_t* samples, std::size_t frameCount) {
    if (m_descriptor < 0) {
        throw FileError("be saved", m_path, std::make_error_code(std::errc::bad_file_descriptor));
    }
    const std::size_t size = frameCount * 2 * std::size_t(m_channelCount);
    const void* data = samples;
    std::vector<unsigned char> swapped;
    if constexpr (std::endian::native != std::endian::little) {
        swapped.resize(size);
        for (std::size_t i = 0; i < size / 2; ++i) {
            auto value = static_cast<std::uint16_t>(samples[i]);
            swapped[2 * i] = static_cast<unsigned char>(value);
            swapped[2 * i + 1] = static_cast<unsigned char>(value >> 8);
        }
        data = swapped.data();
    }
    if (!writeAll(m_descriptor, data, size)) {
        auto code = lastError();
        // Drop a partial block so the file ends on the last whole write.
        const off_t end = static_cast<off_t>(headerSize) +
                          static_cast<off_t>(m_framesWritten) * 2 * m_channelCount;
        if (::ftruncate(m_descriptor, end) == 0) {
            ::lseek(m_descriptor, end, SEEK_SET);
        }
        throw FileError("be saved", m_path, code);
    }
    m_framesWritten += static_cast<std::int64_t>(frameCount);
}

void CafWriter::close() {
    if (m_descriptor < 0) {
        return;
    }
    BigEndianBytes size;
    size.i64(4 + m_framesWritten * 2 * m_channelCount); // the edit count and the samples
    const auto& bytes = size.bytes();
    bool stated = ::pwrite(m_descriptor, bytes.data(), bytes.size(), dataSizeOffset) ==
                  static_cast<ssize_t>(bytes.size());
    auto code = lastError();
    if (stated && ::fsync(m_descriptor) != 0) {
        stated = false;
        code = lastError();
    }
    if (::close(m_descriptor) != 0 && stated) {
        stated = false;
        code = lastError();
    }
    m_descriptor = -1;
    if (!stated) {
        throw FileError("be saved", m_path, code);
    }
}

} // namespace bw
