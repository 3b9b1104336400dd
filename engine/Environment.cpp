#include "engine/Environment.h"

#include "engine/History.h"
#include "engine/ParseCache.h"

#include <malloc.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace tavrik::Environment {

namespace {

// A folder named by a variable; a relative one is taken from the working folder.
std::filesystem::path folder(std::string_view name) {
    std::error_code ec;
    auto absolute = std::filesystem::absolute(name, ec);
    return (ec ? std::filesystem::path(name) : absolute).lexically_normal();
}

}  // namespace

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

std::vector<std::filesystem::path> claudeRoots(const char* claudeConfigDir,
                                               const std::filesystem::path& home) {
    std::vector<std::filesystem::path> roots;
    std::string_view list = claudeConfigDir != nullptr ? claudeConfigDir : "";
    while (!list.empty()) {
        const std::size_t comma = std::min(list.find(','), list.size());
        if (comma > 0) {
            roots.push_back(folder(list.substr(0, comma)) / "projects");
        }
        list.remove_prefix(std::min(comma + 1, list.size()));
    }
    if (roots.empty()) {
        roots.push_back(StatsEngine::claudeRoot(home, std::nullopt));
    }
    return roots;
}

std::filesystem::path codexRoot(const char* codexHome, const std::filesystem::path& home) {
    if (codexHome == nullptr || codexHome[0] == '\0') {
        return StatsEngine::codexRoot(home);
    }
    return folder(codexHome) / "sessions";
}

std::filesystem::path historyDir() {
    return History::directory(std::getenv("XDG_DATA_HOME"), home().c_str());
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
    StatsEngine::BuildInputs inputs{dir ? std::vector{StatsEngine::claudeRoot(h, dir)}
                                        : claudeRoots(std::getenv("CLAUDE_CONFIG_DIR"), h),
                                    codexRoot(std::getenv("CODEX_HOME"), h), cacheDir(), now()};
    inputs.threads = buildThreads();
    return inputs;
}

}  // namespace tavrik::Environment
