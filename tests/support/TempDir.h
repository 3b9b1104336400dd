#pragma once

// A private temporary folder for one test, removed with everything in it at the end.

#include <filesystem>
#include <string>
#include <string_view>

namespace tavrik::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }

    // Writes text to the relative path inside the folder, creating parent folders, and
    // returns the full path.
    std::string write(const std::filesystem::path& relative, std::string_view text) const;

private:
    std::filesystem::path m_path;
};

// Sets TZ for the lifetime of the object (and re-reads it), restoring the old zone after.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone);
    ~ScopedTimeZone();
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::string m_old;
    bool m_hadOld;
};

// Runs check in a child process with the privileges of an ordinary user, so that permission
// checks apply even when the tests run as root, and returns what it returned (-1 when the
// child could not be run). Opens the folder to that user first.
int runUnprivileged(const std::filesystem::path& folder, int (*check)(const std::string& folder));

// Returns seconds since 1970 of an ISO-8601 instant; the test fails when it does not parse.
double at(std::string_view iso);

}  // namespace tavrik::test
