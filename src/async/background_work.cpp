#include "async/background_work.h"

#include <QMetaObject>

namespace bw {

void BackgroundWork::Post::operator()(std::function<void()> call) const {
    QObject* target = m_owner.data();
    if (target == nullptr) {
        return;
    }
    // The run number is compared on the owner's thread, where it changes; the owner's guard
    // is checked first, so `m_work` (a member of the owner) is still alive when read.
    QMetaObject::invokeMethod(
        target,
        [owner = m_owner, work = m_work, run = m_run, call = std::move(call)] {
            if (owner && work->m_run == run) {
                call();
            }
        },
        Qt::QueuedConnection);
}

BackgroundWork::~BackgroundWork() {
    join();
}

void BackgroundWork::start(Work work) {
    join();
    m_stop = std::stop_source();
    Post post(this, QPointer<QObject>(m_owner), ++m_run);
    m_thread = std::thread(
        [work = std::move(work), post, stop = m_stop.get_token()] { work(stop, post); });
}

void BackgroundWork::requestStop() {
    m_stop.request_stop();
}

void BackgroundWork::join() {
    m_stop.request_stop();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

} // namespace bw
