#include "whisper/cancel_flag.h"

namespace bw {

CancelFlag::CancelFlag(std::shared_ptr<const CancelFlag> parent) : m_parent(std::move(parent)) {}

void CancelFlag::set() {
    std::lock_guard lock(m_lock);
    m_value = true;
}

bool CancelFlag::isSet() const {
    for (const CancelFlag* flag = this; flag != nullptr; flag = flag->m_parent.get()) {
        std::lock_guard lock(flag->m_lock);
        if (flag->m_value) {
            return true;
        }
    }
    return false;
}

} // namespace bw
