#include "app/DirWatcher.h"

#include <QLoggingCategory>
#include <QSocketNotifier>

#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace tavrik {
namespace {

Q_LOGGING_CATEGORY(lcWatcher, "tavrik.app.watcher")

// Entries appearing, disappearing or being renamed, and the directory itself being moved.
// IN_MODIFY is left out on purpose: inotify reports appends to files directly inside the
// directory with it, and those are not changes of the directory.
constexpr std::uint32_t watchedEvents =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MOVE_SELF;

}  // namespace

std::unique_ptr<DirWatcher> DirWatcher::create(const std::filesystem::path& dir, Handler handler,
                                               QObject* parent) {
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) {
        qCWarning(lcWatcher, "cannot start inotify: %s", std::strerror(errno));
        return nullptr;
    }
    if (inotify_add_watch(fd, dir.c_str(), watchedEvents | IN_ONLYDIR) < 0) {
        qCInfo(lcWatcher, "not watching %s: %s", dir.c_str(), std::strerror(errno));
        close(fd);
        return nullptr;
    }
    return std::unique_ptr<DirWatcher>(new DirWatcher(fd, std::move(handler), parent));
}

DirWatcher::DirWatcher(int fd, Handler handler, QObject* parent)
    : QObject(parent), m_fd(fd), m_handler(std::move(handler)) {
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(debounceMs);
    // A coarse timer may fire up to 5 % early; the quiet period is a lower bound.
    m_quiet.setTimerType(Qt::PreciseTimer);
    connect(&m_quiet, &QTimer::timeout, this, [this] {
        if (m_handler) {
            m_handler();
        }
    });
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &DirWatcher::onReadable);
}

DirWatcher::~DirWatcher() {
    m_quiet.stop();
    m_notifier.reset();
    if (m_fd >= 0) {
        close(m_fd);
    }
}

bool DirWatcher::isEntryChange(std::uint32_t mask) {
    // An overflowed queue lost events we cannot see; treat it as a change.
    return (mask & (watchedEvents | IN_Q_OVERFLOW)) != 0;
}

void DirWatcher::debounced() {
    m_quiet.start();
}

void DirWatcher::onReadable() {
    alignas(inotify_event) std::array<char, 16 * 1024> buffer{};
    bool changed = false;
    for (;;) {
        const ssize_t n = read(m_fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;  // EAGAIN: drained
        }
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            inotify_event event{};
            std::memcpy(&event, buffer.data() + at, sizeof event);
            changed = changed || isEntryChange(event.mask);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
        }
    }
    if (changed) {
        debounced();
    }
}

}  // namespace tavrik
