#include "library/import_queue.h"
#include "library/library_importer.h"

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

ImportQueue::ImportQueue(LibraryModel& library, LibraryNavigation& navigation, AlertCentre& alerts,
                         QObject* parent)
    : QObject(parent), m_library(library), m_navigation(navigation), m_alerts(alerts) {}

void ImportQueue::importFiles(const std::vector<std::filesystem::path>& files) {
    m_batches.push_back(
        Batch{std::deque(files.begin(), files.end()), m_navigation.groupForNewItems(), {}, {}});
    if (!m_running) {
        importNextFile();
    }
}

void ImportQueue::importNextFile() {
    if (m_batches.empty()) {
        return;
    }
    auto& batch = m_batches.front();
    if (batch.files.empty()) {
        finishBatch();
        return;
    }
    m_running = true;
    auto file = batch.files.front();
    batch.files.pop_front();

    // The worker touches only its own copies; the queue handles the outcome back on the main
    // thread, and a queue destroyed meanwhile never hears of it.
    m_work.start([this, store = m_library.store(), file,
                  group = batch.group](std::stop_token, const BackgroundWork::Post& post) {
        std::optional<LibraryItem> item;
        std::exception_ptr error;
        try {
            item =
                LibraryImporter(store).importAudio(file, group, std::chrono::system_clock::now());
        } catch (...) {
            error = std::current_exception();
        }
        post([this, file, item, error] { importDone(file, item, error); });
    });
}

void ImportQueue::importDone(const std::filesystem::path& file,
                             const std::optional<LibraryItem>& item, std::exception_ptr error) {
    auto& current = m_batches.front();
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

void ImportQueue::finishBatch() {
    Batch batch = std::move(m_batches.front());
    m_batches.pop_front();
    m_running = false;
    m_library.reloadItems();
    if (!batch.imported.empty()) {
        m_navigation.selectIfShown(batch.imported.back());
    }
    if (!batch.problems.empty()) {
        std::string message;
        for (const auto& line : batch.problems) {
            message += (message.empty() ? "" : "\n") + line;
        }
        m_alerts.raise("Some files weren't imported", message);
    }
    emit importFinished(batch.imported);
    if (!m_batches.empty()) {
        importNextFile();
    }
}

} // namespace bw
