#pragma once

// The directory walk both log finders share.

#include "engine/ParseCache.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrik::detail {

// Returns the paths of the entries below root whose name satisfies keep, depth first in
// readdir order (a folder's contents right after the folder). Hidden entries (names starting
// with ".") are skipped and neither listed nor entered; symlinked folders are listed by name
// but not entered. Folders that cannot be read are skipped and the walk goes on. With stamps,
// each listed entry's stamp (FileStamp::of, following symlinks) is appended to it, read on up
// to `threads` threads once the tree is listed.
std::vector<std::string> walkFiles(const std::filesystem::path& root,
                                   const std::function<bool(std::string_view name)>& keep,
                                   std::vector<std::optional<FileStamp>>* stamps = nullptr,
                                   unsigned threads = 1);

// Returns whether the name's extension is exactly "jsonl".
inline bool hasJsonlExtension(std::string_view name) {
    constexpr std::string_view ext = ".jsonl";
    return name.size() > ext.size() && name.ends_with(ext);
}

}  // namespace tavrik::detail
