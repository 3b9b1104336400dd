#pragma once

// FileReveal: shows a file in the user's file manager. Asks the session's file manager over
// D-Bus (org.freedesktop.FileManager1.ShowItems), which opens the folder with the file
// selected; when no file manager answers, or the file does not exist, opens the folder with
// the desktop's default handler instead. Returns at once; main thread only.

#include <filesystem>

namespace tavrik::FileReveal {

void reveal(const std::filesystem::path& file);

}  // namespace tavrik::FileReveal
