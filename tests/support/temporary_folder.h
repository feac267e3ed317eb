// A fresh folder under the system's temporary directory for one test, removed with everything
// in it (even after the test took its permissions away).
#pragma once

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

namespace bw::test {

class TemporaryFolder {
public:
    TemporaryFolder() {
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            auto candidate =
                std::filesystem::temp_directory_path() / ("bw-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(candidate)) {
                m_path = candidate;
                return;
            }
        }
        throw std::runtime_error("cannot create a temporary folder");
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

} // namespace bw::test
