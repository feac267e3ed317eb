#include "platform/folder_events.h"

#include <cerrno>
#include <set>
#include <sys/inotify.h>
#include <unistd.h>

namespace bw {

namespace {

constexpr std::uint32_t watchedEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                        IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

} // namespace

FolderEvents::FolderEvents() : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

FolderEvents::~FolderEvents() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

void FolderEvents::watch(const std::vector<std::filesystem::path>& folders) {
    if (m_fd < 0) {
        return;
    }
    std::set<std::filesystem::path> wanted(folders.begin(), folders.end());
    for (auto it = m_watches.begin(); it != m_watches.end();) {
        if (wanted.erase(it->first) > 0) {
            ++it;
            continue;
        }
        inotify_rm_watch(m_fd, it->second);
        m_folders.erase(it->second);
        it = m_watches.erase(it);
    }
    for (const auto& folder : wanted) {
        int wd = inotify_add_watch(m_fd, folder.c_str(), watchedEvents);
        if (wd >= 0) {
            m_watches[folder] = wd;
            m_folders[wd] = folder;
        }
    }
}

bool FolderEvents::drain() {
    if (m_fd < 0) {
        return false;
    }
    bool changed = false;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        ssize_t size = ::read(m_fd, buffer, sizeof buffer);
        if (size < 0 && errno == EINTR) {
            continue;
        }
        if (size <= 0) {
            return changed; // EAGAIN: nothing more is pending
        }
        for (ssize_t at = 0; at < size;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += ssize_t(sizeof(inotify_event) + event->len);
            if (event->mask & IN_IGNORED) {
                // The watch ended: the folder is gone (reported by its own event before this
                // one) or was unwatched. Its descriptor may be reused for another folder.
                if (auto folder = m_folders.find(event->wd); folder != m_folders.end()) {
                    m_watches.erase(folder->second);
                    m_folders.erase(folder);
                }
                continue;
            }
            if (event->mask & IN_Q_OVERFLOW) {
                m_overflowed = true;
            } else if (auto folder = m_folders.find(event->wd); folder != m_folders.end()) {
                m_changed.insert(folder->second);
            }
            changed = true;
        }
    }
}

std::optional<std::set<std::filesystem::path>> FolderEvents::takeChangedFolders() {
    std::optional<std::set<std::filesystem::path>> changed;
    if (!m_overflowed) {
        changed = std::move(m_changed);
    }
    m_changed.clear();
    m_overflowed = false;
    return changed;
}

} // namespace bw
