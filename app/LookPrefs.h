#pragma once

// readLook: the user's visual settings read into a Look, the one place the drawing modules'
// inputs come from the settings store. The application reads it when a build is applied or a
// setting changed; the command line's render modes read it once.

#include "theme/Look.h"

namespace tavrik {

// Returns the stored accent, card background, sprite, overlay shape and wing statistic; a
// stored index beyond a list is clamped to it.
Look readLook();

}  // namespace tavrik
