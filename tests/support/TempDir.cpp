#include "tests/support/TempDir.h"

#include "engine/TimeKit.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <fstream>

namespace tavrik::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavrik-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        ADD_FAILURE() << "cannot create a temporary folder";
    }
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Undo permission changes a test made so everything can be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    }
    std::filesystem::remove_all(m_path, ec);
}

std::string TempDir::write(const std::filesystem::path& relative, std::string_view text) const {
    const auto full = m_path / relative;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return full.string();
}

ScopedTimeZone::ScopedTimeZone(const char* zone) {
    const char* old = std::getenv("TZ");
    m_hadOld = old != nullptr;
    m_old = old ? old : "";
    ::setenv("TZ", zone, 1);
    ::tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
    if (m_hadOld) {
        ::setenv("TZ", m_old.c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
    ::tzset();
}

int runUnprivileged(const std::filesystem::path& folder, int (*check)(const std::string&)) {
    constexpr uid_t nobody = 65534;
    std::error_code ec;
    std::filesystem::permissions(folder, std::filesystem::perms::others_read,
                                 std::filesystem::perm_options::add, ec);
    for (auto p = folder; !p.empty() && p != p.root_path(); p = p.parent_path()) {
        std::filesystem::permissions(p, std::filesystem::perms::others_exec,
                                     std::filesystem::perm_options::add, ec);
    }
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(nobody) != 0 || ::setuid(nobody) != 0)) {
            ::_exit(255);
        }
        ::_exit(check(folder.string()));
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)
        || WEXITSTATUS(status) == 255) {
        return -1;
    }
    return WEXITSTATUS(status);
}

double at(std::string_view iso) {
    const auto t = TimeKit::epoch(iso);
    EXPECT_TRUE(t.has_value()) << iso;
    return t.value_or(0);
}

}  // namespace tavrik::test
