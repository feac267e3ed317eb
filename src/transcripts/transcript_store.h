// Keeps one transcript document per library item, as "transcript.json" in the item's folder
// (the library store decides where that is). Holds nothing but the library: every call reads
// or writes the file, so it may be copied freely; callers use it from one thread at a time.
#pragma once

#include "base/uuid.h"
#include "library/library_store.h"
#include "transcripts/transcript_document.h"

#include <nlohmann/json_fwd.hpp>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace bw {

class TranscriptStore {
public:
    static constexpr const char* fileName = "transcript.json";

    explicit TranscriptStore(LibraryStore library) : m_library(std::move(library)) {}

    const LibraryStore& library() const { return m_library; }

    std::filesystem::path fileURL(const Uuid& itemID) const;

    // The item's document, or nothing when it has no transcript file. Throws
    // TranscriptStoreError::unsupportedVersion for a newer format (before decoding the rest),
    // JsonDecodingError for a damaged file and FileError when the file cannot be read.
    std::optional<TranscriptDocument> load(const Uuid& itemID) const;
    // The document of a transcript file's parsed content, checked as load() checks it (which
    // throws the same errors), for readers that want more of the file than the document.
    static TranscriptDocument decode(const nlohmann::json& root);

    // Replaces the item's transcript atomically and durably, holding the library's lock; a
    // failed save leaves the old file as it was. Throws TranscriptStoreError::itemNotFound when the
    // item's folder is missing (nothing is created) and FileError when writing fails.
    void save(const TranscriptDocument& document, const Uuid& itemID) const;

    // Reads the stored document, lets `change` make the one to store from it (given nothing
    // when the file is missing or cannot be read) and writes that, all under one hold of the
    // library's lock, so that no other process's save falls in between; returns what was
    // written. Throws as save() does, and what `change` throws (then nothing is written).
    using Change = std::function<TranscriptDocument(std::optional<TranscriptDocument> stored)>;
    TranscriptDocument update(const Uuid& itemID, const Change& change) const;

private:
    TranscriptDocument write(const Uuid& itemID, const Change& change, bool readStored) const;

    LibraryStore m_library;
};

} // namespace bw
