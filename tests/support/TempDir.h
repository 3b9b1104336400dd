#pragma once

// Helpers for tests that touch the file system, the clock's zone or other processes: a private
// temporary folder, a private user-defaults store, a scoped TZ, a check run as an ordinary user,
// a shell command's output, ISO-8601 instants.

#include "engine/TimeKit.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

namespace tavrik::test {

// A private temporary folder for one test, removed with everything in it at the end.
class TempDir {
public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tavrik-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "cannot create a temporary folder";
        }
        m_path = pattern;
    }
    ~TempDir() {
        namespace fs = std::filesystem;
        std::error_code ec;
        // Undo permission changes a test made so everything can be removed.
        for (auto it = fs::recursive_directory_iterator(m_path, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
        fs::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }

    // Writes text to the relative path inside the folder, creating parent folders, and
    // returns the full path.
    std::string write(const std::filesystem::path& relative, std::string_view text) const {
        const auto full = m_path / relative;
        std::filesystem::create_directories(full.parent_path());
        std::ofstream(full, std::ios::binary | std::ios::trunc) << text;
        return full.string();
    }

private:
    std::filesystem::path m_path;
};

// Gives a test process its own, empty user-defaults store: XDG_CONFIG_HOME, XDG_RUNTIME_DIR
// and XDG_DATA_HOME (the kept history) point into a fresh temporary folder before anything
// reads them. QSettings fixes its folder on first use, so this must run before main(): define
// one IsolatedSettings object at namespace scope in the test file.
class IsolatedSettings final {
public:
    IsolatedSettings() {
        std::filesystem::create_directories(m_dir.path() / "config");
        ::setenv("XDG_CONFIG_HOME", (m_dir.path() / "config").c_str(), 1);
        // The folder itself is private to the user, as a runtime folder must be.
        ::setenv("XDG_RUNTIME_DIR", m_dir.path().c_str(), 1);
        ::setenv("XDG_DATA_HOME", (m_dir.path() / "data").c_str(), 1);
    }

    // Returns the file the store writes to.
    std::filesystem::path settingsFile() const {
        return m_dir.path() / "config/Tavrik/Tavrik.conf";
    }

private:
    TempDir m_dir;
};

// Sets TZ for the lifetime of the object (and re-reads it), restoring the old zone after.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            m_old = old;
        }
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ScopedTimeZone() {
        m_old ? ::setenv("TZ", m_old->c_str(), 1) : ::unsetenv("TZ");
        ::tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> m_old;
};

// Runs check in a child process with the privileges of an ordinary user, so that permission
// checks apply even when the tests run as root, and returns what it returned (-1 when the
// child could not be run). Opens the folder to that user first.
inline int runUnprivileged(const std::filesystem::path& folder,
                           int (*check)(const std::string& folder)) {
    namespace fs = std::filesystem;
    constexpr uid_t nobody = 65534;
    std::error_code ec;
    fs::permissions(folder, fs::perms::others_read, fs::perm_options::add, ec);
    for (auto p = folder; !p.empty() && p != p.root_path(); p = p.parent_path()) {
        fs::permissions(p, fs::perms::others_exec, fs::perm_options::add, ec);
    }
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(nobody) != 0 || ::setuid(nobody) != 0)) {
            ::_exit(255);
        }
        ::_exit(check(folder.string()));
    }
    int status = 0;
    const bool ran = child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status);
    return ran && WEXITSTATUS(status) != 255 ? WEXITSTATUS(status) : -1;
}

struct ShellResult {
    bool ok = false;     // exited with status 0
    std::string output;  // standard output and error together
};

// Runs a command line through the shell and waits for it.
inline ShellResult shell(const std::string& command) {
    ShellResult result;
    if (FILE* pipe = ::popen(("exec 2>&1\n" + command).c_str(), "r")) {
        char buffer[4096];
        while (const size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) {
            result.output.append(buffer, n);
        }
        const int status = ::pclose(pipe);
        result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    return result;
}

// Returns seconds since 1970 of an ISO-8601 instant; the test fails when it does not parse.
inline double at(std::string_view iso) {
    const auto t = TimeKit::epoch(iso);
    EXPECT_TRUE(t.has_value()) << iso;
    return t.value_or(0);
}

}  // namespace tavrik::test
