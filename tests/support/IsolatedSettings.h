#pragma once

// Gives a test process its own, empty user-defaults store: XDG_CONFIG_HOME, XDG_RUNTIME_DIR
// and XDG_DATA_HOME (the kept history) point at fresh temporary folders before anything reads
// them. QSettings fixes its folder on
// first use, so this must run before main(): define one IsolatedSettings object at namespace
// scope in the test file.

#include <QByteArray>
#include <QtGlobal>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace tavrik::test {

class IsolatedSettings final {
public:
    IsolatedSettings() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tavrik-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        m_root = pattern;
        std::filesystem::create_directories(m_root / "config");
        std::filesystem::create_directories(m_root / "runtime");
        std::filesystem::permissions(m_root / "runtime", std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace);
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((m_root / "config").string()));
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString((m_root / "runtime").string()));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString((m_root / "data").string()));
    }
    ~IsolatedSettings() {
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }
    IsolatedSettings(const IsolatedSettings&) = delete;
    IsolatedSettings& operator=(const IsolatedSettings&) = delete;

    // Returns the file the store writes to.
    std::filesystem::path settingsFile() const { return m_root / "config/Tavrik/Tavrik.conf"; }

private:
    std::filesystem::path m_root;
};

}  // namespace tavrik::test
