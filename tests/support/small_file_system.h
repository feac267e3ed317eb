// A small tmpfs mounted over a folder for one test (a disk that fills up), unmounted with the
// object. Mounting needs privileges: mounted() says whether it worked.
#pragma once

#include <filesystem>
#include <string>

#include <sys/mount.h>

namespace bw::test {

class SmallFileSystem {
public:
    SmallFileSystem(const std::filesystem::path& folder, const std::string& size)
        : m_folder(folder) {
        std::filesystem::create_directories(folder);
        m_mounted = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
    }
    ~SmallFileSystem() {
        if (m_mounted) {
            ::umount(m_folder.c_str());
        }
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool mounted() const { return m_mounted; }

private:
    std::filesystem::path m_folder;
    bool m_mounted = false;
};

} // namespace bw::test
