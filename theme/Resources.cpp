#include "theme/Resources.h"

#include <QCoreApplication>

#include <system_error>

namespace tavrik::Resources {
namespace {

std::filesystem::path executableDir() {
    if (QCoreApplication::instance() != nullptr) {
        return QCoreApplication::applicationDirPath().toStdString();
    }
    // Before the application object exists, the kernel still knows where we were started from.
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : exe.parent_path();
}

}  // namespace

std::vector<std::filesystem::path> searchDirs() {
    std::vector<std::filesystem::path> dirs;
    const std::filesystem::path exeDir = executableDir();
    const std::filesystem::path configured(TAVRIK_DATA_DIR);
    if (!exeDir.empty()) {
        dirs.push_back(exeDir / bundleName);
        const std::filesystem::path relocated =
            (exeDir / TAVRIK_DATA_DIR_FROM_BIN).lexically_normal();
        if (relocated != configured) {
            dirs.push_back(relocated);
        }
    }
    dirs.push_back(configured);
    return dirs;
}

std::optional<std::filesystem::path> find(std::string_view relative,
                                          const std::vector<std::filesystem::path>& dirs) {
    const std::filesystem::path rel(relative);
    // Only names inside a resource folder: an absolute path or ".." would escape it.
    if (rel.empty() || rel.is_absolute()) {
        return std::nullopt;
    }
    for (const auto& part : rel) {
        if (part == "..") {
            return std::nullopt;
        }
    }
    for (const std::filesystem::path& dir : dirs) {
        std::error_code error;
        const std::filesystem::path candidate = dir / rel;
        if (std::filesystem::is_regular_file(candidate, error)) {
            return candidate;
        }
    }
    return std::nullopt;
}

std::optional<std::filesystem::path> bundledFile(std::string_view relative) {
    return find(relative, searchDirs());
}

}  // namespace tavrik::Resources
