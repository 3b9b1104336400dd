#pragma once

// Gives a test process its own, empty user-defaults store: XDG_CONFIG_HOME, XDG_RUNTIME_DIR
// and XDG_DATA_HOME (the kept history) point into a fresh temporary folder before anything
// reads them. QSettings fixes its folder on first use, so this must run before main(): define
// one IsolatedSettings object at namespace scope in the test file.

#include "tests/support/TempDir.h"

#include <QByteArray>
#include <QtGlobal>

#include <filesystem>

namespace tavrik::test {

class IsolatedSettings final {
public:
    IsolatedSettings() {
        std::filesystem::create_directories(m_dir.path() / "config");
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((m_dir.path() / "config").string()));
        // The folder itself is private to the user, as a runtime folder must be.
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(m_dir.path().string()));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString((m_dir.path() / "data").string()));
    }

    // Returns the file the store writes to.
    std::filesystem::path settingsFile() const {
        return m_dir.path() / "config/Tavrik/Tavrik.conf";
    }

private:
    TempDir m_dir;
};

}  // namespace tavrik::test
