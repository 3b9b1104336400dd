#include "theme/Font.h"

#include "theme/Resources.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QString>

#include <atomic>
#include <optional>

namespace tavrik::Font {
namespace {

Q_LOGGING_CATEGORY(lcFont, "tavrik.theme", QtInfoMsg)

// From this size on, one pixel of the font's design covers two or more pixels of the
// surface: drawn without antialiasing its edges stay sharp, while smaller sizes would come
// out with uneven one- and two-pixel strokes and keep antialiasing instead.
constexpr int crispFromPx = 22;

bool attempted = false;
int attempts = 0;

QString familyName() {
    return QString::fromLatin1(family.data(), static_cast<qsizetype>(family.size()));
}

void attempt(const std::optional<std::filesystem::path>& file) {
    // The font database exists only once the application object does; an early call must not
    // use up the single attempt.
    if (attempted || QGuiApplication::instance() == nullptr) {
        return;
    }
    attempted = true;
    ++attempts;
    if (!file) {
        qCDebug(lcFont) << "pixel font not found in the resource folders";
        return;
    }
    const int id = QFontDatabase::addApplicationFont(QString::fromStdString(file->string()));
    if (id < 0) {
        qCDebug(lcFont) << "pixel font refused:" << QString::fromStdString(file->string());
    }
}

}  // namespace

void registerFont() {
    if (attempted) {
        return;
    }
    attempt(Resources::bundledFile(bundledFile));
}

void registerFont(const std::filesystem::path& file) {
    attempt(file);
}

int registrationAttempts() {
    return attempts;
}

bool available() {
    // The answer is fixed once the single attempt is made (application fonts are never
    // removed), and asking the font database goes through fontconfig's substitution rules,
    // far too slow for an overlay that draws text several times a second.
    enum : int { unknown, absent, present };
    static std::atomic<int> known{unknown};
    if (const int k = known.load(std::memory_order_relaxed); k != unknown) {
        return k == present;
    }
    registerFont();
    const bool has = QFontDatabase::hasFamily(familyName());
    if (attempted) {
        known.store(has ? present : absent, std::memory_order_relaxed);
    }
    return has;
}

QFont pixel(int px, double devicePixelRatio) {
    if (!available()) {
        return fixedSystem(px);
    }
    QFont font(familyName());
    font.setPixelSize(px);
    font.setWeight(QFont::Normal);
    font.setStyle(QFont::StyleNormal);
    if (px * devicePixelRatio >= crispFromPx) {
        font.setStyleStrategy(QFont::NoAntialias);
    }
    return font;
}

QFont fixedSystem(int px) {
    // fontconfig's "monospace" may resolve to a face Qt does not measure as fixed-pitch (Noto
    // Sans Mono is dual-width), and the pictures are laid out for one: then the first installed
    // family that is fixed-pitch, DejaVu Sans Mono first. Settled once: fontconfig is slow.
    static const QString family = [] {
        const QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        if (QFontInfo(system).fixedPitch()) {
            return QFontInfo(system).family();
        }
        QStringList families = QFontDatabase::families();
        families.prepend(QStringLiteral("DejaVu Sans Mono"));
        for (const QString& f : families) {
            if (QFontDatabase::isFixedPitch(f) && QFontInfo(QFont(f)).fixedPitch()) {
                return f;
            }
        }
        return system.family();
    }();
    QFont font(family);
    font.setPixelSize(px);
    font.setWeight(QFont::Normal);
    font.setStyle(QFont::StyleNormal);
    return font;
}

}  // namespace tavrik::Font
