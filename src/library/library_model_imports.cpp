// The model's imports: one file at a time on a background thread, each outcome handled back on
// the main thread.
#include "library/library_model.h"

#include "base/unicode_text.h"
#include "library/library_error.h"

#include <algorithm>
#include <memory>

namespace bw {

namespace {

std::string importProblem(const std::filesystem::path& file, const std::exception& error) {
    std::string name = "“" + unicode::repairedUtf8(file.filename().string()) + "”";
    if (isLibraryError(error, LibraryError::Kind::unsupportedFileType)) {
        return name + " isn't a flac, m4a, mkv, mp3, mp4, ogg, opus, wav or webm file.";
    }
    if (isLibraryError(error, LibraryError::Kind::unreadableAudio)) {
        return name + " couldn't be read as audio. The file may be damaged.";
    }
    return name + " couldn't be copied into Brindlewick. Check that this computer has enough "
                  "free disk space, then try again.";
}

} // namespace

void LibraryModel::importFiles(const std::vector<std::filesystem::path>& files) {
    requireWritable();
    m_importBatches.push_back(
        ImportBatch{std::deque(files.begin(), files.end()), groupForNewItems(), {}, {}});
    if (!m_importRunning) {
        importNextFile();
    }
}

void LibraryModel::importNextFile() {
    if (m_importBatches.empty()) {
        return;
    }
    auto& batch = m_importBatches.front();
    if (batch.files.empty()) {
        finishImportBatch();
        return;
    }
    m_importRunning = true;
    auto file = batch.files.front();
    batch.files.pop_front();

    // The worker touches only its own copies; the model handles the outcome back on the main
    // thread, and a model destroyed meanwhile never hears of it.
    m_importWork.start([this, store = m_store, file,
                        group = batch.group](std::stop_token, const BackgroundWork::Post& post) {
        std::optional<LibraryItem> item;
        std::exception_ptr error;
        try {
            item = store.importAudio(file, group, std::chrono::system_clock::now());
        } catch (...) {
            error = std::current_exception();
        }
        post([this, file, item, error] { importDone(file, item, error); });
    });
}

void LibraryModel::importDone(const std::filesystem::path& file,
                              const std::optional<LibraryItem>& item, std::exception_ptr error) {
    auto& current = m_importBatches.front();
    if (item) {
        current.imported.push_back(item->id);
    } else {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& failure) {
            current.problems.push_back(importProblem(file, failure));
        } catch (...) {
            current.problems.push_back(importProblem(file, std::runtime_error("")));
        }
    }
    importNextFile();
}

void LibraryModel::finishImportBatch() {
    ImportBatch batch = std::move(m_importBatches.front());
    m_importBatches.pop_front();
    m_importRunning = false;
    reloadItems();
    if (!batch.imported.empty()) {
        auto visible = itemsIn(m_filter);
        if (std::any_of(visible.begin(), visible.end(), [&](const LibraryItem& item) {
                return item.id == batch.imported.back();
            })) {
            setSelection(batch.imported.back());
        }
    }
    if (!batch.problems.empty()) {
        std::string message;
        for (const auto& line : batch.problems) {
            message += (message.empty() ? "" : "\n") + line;
        }
        raise("Some files weren't imported", message);
    }
    emit importFinished(batch.imported);
    if (!m_importBatches.empty()) {
        importNextFile();
    }
}

} // namespace bw
