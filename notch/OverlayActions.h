#pragma once

// OverlayActions: what the overlay's buttons and the click on its number do. The application
// fills it and it reaches the view unchanged, so a new button is a field here, a row in the
// view's button table and the application's handler.

#include <functional>

namespace tavrik {

// Called on the main thread; an action that is not set does nothing.
struct OverlayActions {
    std::function<void()> download;   // save the card
    std::function<void()> copy;       // copy the card
    std::function<void()> refresh;    // ask for a refresh
    std::function<void()> cycle;      // show the next wing statistic
    std::function<void()> configure;  // open the settings
};

}  // namespace tavrik
