#include "transcripts/transcript_store.h"

#include "base/json_reading.h"
#include "platform/atomic_file.h"
#include "platform/file_reading.h"
#include "transcripts/transcript_document_json.h"
#include "transcripts/transcript_store_error.h"

namespace bw {

namespace {

constexpr std::int64_t currentVersion = 1;

} // namespace

std::filesystem::path TranscriptStore::fileURL(const Uuid& itemID) const {
    return m_library.itemFolderURL(itemID) / fileName;
}

std::optional<TranscriptDocument> TranscriptStore::load(const Uuid& itemID) const {
    auto file = fileURL(itemID);
    std::error_code error;
    // Only a file that is certainly absent means "no transcript"; any other trouble with it
    // surfaces from the read below.
    if (std::filesystem::status(file, error).type() == std::filesystem::file_type::not_found) {
        return std::nullopt;
    }
    return decode(json::parse(readFile(file)));
}

TranscriptDocument TranscriptStore::decode(const nlohmann::json& root) {
    // The version decides whether the rest can be understood at all, so it is checked first.
    json::requireObject(root, "the transcript file");
    auto version = json::requireInteger(root, "version");
    if (version > currentVersion) {
        throw TranscriptStoreError::unsupportedVersion(version);
    }
    return transcriptDocumentFromJson(json::requireKey(root, "transcript"));
}

void TranscriptStore::save(const TranscriptDocument& document, const Uuid& itemID) const {
    write(
        itemID, [&](const std::optional<TranscriptDocument>&) { return document; }, false);
}

TranscriptDocument TranscriptStore::update(const Uuid& itemID, const Change& change) const {
    return write(itemID, change, true);
}

TranscriptDocument TranscriptStore::write(const Uuid& itemID, const Change& change,
                                          bool readStored) const {
    // Under the library's lock, so that another process's delete of the item cannot move its
    // folder away between the check and the write, nor its start-up tidy-up mistake the
    // temporary file for a leftover.
    auto held = m_library.lockItemFolder(itemID);
    if (!held) {
        throw TranscriptStoreError::itemNotFound();
    }
    std::optional<TranscriptDocument> stored;
    try {
        if (readStored) {
            stored = load(itemID);
        }
    } catch (const std::exception&) {
        // A damaged file is replaced by what `change` makes of nothing.
    }
    TranscriptDocument document = change(std::move(stored));
    nlohmann::json root = {{"version", currentVersion}, {"transcript", toJson(document)}};
    // Text the engine cut inside a UTF-8 sequence must not make the save fail: such bytes
    // are stored as U+FFFD.
    writeFileAtomically(fileURL(itemID),
                        root.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n",
                        FileAccess::ownerOnly);
    return document;
}

} // namespace bw
