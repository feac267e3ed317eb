// A failure of the file system (reading, writing, creating, moving or removing a file or
// folder); what() names the file and the system's reason, for the end of a user message.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace bw {

class FileError : public std::runtime_error {
public:
    // `action` completes "couldn't ...", e.g. "be saved".
    FileError(const std::string& action, const std::filesystem::path& path, std::error_code code)
        : std::runtime_error("“" + path.filename().string() + "” couldn't " + action + ": " +
                             code.message()),
          m_path(path), m_code(code) {}

    const std::filesystem::path& path() const { return m_path; }
    std::error_code code() const { return m_code; }

private:
    std::filesystem::path m_path;
    std::error_code m_code;
};

} // namespace bw
