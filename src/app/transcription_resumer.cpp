#include "app/transcription_resumer.h"

#include "service/transcription_checkpoint_store.h"

namespace bw {

TranscriptionResumer::TranscriptionResumer(LibraryModel& library, TranscriptionService& service,
                                           QObject* parent)
    : QObject(parent), m_library(library), m_service(service) {
    connect(&m_service, &TranscriptionService::jobChanged, this, [this] {
        if (!m_service.isRunning()) {
            resumeNext();
        }
    });
}

void TranscriptionResumer::resumeInterrupted() {
    const TranscriptionCheckpointStore checkpoints(m_library.store());
    for (const auto& item : m_library.items()) {
        const auto checkpoint = checkpoints.load(item.id);
        if (checkpoint && checkpoint->interrupted) {
            m_waiting.push_back(item.id);
        }
    }
    resumeNext();
}

void TranscriptionResumer::resumeNext() {
    while (!m_waiting.empty() && !m_service.isRunning()) {
        const Uuid id = m_waiting.front();
        m_waiting.pop_front();
        const auto item = m_library.item(id);
        if (!item) {
            continue;
        }
        try {
            m_service.resume(*item);
        } catch (const TranscriptionService::StartError&) {
            // The service keeps its message under the recording, where the window shows it.
        }
    }
}

} // namespace bw
