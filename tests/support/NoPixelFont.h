#pragma once

// Spends the process's one registration of the pixel font on a file that does not exist, so
// a test program can check what is drawn without it. Returns false where the family is
// installed system-wide, since its absence cannot be tested there; the caller skips.

#include "theme/Font.h"

#include <QFontDatabase>
#include <QString>

namespace tavrik::test {

inline bool withoutPixelFont() {
    Font::registerFont("/nonexistent/tavrik/DepartureMono-Regular.otf");
    return !QFontDatabase::hasFamily(
        QString::fromLatin1(Font::family.data(), static_cast<qsizetype>(Font::family.size())));
}

}  // namespace tavrik::test
