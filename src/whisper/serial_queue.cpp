#include "whisper/serial_queue.h"

#include <pthread.h>

namespace bw {

SerialQueue::SerialQueue(std::string name) {
    m_thread = std::thread([this, name = std::move(name)] {
        pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
        work();
    });
}

SerialQueue::~SerialQueue() {
    {
        std::lock_guard lock(m_lock);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void SerialQueue::post(std::function<void()> job) {
    {
        std::lock_guard lock(m_lock);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void SerialQueue::work() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(m_lock);
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_jobs.empty()) {
                return; // stopping, and everything queued has run
            }
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job();
    }
}

} // namespace bw
