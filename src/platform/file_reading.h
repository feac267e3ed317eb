// Reading a whole file into memory: the counterpart of the atomic write helper for the small
// files the program keeps (item files, group lists, settings, Info.json).
#pragma once

#include <filesystem>
#include <string>

namespace bw {

// Throws FileError when the file cannot be opened or read.
std::string readWholeFile(const std::filesystem::path& file);

} // namespace bw
