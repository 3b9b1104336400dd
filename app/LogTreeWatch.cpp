#include "app/LogTreeWatch.h"

#include <QLoggingCategory>

#include <sys/inotify.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace tavrik {
namespace {

Q_LOGGING_CATEGORY(lcTreeWatch, "tavrik.app.treewatch")

constexpr std::uint32_t folderEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO
                                       | IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_DELETE_SELF
                                       | IN_MOVE_SELF;

// File systems whose changes made by other machines or by a user-space server never reach
// inotify.
bool isRemote(const std::filesystem::path& root) {
    struct statfs fs {};
    if (statfs(root.c_str(), &fs) != 0) {
        return true;
    }
    switch (static_cast<unsigned long>(fs.f_type)) {
        case 0x6969:      // NFS
        case 0x517B:      // SMB
        case 0xFF534D42:  // CIFS
        case 0xFE534D42:  // SMB2
        case 0x65735546:  // FUSE
        case 0x01021997:  // 9P
        case 0x73757245:  // Coda
        case 0x564C:      // NCP
        case 0x7461636F:  // OCFS2
        case 0x47504653:  // GPFS
        case 0x013111A8:  // IBRIX
        case 0x00C36400:  // Ceph
        case 0x19830326:  // AFS
            return true;
        default:
            return false;
    }
}

}  // namespace

LogTreeWatch::LogTreeWatch(std::vector<std::filesystem::path> roots) : m_roots(std::move(roots)) {}

LogTreeWatch::~LogTreeWatch() {
    disarm();
}

void LogTreeWatch::disarm() {
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
    m_folders = 0;
    m_complete = false;
}

bool LogTreeWatch::arm() {
    disarm();
    m_changed = false;
    m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0) {
        return false;
    }
    const auto watch = [this](const std::filesystem::path& dir) {
        if (inotify_add_watch(m_fd, dir.c_str(), folderEvents | IN_ONLYDIR | IN_DONT_FOLLOW) < 0) {
            qCDebug(lcTreeWatch, "cannot watch %s: %s", dir.c_str(), std::strerror(errno));
            return false;
        }
        ++m_folders;
        return true;
    };
    for (const std::filesystem::path& root : m_roots) {
        std::error_code error;
        if (!std::filesystem::is_directory(root, error)) {
            // A tree that does not exist yet (Codex never used) can only appear through an
            // entry made in its nearest existing ancestor: watching that one is enough.
            std::filesystem::path ancestor = root.parent_path();
            while (!ancestor.empty() && !std::filesystem::is_directory(ancestor, error)
                   && ancestor != ancestor.parent_path()) {
                ancestor = ancestor.parent_path();
            }
            if (ancestor.empty() || isRemote(ancestor) || !watch(ancestor)) {
                return false;
            }
            continue;
        }
        if (isRemote(root) || !watch(root)) {
            return false;
        }
        std::filesystem::recursive_directory_iterator it(
            root, std::filesystem::directory_options::none, error);
        for (; !error && it != std::filesystem::recursive_directory_iterator();
             it.increment(error)) {
            // The entry's type comes from the folder listing: no stat per file.
            const bool link = it->is_symlink(error);
            if (error) {
                return false;
            }
            if (link) {
                // The builder follows no linked folder, but reads a linked log, whose target
                // may change where no watch sees it.
                std::error_code ignored;
                if (it->path().extension() == ".jsonl"
                    && !std::filesystem::is_directory(it->path(), ignored)) {
                    return false;
                }
                continue;
            }
            if (it->is_directory(error) && !watch(it->path())) {
                return false;
            }
        }
        if (error) {
            return false;
        }
    }
    m_complete = true;
    return true;
}

bool LogTreeWatch::quiet() {
    if (!m_complete || m_changed) {
        return false;
    }
    alignas(inotify_event) std::array<char, 16 * 1024> buffer{};
    for (;;) {
        const ssize_t n = read(m_fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n > 0) {
            // Whatever the event (a lost one, a watch dropped with its folder, a change), the
            // trees are no longer known to be as they were.
            m_changed = true;
            continue;
        }
        break;  // drained (EAGAIN) or closed
    }
    return !m_changed;
}

}  // namespace tavrik
