// Where everything sits in the settings window, and what an offscreen render of it looks
// like. Set TAVRIK_SCREENSHOT_DIR to keep the renders as PNG files.

#include "tests/settings/SettingsTestSupport.h"
#include "theme/Font.h"
#include "theme/Theme.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRect>
#include <QScrollArea>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavrik::test {
namespace {

QRect frameIn(const QWidget* w, const QWidget* content) {
    return QRect(w->mapTo(content, QPoint(0, 0)), w->size());
}

void keep(const QImage& image, const char* name) {
    const QByteArray dir = qgetenv("TAVRIK_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        image.save(QString::fromUtf8(dir) + "/" + name, "PNG");
    }
}

// Counts the pixels of rect whose colour is within tolerance of color.
int pixelsNear(const QImage& image, const QRect& rect, const QColor& color, int tolerance = 40) {
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor p = image.pixelColor(x, y);
            if (std::abs(p.red() - color.red()) + std::abs(p.green() - color.green())
                    + std::abs(p.blue() - color.blue())
                <= tolerance) {
                ++n;
            }
        }
    }
    return n;
}

using Layout = SettingsWindowTest;

TEST_F(Layout, HeadersFallAtTheDocumentedHeights) {
    open();
    const auto& headers = c().headers;
    ASSERT_EQ(headers.size(), 5u);
    const std::vector<std::pair<std::string, int>> expected = {{"NOTCH", 20},
                                                               {"CARD", 160},
                                                               {"NOTCH SHAPE & ALIGNMENT", 232},
                                                               {"PRIVACY", 474},
                                                               {"ACCOUNT", 572}};
    for (std::size_t i = 0; i < headers.size(); ++i) {
        EXPECT_EQ(headers[i]->text().toStdString(), expected[i].first);
        EXPECT_EQ(headers[i]->geometry(), QRect(24, expected[i].second, 412, 16));
        EXPECT_EQ(headers[i]->font().pixelSize(), 11);
        EXPECT_EQ(headers[i]->font().weight(), QFont::DemiBold);
    }
}

TEST_F(Layout, ControlsSitInTheirRows) {
    open();
    const QWidget* content = window->contentView();
    EXPECT_EQ(frameIn(c().notchRightStatPopup, content), QRect(246, 44, 190, 24));
    EXPECT_EQ(frameIn(c().notchSpritePopup, content), QRect(246, 78, 190, 24));
    EXPECT_EQ(frameIn(c().accentPopup, content), QRect(246, 112, 190, 24));
    EXPECT_EQ(frameIn(c().cardStylePopup, content), QRect(246, 184, 190, 24));
    // The five steppers: − at the left of the 190-point box, the value, + at the right.
    const int stepperY[] = {256, 290, 324, 358, 392};
    const QPushButton* minus[] = {c().flareMinus, c().roundMinus, c().widthMinus, c().xMinus,
                                  c().heightMinus};
    const QPushButton* plus[] = {c().flarePlus, c().roundPlus, c().widthPlus, c().xPlus,
                                 c().heightPlus};
    const QLabel* value[] = {c().flareLabel, c().roundLabel, c().widthLabel, c().xOffsetLabel,
                             c().heightLabel};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(frameIn(minus[i], content), QRect(246, stepperY[i], 32, 24));
        EXPECT_EQ(minus[i]->text(), QString(QChar(0x2212)));
        EXPECT_EQ(frameIn(value[i], content), QRect(282, stepperY[i] + 4, 118, 16));
        EXPECT_TRUE(value[i]->alignment() & Qt::AlignHCenter);
        EXPECT_EQ(frameIn(plus[i], content), QRect(404, stepperY[i], 32, 24));
        EXPECT_EQ(plus[i]->text(), "+");
    }
    EXPECT_EQ(frameIn(c().resetButton, content), QRect(24, 426, 412, 24));
    EXPECT_EQ(frameIn(c().leaderboardCheckbox, content), QRect(24, 498, 412, 20));
    EXPECT_EQ(frameIn(c().privateModeCheckbox, content), QRect(24, 528, 412, 20));
    EXPECT_EQ(frameIn(c().accountStatusLabel, content), QRect(24, 596, 412, 18));
    EXPECT_EQ(frameIn(c().emailRowViews[0], content), QRect(24, 627, 50, 16));
    EXPECT_EQ(frameIn(c().emailField, content), QRect(78, 624, 262, 22));
    EXPECT_EQ(frameIn(c().sendCodeButton, content), QRect(346, 624, 90, 22));
    EXPECT_EQ(frameIn(c().codeRowViews[0], content), QRect(24, 659, 50, 16));
    EXPECT_EQ(frameIn(c().codeField, content), QRect(78, 656, 262, 22));
    EXPECT_EQ(frameIn(c().verifyButton, content), QRect(346, 656, 90, 22));
    EXPECT_EQ(frameIn(c().signOutButton, content), QRect(24, 688, 412, 24));
    EXPECT_EQ(frameIn(c().syncNowButton, content), QRect(24, 722, 412, 24));
    EXPECT_EQ(frameIn(c().lastSyncLabel, content), QRect(24, 756, 412, 16));
    EXPECT_EQ(frameIn(c().accountErrorLabel, content), QRect(24, 782, 412, 16));
}

