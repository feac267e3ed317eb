// Imports audio files into the library, one file at a time on a worker thread, in batches that
// run in call order. A batch's recordings go to the group shown when it was queued; when it is
// done the library is read again, the last recording it created is selected if shown, the files
// it could not import become one alert, and importFinished() is emitted.
//
// Lives on the main thread, over a read-write library model. The models passed are not owned
// and must outlive the queue.
#pragma once

#include "async/background_work.h"
#include "library/alert_centre.h"
#include "library/library_model.h"
#include "library/library_navigation.h"

#include <QObject>

#include <deque>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace bw {

class ImportQueue : public QObject {
    Q_OBJECT

public:
    ImportQueue(LibraryModel& library, LibraryNavigation& navigation, AlertCentre& alerts,
                QObject* parent = nullptr);

    // Queues a batch and returns at once.
    void importFiles(const std::vector<std::filesystem::path>& files);
    bool isImporting() const { return !m_batches.empty(); }

signals:
    // After any alert, with the recordings this batch created in the order of its files.
    void importFinished(const std::vector<bw::Uuid>& imported);

private:
    struct Batch {
        std::deque<std::filesystem::path> files;
        std::optional<Uuid> group;
        std::vector<Uuid> imported;
        std::vector<std::string> problems;
    };

    void importNextFile();
    void importDone(const std::filesystem::path& file, const std::optional<LibraryItem>& item,
                    std::exception_ptr error);
    void finishBatch();

    LibraryModel& m_library;
    LibraryNavigation& m_navigation;
    AlertCentre& m_alerts;
    std::deque<Batch> m_batches;
    bool m_running = false;
    // Declared last: it joins the running import before the members above go away.
    BackgroundWork m_work{this};
};

} // namespace bw
