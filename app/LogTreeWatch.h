#pragma once

// LogTreeWatch: tells whether anything in the log trees may have changed since it was armed,
// so that the timer's rebuild can hand on the statistics it built last instead of walking and
// stat-ing every log file again when nothing moved (most of an idle application's cost).
//
// arm() watches every folder of the trees (inotify): entries created, deleted, renamed,
// written or touched, and the folders themselves deleted or moved, all count. Only what is
// certain counts as quiet: a tree on a network or FUSE file system
// (whose remote changes inotify never sees), a symbolic link inside a tree (its target may
// change elsewhere), the system's watch limit or a lost event make quiet() false until the
// next arm(). A tree that does not exist yet is watched through its nearest existing
// ancestor, where it would have to appear. Used on one thread (the work thread); not
// thread-safe.

#include <filesystem>
#include <vector>

namespace tavrik {

class LogTreeWatch final {
public:
    explicit LogTreeWatch(std::vector<std::filesystem::path> roots);
    ~LogTreeWatch();
    LogTreeWatch(const LogTreeWatch&) = delete;
    LogTreeWatch& operator=(const LogTreeWatch&) = delete;

    // Starts watching the trees afresh, forgetting earlier events. Call it before reading the
    // trees, so that a change made while they are read is seen. Returns whether the trees are
    // watched completely.
    bool arm();

    // Returns whether the trees were watched completely and nothing happened in them since
    // arm().
    bool quiet();

    // Returns how many folders are watched.
    int folders() const { return m_folders; }

private:
    void disarm();

    std::vector<std::filesystem::path> m_roots;
    int m_fd = -1;
    int m_folders = 0;
    bool m_complete = false;
    bool m_changed = true;
};

}  // namespace tavrik
