#pragma once

// The command-line modes. Each prints to standard output and returns the exit status: 0,
// except when "--card" cannot render or write its picture or a JSON report holds a figure
// that is not finite (1), when "--board" or "--sync-dry-run" find no leaderboard server or
// cannot read the board (1, with the reason on standard error), and for a bad "--days" (2).
// The text modes never create a
// QApplication; the render modes create one on the offscreen platform.

#include "cli/Args.h"

namespace tavrik::cli {

int runBench(const Args& args);
int runStats(const Args& args);
int runCodex(const Args& args);
int runDaily(const Args& args);
int runSyncDryRun(const Args& args);
// "--board" (BoardMode.cpp); needs no display.
int runBoard(const Args& args);

// Render modes (RenderModes.cpp).
int runCard(const Args& args);

// The overlay's render modes (NotchModes.cpp).
int runSprites(const Args& args);
int runNotchView(const Args& args);
int runNotchCorner(const Args& args);

}  // namespace tavrik::cli
