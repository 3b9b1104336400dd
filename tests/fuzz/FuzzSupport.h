#pragma once

// What the fuzz targets share: the input as a file a reader can open, and the checks every
// contribution and Stats must pass whatever the logs held.

#include "engine/ParseCache.h"
#include "engine/Records.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace tavrik::fuzz {

// Stops the run with a report when a property does not hold.
inline void require(bool holds) {
    if (!holds) {
        std::abort();
    }
}

// The input bytes as a file in memory, opened again by path as the readers do. One file
// serves every input of a process.
inline const std::string& memFile(const std::uint8_t* data, std::size_t size) {
    static const int fd = ::memfd_create("fuzz", MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    require(fd >= 0 && ::ftruncate(fd, 0) == 0
            && ::pwrite(fd, data, size, 0) == static_cast<ssize_t>(size));
    return path;
}

// A private folder for one fuzzing process, removed when it ends.
class ScratchFolder {
public:
    // In memory where there is a tmpfs: the build target writes a log tree per input.
    ScratchFolder()
        : m_path((std::filesystem::is_directory("/dev/shm")
                      ? std::filesystem::path("/dev/shm")
                      : std::filesystem::temp_directory_path())
                 / ("tavrik-fuzz-" + std::to_string(::getpid()))) {}
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// A reader's contribution must be one the parse cache believes, and survive its JSON form.
inline void checkContribution(const FileContribution& c, std::size_t fileBytes) {
    require(couldComeFromItsFile({0, static_cast<std::int64_t>(fileBytes), c}));
    const auto json = toJson(c);
    require(json && fileContributionFromJson(*json) == c);
}

// A Stats must hold finite figures (its JSON form can be written only then), survive the stats
// cache, and keep its score figures in range.
inline void checkStats(const Stats& s) {
    const auto json = toJson(s);
    require(json && statsFromJson(*json) == s);
    require(s.crackedScore >= 0 && s.crackedScore <= 99 && s.percentile >= 1 && s.percentile <= 99);
    require(s.prompts >= 0 && s.linesAdded >= 0 && s.linesRemoved >= 0 && s.daysSpan >= 0
            && s.streakCurrent <= s.streakLongest && s.streakLongest <= s.activeDays);
}

}  // namespace tavrik::fuzz
