// A fresh folder under the system's temporary directory, removed with everything in it when
// the object goes away. For tests that need files on disk.
#pragma once

#include <filesystem>
#include <random>
#include <string>

namespace bw::test {

class TemporaryFolder {
public:
    TemporaryFolder() {
        std::random_device random;
        auto base = std::filesystem::temp_directory_path();
        do {
            m_path = base / ("bw-test-" + std::to_string(random()));
        } while (!std::filesystem::create_directory(m_path));
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

} // namespace bw::test
