#include "engine/internal/FileWalk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace tavrik::detail {

namespace {

struct Entry {
    std::string name;
    bool isFolder;
    bool kept;
    std::optional<FileStamp> stamp;  // of a kept entry, when asked for
};

// Lists one folder whole before descending, so only one folder is open at any time however
// deep the tree; the kept entries' stamps are read meanwhile.
std::vector<Entry> listFolder(const std::string& dir,
                              const std::function<bool(std::string_view)>& keep, bool stamp) {
    std::vector<Entry> entries;
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) {
        return entries;
    }
    while (const dirent* e = ::readdir(d)) {
        const std::string_view name = e->d_name;
        if (name.empty() || name.front() == '.') {
            continue;
        }
        bool isFolder = e->d_type == DT_DIR;
        if (e->d_type == DT_UNKNOWN) {
            struct stat st {};
            isFolder = ::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0
                       && S_ISDIR(st.st_mode);
        }
        const bool kept = keep(name);
        entries.push_back({std::string(name), isFolder, kept,
                           kept && stamp ? FileStamp::at(::dirfd(d), e->d_name) : std::nullopt});
    }
    ::closedir(d);
    return entries;
}

void walk(const std::string& dir, const std::function<bool(std::string_view)>& keep,
          std::vector<std::string>& out, std::vector<std::optional<FileStamp>>* stamps) {
    for (Entry& entry : listFolder(dir, keep, stamps != nullptr)) {
        std::string path = dir + "/" + entry.name;
        if (entry.kept) {
            out.push_back(path);
            if (stamps != nullptr) {
                stamps->push_back(std::move(entry.stamp));
            }
        }
        if (entry.isFolder) {
            walk(path, keep, out, stamps);
        }
    }
}

}  // namespace

std::vector<std::string> walkFiles(const std::filesystem::path& root,
                                   const std::function<bool(std::string_view)>& keep,
                                   std::vector<std::optional<FileStamp>>* stamps) {
    std::vector<std::string> out;
    std::string top = root.string();
    while (top.size() > 1 && top.back() == '/') {
        top.pop_back();
    }
    walk(top, keep, out, stamps);
    return out;
}

}  // namespace tavrik::detail
