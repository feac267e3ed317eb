// Reading a whole file, the counterpart of atomic_file.h's writes.
#pragma once

#include <filesystem>
#include <string>

namespace bw {

// The file's bytes. Throws FileError when it cannot be opened or read (a folder fails too).
std::string readFile(const std::filesystem::path& path);

} // namespace bw
