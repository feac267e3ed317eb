#include "library/library_test_support.h"

#include "support/wav_file.h"

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
    std::vector<float> samples(std::size_t(seconds * 16000));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = (i / 20) % 2 ? 1000.0f / 32767 : -1000.0f / 32767;
    }
    test::writeWav(file, samples);
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
                       group,
                       std::nullopt,
                       std::nullopt};
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
