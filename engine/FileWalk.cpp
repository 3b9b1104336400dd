#include "engine/internal/FileWalk.h"

#include "engine/internal/Threads.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <variant>

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
            isFolder = ::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0
                       && S_ISDIR(st.st_mode);
        }
        entries.push_back({std::string(name), isFolder});
    }
    ::closedir(d);
    return entries;
}

// The kept paths in walk order, and for each the folder it was listed in.
struct Walk {
    std::vector<std::string> paths;
    std::vector<std::string> folders;
    std::vector<std::size_t> folderOf;
};

void walk(const std::string& dir, const std::function<bool(std::string_view)>& keep, Walk& out) {
    const std::size_t folder = out.folders.size();
    out.folders.push_back(dir);
    for (const Entry& entry : listFolder(dir)) {
        std::string path = dir + "/" + entry.name;
        if (keep(entry.name)) {
            out.paths.push_back(path);
            out.folderOf.push_back(folder);
        }
        if (entry.isFolder) {
            walk(path, keep, out);
        }
    }
}

// Stamps every path, a folder at a time on each thread: the file is found by its name in the
// open folder, which spares the kernel resolving the whole path again for every file.
std::vector<std::optional<FileStamp>> stampAll(const Walk& w, unsigned threads) {
    std::vector<std::vector<std::size_t>> members(w.folders.size());
    for (std::size_t i = 0; i < w.paths.size(); ++i) {
        members[w.folderOf[i]].push_back(i);
    }
    std::vector<std::optional<FileStamp>> stamps(w.paths.size());
    forEachIndex<std::monostate>(members.size(), threads, [&](std::size_t k, std::monostate&) {
        if (members[k].empty()) {
            return;
        }
        const int fd = ::open(w.folders[k].c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (const std::size_t i : members[k]) {
            stamps[i] = fd >= 0 ? FileStamp::at(fd, w.paths[i].c_str() + w.folders[k].size() + 1)
                                : FileStamp::of(w.paths[i]);
        }
        if (fd >= 0) {
            ::close(fd);
        }
    });
    return stamps;
}

}  // namespace

std::vector<std::string> walkFiles(const std::filesystem::path& root,
                                   const std::function<bool(std::string_view)>& keep,
                                   std::vector<std::optional<FileStamp>>* stamps,
                                   unsigned threads) {
    Walk w;
    std::string top = root.string();
    while (top.size() > 1 && top.back() == '/') {
        top.pop_back();
    }
    walk(top, keep, w);
    if (stamps != nullptr) {
        auto found = stampAll(w, threads);
        stamps->insert(stamps->end(), std::make_move_iterator(found.begin()),
                       std::make_move_iterator(found.end()));
    }
    return std::move(w.paths);
}

}  // namespace tavrik::detail
