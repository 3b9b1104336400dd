#pragma once

// Application: starting the tray application when the command line names no mode. One
// instance per user: a second start finds the first one's lock in the runtime folder and
// exits quietly with status 0, leaving the running one alone.

#include "app/AppDelegate.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tavrik::Application {

// Returns whether "--debug" is any element of args, the program's own path included.
bool debugLogging(const std::vector<std::string>& args);

// Returns the platform plugin to ask Qt for, or nothing to keep Qt's own choice. On a Wayland
// session with XWayland (DISPLAY set) the application runs as an X client, because a Wayland
// client cannot place its window at the top of the screen; a QT_QPA_PLATFORM chosen by the
// user is always kept. Null arguments stand for unset variables.
std::optional<std::string> platformOverride(const char* qtQpaPlatform, const char* waylandDisplay,
                                            const char* sessionType, const char* display);

// Returns the environment variables, name and value, that the application sets while it
// connects to the display and removes right after, so the programs it starts never inherit
// them: the platform of platformOverride, and QT_XCB_NO_MITSHM, because X shared memory costs
// more than it saves for windows as small as ours that repaint a few pixels several times a
// second. A variable the user has set is left out. lookup reads the environment.
std::vector<std::pair<std::string, std::string>> startEnvironment(
    const std::function<const char*(const char*)>& lookup);

// Returns the one-line reason the tray application cannot start, or nothing when it can: Qt
// ends the process with an abort when its platform cannot connect, so the X display (the
// platform we ask for, or Qt's default) is tried first. A platform other than X chosen by the
// user is left to Qt. lookup reads the environment.
std::optional<std::string> displayProblem(const std::function<const char*(const char*)>& lookup);

// Returns the options of the user's own session: the default log folders and cache folder,
// the Desktop, the file manager, the notch overlay, the settings window, the card and the
// upload. Needs the QApplication.
AppOptions userOptions(bool debugLogging);

// Returns the path of the per-user instance lock, in the runtime folder.
std::string instanceLockPath();

// Runs the application until the user quits; returns the exit status (0).
int run(int argc, char** argv);

}  // namespace tavrik::Application
