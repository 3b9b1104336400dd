#include "engine/internal/FileWalk.h"

#include <dirent.h>
#include <sys/stat.h>

namespace tavrik::detail {

namespace {

struct Entry {
    std::string name;
    bool isFolder;
};

// Lists one folder whole before descending, so only one folder is open at any time however
// deep the tree.
std::vector<Entry> listFolder(const std::string& dir) {
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
            isFolder = ::lstat((dir + "/" + e->d_name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        entries.push_back({std::string(name), isFolder});
    }
    ::closedir(d);
    return entries;
}

void walk(const std::string& dir, const std::function<bool(std::string_view)>& keep,
          std::vector<std::string>& out) {
    for (const Entry& entry : listFolder(dir)) {
        std::string path = dir + "/" + entry.name;
        if (keep(entry.name)) {
            out.push_back(path);
        }
        if (entry.isFolder) {
            walk(path, keep, out);
        }
    }
}

}  // namespace

std::vector<std::string> walkFiles(const std::filesystem::path& root,
                                   const std::function<bool(std::string_view)>& keep) {
    std::vector<std::string> out;
    std::string top = root.string();
    while (top.size() > 1 && top.back() == '/') {
        top.pop_back();
    }
    walk(top, keep, out);
    return out;
}

}  // namespace tavrik::detail
