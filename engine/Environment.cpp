#include "engine/Environment.h"

#include "engine/ParseCache.h"

#include <malloc.h>
#include <pwd.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace tavrik::Environment {

std::filesystem::path home() {
    if (const char* h = std::getenv("HOME"); h != nullptr && h[0] != '\0') {
        return h;
    }
    std::vector<char> buf(16384);
    passwd pw{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found != nullptr
        && found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return "/";
}

std::filesystem::path cacheDir() {
    return ParseCache::directory(std::getenv("XDG_CACHE_HOME"), home().c_str());
}

double now() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

void tuneAllocator() {
    // Large blocks (log lines of many megabytes, the parser's working space) then always
    // come from and go back to the system. Left alone, glibc raises its threshold after the
    // first big free and keeps later big blocks in the heap, so memory grows build by build.
    mallopt(M_MMAP_THRESHOLD, 4 << 20);
}

unsigned buildThreads() {
    const char* text = std::getenv("TAVRIK_THREADS");
    if (text == nullptr) {
        return 0;
    }
    const std::string_view value(text);
    unsigned n = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
    return ec == std::errc() && end == value.data() + value.size() && n >= 1 && n <= 1024 ? n : 0;
}

StatsEngine::BuildInputs buildInputs(const std::optional<std::filesystem::path>& dir) {
    const auto h = home();
    return {StatsEngine::claudeRoot(h, dir), StatsEngine::codexRoot(h), cacheDir(), now(),
            buildThreads()};
}

}  // namespace tavrik::Environment
