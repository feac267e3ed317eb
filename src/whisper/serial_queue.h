// One dedicated worker thread that runs submitted jobs one after another, in the order they
// were submitted. The recognizer keeps its whisper.cpp context on such a queue so that the
// context is only ever touched from one thread.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <type_traits>

namespace bw {

class SerialQueue {
public:
    // `name` labels the thread for debuggers (the system keeps its first 15 bytes).
    explicit SerialQueue(std::string name);
    // Runs every job still queued, then ends the thread. Must not run on the queue's thread.
    ~SerialQueue();
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    // Queues `job` and returns at once.
    void post(std::function<void()> job);

    // Queues `body`, blocks the caller until it has run, and returns its result or rethrows
    // what it threw. Must not be called from the queue's own thread (it would wait forever).
    template <typename Body> std::invoke_result_t<Body> run(Body body) {
        using Result = std::invoke_result_t<Body>;
        auto task = std::make_shared<std::packaged_task<Result()>>(std::move(body));
        auto result = task->get_future();
        post([task] { (*task)(); });
        return result.get();
    }

private:
    void work();

    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace bw
