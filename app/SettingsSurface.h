#pragma once

// SettingsSurface: what the application needs from the settings window. The window calls the
// change callback after every setting it writes; the application answers by re-rendering the
// overlay and the menu. Main thread only.

#include "engine/Records.h"

#include <functional>
#include <optional>

namespace tavrik {

class SettingsSurface {
public:
    using StatsProvider = std::function<std::optional<Stats>()>;

    virtual ~SettingsSurface() = default;

    // Sets the callback run after any setting was written.
    virtual void setOnChange(std::function<void()> onChange) = 0;
    // Sets where the window gets the current statistics (absent before the first).
    virtual void setStatsProvider(StatsProvider provider) = 0;
    // Reloads the controls and the account state, then shows the window centred, in front,
    // with the focus.
    virtual void open() = 0;
};

}  // namespace tavrik
