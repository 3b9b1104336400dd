#include "app/LookPrefs.h"

#include "prefs/Prefs.h"
#include "theme/Sprites.h"

namespace tavrik {

Look readLook() {
    using Prefs::Key;
    const auto accents = Accent::all();
    Look look;
    look.accent = accents[Prefs::index(Key::accentTheme, accents.size())];
    look.background = Theme::cardBackgroundFor(Prefs::integer(Key::cardBackground));
    look.sprite = Prefs::index(Key::spriteKind, Sprites::all().size());
    look.shape.widthOffset = static_cast<double>(Prefs::integer(Key::notchWidthOffset));
    look.shape.heightOffset = static_cast<double>(Prefs::integer(Key::notchHeightOffset));
    look.shape.xOffset = static_cast<double>(Prefs::integer(Key::notchXOffset));
    look.shape.flare = Prefs::real(Key::notchFlare);
    look.shape.bottomRadius = Prefs::real(Key::notchRound);
    look.wingStat = Prefs::wingStat();
    return look;
}

}  // namespace tavrik
