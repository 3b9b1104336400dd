#pragma once

// DirWatcher: turns changes to the entries of one directory into at most one callback per
// quiet period. An entry created, deleted or renamed directly inside the directory, or a move
// of the directory itself, is an event; writes and appends to files, and anything that
// happens below its subdirectories, are not. The handler runs once, debounceMs after the last
// event of a burst.
//
// The watcher follows the directory object it opened (inotify): after a move it keeps
// watching it under its new name, and a directory created later at the old path is not
// watched. Main thread only: events, the quiet period and the handler all run on the thread
// that created the watcher, from its event loop.

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace tavrik {

class DirWatcher final : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<void()>;

    // Quiet period after the last event before the handler runs.
    static constexpr int debounceMs = 1500;

    // Returns a watcher of dir, or nothing when dir cannot be watched (missing, not a
    // directory, not readable, or the system's watch limit reached). Nothing is left open
    // when it fails.
    static std::unique_ptr<DirWatcher> create(const std::filesystem::path& dir, Handler handler,
                                              QObject* parent = nullptr);

    // Stops watching and releases the descriptor; a callback still pending never runs.
    ~DirWatcher() override;

    // Returns whether an inotify event mask is a change of the directory's entries.
    static bool isEntryChange(std::uint32_t mask);

    // (Re)starts the quiet period; called for every event.
    void debounced();

    // Returns whether a callback is waiting for the quiet period to end.
    bool isPending() const { return m_quiet.isActive(); }

private:
    DirWatcher(int fd, Handler handler, QObject* parent);
    void onReadable();

    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QTimer m_quiet;
    Handler m_handler;
};

}  // namespace tavrik
