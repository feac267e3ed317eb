// A one-way "stop" signal shared between the thread that asks for work and the thread that
// runs it. A flag may have a parent: it then also reads as set once any ancestor is set, so
// shutting a recognizer down stops every request made on it.
#pragma once

#include <memory>
#include <mutex>

namespace bw {

class CancelFlag {
public:
    explicit CancelFlag(std::shared_ptr<const CancelFlag> parent = nullptr);
    CancelFlag(const CancelFlag&) = delete;
    CancelFlag& operator=(const CancelFlag&) = delete;

    // Never cleared once set. Safe from any thread.
    void set();

    // True when this flag or any ancestor is set. Each flag is read under its own lock; the
    // chain as a whole is never locked.
    bool isSet() const;

private:
    mutable std::mutex m_lock;
    bool m_value = false;
    const std::shared_ptr<const CancelFlag> m_parent;
};

} // namespace bw
