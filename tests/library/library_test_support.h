// Helpers for tests on real folders: a temporary library root, generated audio files, raw
// item files, and a way to make file writes fail even when the tests run as root.
#pragma once

#include "library/library_item.h"
#include "support/temporary_folder.h"

#include <filesystem>
#include <string>

namespace bw::test {

void writeText(const std::filesystem::path& file, const std::string& text);
std::string readText(const std::filesystem::path& file);

// A 16 kHz mono 16-bit WAV file of a quiet tone.
void writeWav(const std::filesystem::path& file, double seconds);

// An item folder with "item.json" holding exactly `itemJson` inside the usual envelope.
void writeItemFile(const std::filesystem::path& root, const std::string& id,
                   const std::string& itemJson, int version = 1);

// A complete item as the store would write it.
LibraryItem sampleItem(const std::string& title, std::int64_t createdAt,
                       std::optional<Uuid> group = std::nullopt);

// While alive, every write to a regular file beyond `sizeLimit` bytes (by default: any write)
// fails with EFBIG, as on a full disk; this works for root too, where permissions do not stop
// writes.
class FailingFileWrites {
public:
    explicit FailingFileWrites(unsigned long long sizeLimit = 0);
    ~FailingFileWrites();

private:
    unsigned long long m_previousLimit;
};

} // namespace bw::test
