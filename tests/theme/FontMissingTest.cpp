// Runs in a process of its own: the pixel font may be registered only once per process, and
// here that one attempt is spent on a file that does not exist.

#include "tests/support/GuiApp.h"
#include "tests/support/NoPixelFont.h"
#include "theme/Font.h"

#include <QFontInfo>

#include <gtest/gtest.h>

namespace {

using namespace tavrik;

// The failed attempt is never retried, and the system's fixed-pitch font stands in, even where
// fontconfig's "monospace" is proportional.
TEST(FontMissing, FallsBackToTheSystemFixedFontWithoutRetrying) {
    test::guiApp();
    if (!test::withoutPixelFont()) {
        GTEST_SKIP() << "Departure Mono is installed system-wide; cannot test its absence";
    }
    Font::registerFont();  // would find the bundled font, but the one attempt is spent
    EXPECT_FALSE(Font::available());
    EXPECT_EQ(Font::registrationAttempts(), 1);
    const QFont font = Font::pixel(42);
    EXPECT_EQ(QFontInfo(font).family(), QFontInfo(Font::fixedSystem(42)).family());
    EXPECT_TRUE(QFontInfo(font).fixedPitch());
}

}  // namespace