TEST_F(Layout, TitlesAndPlaceholders) {
    open();
    EXPECT_EQ(window->window()->windowTitle(), "Tavrik Settings");
    EXPECT_EQ(c().resetButton->text(), "Reset shape && alignment");  // shows one "&"
    EXPECT_EQ(c().leaderboardCheckbox->text(), "Join the leaderboard");
    EXPECT_EQ(c().privateModeCheckbox->text(), "Private mode (nothing leaves this computer)");
    EXPECT_EQ(c().sendCodeButton->text(), "Send code");
    EXPECT_EQ(c().verifyButton->text(), "Verify");
    EXPECT_EQ(c().signOutButton->text(), "Sign out");
    EXPECT_EQ(c().syncNowButton->text(), "Sync now");
    EXPECT_EQ(c().codeField->placeholderText(), "6-digit code");
    EXPECT_TRUE(c().emailField->placeholderText().contains('@'));
}

TEST_F(Layout, TheContentIsTallerThanTheWindowAndScrolls) {
    open();
    EXPECT_EQ(window->contentView()->size(), QSize(460, 816));
    QWidget* w = window->window();
    EXPECT_EQ(w->size(), QSize(460, 560));
    EXPECT_EQ(w->minimumSize(), QSize(460, 300));
    EXPECT_EQ(w->maximumWidth(), 460);
    EXPECT_EQ(window->scrollArea()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    w->show();
    drainEvents();
    EXPECT_EQ(window->scrollArea()->verticalScrollBar()->maximum(),
              816 - window->scrollArea()->viewport()->height());
    // The scroll bar covers only the right margin: every control stays in view.
    EXPECT_GE(window->scrollArea()->viewport()->width(), 436);
    w->hide();
}

TEST_F(Layout, TextUsesThePixelFontWhereItShould) {
    open();
    if (!Font::available()) {
        GTEST_SKIP() << "Departure Mono is not in the resource folder; run scripts/setup.sh";
    }
    for (const QWidget* w : {static_cast<const QWidget*>(c().flareLabel),
                             static_cast<const QWidget*>(c().accountStatusLabel),
                             static_cast<const QWidget*>(c().emailField),
                             static_cast<const QWidget*>(c().emailRowViews[0])}) {
        EXPECT_EQ(QFontInfo(w->font()).family(), "Departure Mono");
        EXPECT_EQ(w->font().pixelSize(), 12);
    }
    EXPECT_EQ(QFontInfo(c().lastSyncLabel->font()).family(), "Departure Mono");
    EXPECT_EQ(c().lastSyncLabel->font().pixelSize(), 11);
    EXPECT_EQ(c().accountErrorLabel->font().pixelSize(), 11);
    EXPECT_NE(QFontInfo(c().headers[0]->font()).family(), "Departure Mono");
}

TEST_F(Layout, TheRenderIsDarkWithMutedHeadersAndLightText) {
    signInStored();
    open();
    c().syncNowButton->click();  // no statistics: puts an amber line on screen
    const QImage content = window->contentView()->grab().toImage();
    keep(content, "settings-content.png");
    ASSERT_EQ(content.size(), QSize(460, 816));
    EXPECT_EQ(content.pixelColor(4, 4), Theme::bg);
    EXPECT_EQ(content.pixelColor(455, 810), Theme::bg);
    EXPECT_EQ(content.pixelColor(12, 300), Theme::bg);
    // Header text in the muted colour, row labels in the light one, the error in amber.
    EXPECT_GT(pixelsNear(content, QRect(24, 20, 100, 16), Theme::muted), 10);
    EXPECT_GT(pixelsNear(content, QRect(24, 48, 200, 16), Theme::fg), 10);
    EXPECT_GT(pixelsNear(content, QRect(24, 782, 300, 16), Theme::amber), 10);
    // The pop-ups and buttons are drawn dark, not in a light desktop theme.
    const QRect popup(250, 48, 150, 16);
    EXPECT_LT(pixelsNear(content, popup, QColor(255, 255, 255), 60),
              popup.width() * popup.height() / 10);

    QWidget* w = window->window();
    w->show();
    drainEvents();
    const QImage whole = w->grab().toImage();
    keep(whole, "settings-window.png");
    EXPECT_EQ(whole.size(), QSize(460, 560));
    EXPECT_EQ(whole.pixelColor(4, 4), Theme::bg);
    w->hide();
}

TEST_F(Layout, EachStateRendersWithoutTheHiddenRows) {
    open();
    keep(window->contentView()->grab().toImage(), "settings-signed-out.png");
    server.enqueue(ScriptedResponse::json(200, "{}"));
    c().emailField->setText("ada@example.org");
    c().sendCodeButton->click();
    ASSERT_TRUE(waitForRequests(1));
    const QImage codeSent = window->contentView()->grab().toImage();
    keep(codeSent, "settings-code-sent.png");
    // The e-mail row is hidden: only background where its field was.
    EXPECT_EQ(pixelsNear(codeSent, QRect(78, 624, 262, 22), Theme::bg, 0), 262 * 22);
    EXPECT_LT(pixelsNear(codeSent, QRect(78, 656, 262, 22), Theme::bg, 0), 262 * 22);
}

}  // namespace
}  // namespace tavrik::test
