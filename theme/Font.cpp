#include "theme/Font.h"

#include "theme/Resources.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QString>

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
    registerFont();
    return QFontDatabase::hasFamily(familyName());
}

QFont pixel(int px) {
    if (!available()) {
        return fixedSystem(px);
    }
    QFont font(familyName());
    font.setPixelSize(px);
    font.setWeight(QFont::Normal);
    font.setStyle(QFont::StyleNormal);
    if (px >= crispFromPx) {
        font.setStyleStrategy(QFont::NoAntialias);
    }
    return font;
}

QFont fixedSystem(int px) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(px);
    font.setWeight(QFont::Normal);
    font.setStyle(QFont::StyleNormal);
    return font;
}

}  // namespace tavrik::Font
