#include "library/library_test_support.h"

#include <csignal>
#include <cstdint>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/resource.h>
#include <vector>

namespace bw::test {

namespace fs = std::filesystem;

void writeText(const fs::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << text;
}

std::string readText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeWav(const fs::path& file, double seconds) {
    const std::uint32_t rate = 16000;
    std::vector<std::int16_t> samples(std::size_t(seconds * rate));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = std::int16_t(1000 * ((i / 20) % 2 ? 1 : -1));
    }
    std::uint32_t dataSize = std::uint32_t(samples.size() * 2);
    std::ofstream out(file, std::ios::binary);
    auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out << "RIFF";
    u32(36 + dataSize);
    out << "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    out << "data";
    u32(dataSize);
    out.write(reinterpret_cast<const char*>(samples.data()), dataSize);
}

void writeItemFile(const fs::path& root, const std::string& id, const std::string& itemJson,
                   int version) {
    fs::create_directories(root / id);
    writeText(root / id / "item.json",
              "{\"version\": " + std::to_string(version) + ", \"item\": " + itemJson + "}");
}

LibraryItem sampleItem(const std::string& title, std::int64_t createdAt,
                       std::optional<Uuid> group) {
    return LibraryItem{Uuid::random(),
                       title,
                       std::chrono::sys_seconds(std::chrono::seconds(createdAt)),
                       12.5,
                       LibraryItem::Origin::recorded,
                       LibraryItem::State::complete,
                       "audio.caf",
                       std::nullopt,
                       group};
}

FailingFileWrites::FailingFileWrites(unsigned long long sizeLimit) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    m_previousLimit = limit.rlim_cur;
    limit.rlim_cur = sizeLimit;
    setrlimit(RLIMIT_FSIZE, &limit);
}

FailingFileWrites::~FailingFileWrites() {
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = m_previousLimit;
    setrlimit(RLIMIT_FSIZE, &limit);
}

} // namespace bw::test
