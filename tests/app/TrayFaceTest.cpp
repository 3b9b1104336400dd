// The tray icon's face: the bundled logo, crisp at every size, and the text face without it.

#include "app/TrayFace.h"
#include "tests/app/AppTestSupport.h"
#include "theme/Resources.h"

#include <QPixmap>

#include <gtest/gtest.h>

namespace tavrik {
namespace {

QImage load(const char* name) {
    const auto path = Resources::bundledFile(name);
    return path ? QImage(QString::fromStdString(path->string()))
                      .convertToFormat(QImage::Format_ARGB32_Premultiplied)
                : QImage();
}

// Returns whether every pixel is fully transparent or fully opaque white.
bool onlyWhiteOrClear(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const bool clear = c.alpha() == 0;
            const bool white =
                c.alpha() == 255 && c.red() == 255 && c.green() == 255 && c.blue() == 255;
            if (!clear && !white) {
                return false;
            }
        }
    }
    return true;
}

int opaquePixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += image.pixelColor(x, y).alpha() == 255 ? 1 : 0;
        }
    }
    return n;
}

class TrayFaceTest : public ::testing::Test {
protected:
    void SetUp() override { test::widgetApp(); }
};

TEST_F(TrayFaceTest, EveryIconSizeGetsACrispCentredMark) {
    const QImage logo = load(TrayFace::logoFile);
    const QImage logo2x = load(TrayFace::logo2xFile);
    ASSERT_FALSE(logo.isNull()) << "tavrik-logo-white.png missing from the resource folder";
    EXPECT_GT(opaquePixels(logo), 40);
    for (int size : TrayFace::iconSizes()) {
        const QImage face = TrayFace::logoAt(logo, logo2x, size);
        EXPECT_EQ(face.size(), QSize(size, size));
        EXPECT_TRUE(onlyWhiteOrClear(face)) << size;
        if (size >= 18) {
            const int factor = size / 18;
            EXPECT_EQ(opaquePixels(face), opaquePixels(logo) * factor * factor) << size;
        }
    }
}

// The 2x drawing serves the double size only, and odd sizes keep the mark on whole pixels.
TEST_F(TrayFaceTest, TheDoubleSizeUsesThe2xDrawingAndOtherSizesStayCentred) {
    QImage logo(18, 18, QImage::Format_ARGB32_Premultiplied);
    logo.fill(Qt::white);
    QImage logo2x(36, 36, QImage::Format_ARGB32_Premultiplied);
    logo2x.fill(Qt::white);
    logo2x.setPixelColor(0, 0, Qt::transparent);  // a detail only the 2x drawing has
    const struct {
        QImage twice;
        int size, x, alpha;
    } table[] = {{logo2x, 36, 0, 0},   {logo2x, 54, 0, 255},   {QImage(), 36, 0, 255},
                 {QImage(), 22, 1, 0}, {QImage(), 22, 2, 255}, {QImage(), 22, 19, 255},
                 {QImage(), 22, 20, 0}};
    for (const auto& t : table) {
        EXPECT_EQ(TrayFace::logoAt(logo, t.twice, t.size).pixelColor(t.x, t.x).alpha(), t.alpha)
            << t.size << " at " << t.x;
    }
}

TEST_F(TrayFaceTest, WithoutALogoTheFaceIsTheWordTavrik) {
    EXPECT_FALSE(TrayFace::logoIcon(QImage(), QImage()).has_value());
    const QIcon text = TrayFace::textIcon();
    ASSERT_FALSE(text.isNull());
    const QSize natural = text.availableSizes().value(0);
    EXPECT_GT(natural.width(), natural.height());  // a word, wider than tall
    EXPECT_GT(opaquePixels(text.pixmap(natural).toImage()), 10);
}

}  // namespace
}  // namespace tavrik
