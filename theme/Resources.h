#pragma once

// Resources: where the files that ship beside the program (the pixel font, the tray logo) are
// found. They live in the folder "Tavrik_Tavrik.bundle" next to the executable (the build puts
// a copy of resources/ there), else in share/tavrik when installed: the one beside the
// executable's bin folder, wherever the installation was put, then the one of the prefix set
// when configuring. This is the one place that knows those locations.

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace tavrik::Resources {

inline constexpr std::string_view bundleName = "Tavrik_Tavrik.bundle";

// Returns the folders searched, in order: the bundle beside the executable, the data folder
// of the installation the executable sits in, then the configured data folder (once when the
// two are the same).
std::vector<std::filesystem::path> searchDirs();

// Returns the first regular file at relative inside one of dirs, or nothing.
std::optional<std::filesystem::path> find(std::string_view relative,
                                          const std::vector<std::filesystem::path>& dirs);

// Returns the bundled file at relative (such as "fonts/DepartureMono-Regular.otf"), or nothing.
std::optional<std::filesystem::path> bundledFile(std::string_view relative);

}  // namespace tavrik::Resources
