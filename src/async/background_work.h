// Runs one piece of work at a time on a thread of its own and hands what it reports back to
// the thread of a QObject that owns it (in the program, the main thread).
//
// The owner keeps the BackgroundWork as a member. Each start() begins a new run; a call the
// work posts runs on the owner's thread only while the owner exists and the run is still the
// latest one, so late reports of a superseded run and calls queued while the owner is being
// destroyed are dropped. The destructor asks the running work to stop and waits for it.
#pragma once

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <thread>

namespace bw {

class BackgroundWork {
public:
    // Given to the work: post(call) queues `call` to run on the owner's thread. May be called
    // from the work's thread or any other; never blocks.
    class Post {
    public:
        void operator()(std::function<void()> call) const;

    private:
        friend class BackgroundWork;
        Post(BackgroundWork* work, QPointer<QObject> owner, std::uint64_t run)
            : m_work(work), m_owner(std::move(owner)), m_run(run) {}

        BackgroundWork* m_work;
        QPointer<QObject> m_owner;
        std::uint64_t m_run;
    };
    using Work = std::function<void(std::stop_token stop, const Post& post)>;

    explicit BackgroundWork(QObject* owner) : m_owner(owner) {}
    ~BackgroundWork();
    BackgroundWork(const BackgroundWork&) = delete;
    BackgroundWork& operator=(const BackgroundWork&) = delete;

    // Asks a previous run to stop and waits for its thread, then runs `work` on a new thread.
    // Call on the owner's thread. Calls the previous run posts after this are dropped.
    void start(Work work);
    // Triggers the running work's stop token; its posted calls are still delivered.
    void requestStop();
    // Stops delivering the current run's posts without waiting for it to end.
    void abandon() { ++m_run; }
    // Requests stop and waits for the thread to end. Call on the owner's thread.
    void join();

private:
    QObject* m_owner;
    std::thread m_thread;
    std::stop_source m_stop;
    std::uint64_t m_run = 0; // read and written on the owner's thread only
};

} // namespace bw
