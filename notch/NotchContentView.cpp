#include "notch/NotchContentView.h"

#include "card/CardRenderer.h"
#include "engine/Fmt.h"
#include "notch/NotchShape.h"
#include "notch/NotchStyle.h"
#include "theme/Font.h"
#include "theme/Sprites.h"
#include "theme/Theme.h"

#include <QEnterEvent>
#include <QFontMetricsF>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QString>

#include <algorithm>
#include <cmath>
#include <utility>

namespace tavrik {

namespace detail {

// The card picture: scaled proportionally into the view, its corners rounded and clipped.
class CardImageView final : public QWidget {
public:
    explicit CardImageView(QWidget* parent) : QWidget(parent) {}

    const QImage& image() const { return m_image; }
    void setImage(QImage image) {
        m_image = std::move(image);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (m_image.isNull()) {
            return;
        }
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        const QSizeF fitted = QSizeF(m_image.size()).scaled(QSizeF(size()), Qt::KeepAspectRatio);
        const QRectF target((width() - fitted.width()) / 2, (height() - fitted.height()) / 2,
                            fitted.width(), fitted.height());
        QPainterPath clip;
        clip.addRoundedRect(target, cornerRadius, cornerRadius);
        p.setClipPath(clip);
        p.drawImage(target, m_image);
    }

private:
    static constexpr double cornerRadius = 8;
    QImage m_image;
};

}  // namespace detail

namespace {

constexpr double spriteBoxWidth = 34;  // the left wing's sprite box
constexpr double spriteInset = 4;      // from the body's left edge
constexpr int numberPx = 13;
constexpr int buttonPx = 12;
constexpr int protectPx = 11;
constexpr QColor expandedRim{26, 29, 38};
constexpr QColor buttonFill{20, 22, 29};

// Layout of the expanded state, points.
constexpr double cardMargin = 14;
constexpr double cardGap = 6;  // below the strip
constexpr double buttonGap = 8;
constexpr double buttonHeight = 30;
constexpr double protectHeight = 16;

// The expanded state's buttons, left to right.
const struct {
    const char* title;  // UTF-8
    NotchContentView::Action action;
} buttonRow[] = {
    {"Download", &OverlayActions::download},
    {"Copy", &OverlayActions::copy},
    {"Refresh", &OverlayActions::refresh},
    {"\u2699 Configure", &OverlayActions::configure},
};

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

std::string decimal(std::int64_t v) {
    return std::to_string(v);
}

QRect toRect(const QRectF& r) {
    return QRect(static_cast<int>(std::lround(r.x())), static_cast<int>(std::lround(r.y())),
                 static_cast<int>(std::lround(r.width())),
                 static_cast<int>(std::lround(r.height())));
}

// The left wing's box, which every sprite fits with room to spare (at most 10 × 8 cells of
// 2.5 points), so the animation can repaint just this box.
QRectF spriteBox(double flare) {
    return {flare + spriteInset, 0, spriteBoxWidth, NotchContentView::collapsedH};
}

// The right wing for a number of the given width: at least 66 wide, ending where the body
// ends.
QRectF wingRect(double viewWidth, double flare, double numberWidth) {
    const double w =
        std::max(numberWidth + NotchGeometry::wingPadding, NotchGeometry::minWingWidth);
    return {viewWidth - flare - w, 0, w, NotchContentView::collapsedH};
}

}  // namespace

std::string wingValue(const Stats& stats, std::int64_t wingStat) {
    switch (wingStat) {
        case 1:
            return "+" + Fmt::num(static_cast<double>(stats.todayLinesAdded));
        case 2:
            return Fmt::money(stats.todayCost);
        case 3:
            return decimal(std::max<std::int64_t>(stats.streakCurrent, 0)) + "d";
        case 4:
            return Fmt::num(static_cast<double>(stats.linesAdded + stats.linesRemoved));
        case 5:
            return Fmt::money(stats.cost);
        case 6:
            return Fmt::num(static_cast<double>(stats.sessions));
        default:
            return decimal(stats.crackedScore);
    }
}

NotchContentView::NotchContentView(const QRect& frame, QWidget* parent)
    : QWidget(parent), m_barTimer(this), m_collapseTimer(this) {
    setGeometry(frame);
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
    m_barTimer.setObjectName(QStringLiteral("barTimer"));
    m_barTimer.setInterval(animationIntervalMs);
    m_barTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_barTimer, &QTimer::timeout, this, &NotchContentView::tick);
    m_collapseTimer.setObjectName(QStringLiteral("collapseTimer"));
    m_collapseTimer.setSingleShot(true);
    m_collapseTimer.setInterval(collapseDelayMs);
    connect(&m_collapseTimer, &QTimer::timeout, this, &NotchContentView::onCollapseTimeout);
    setup();
    startAnimating();
}

NotchContentView::~NotchContentView() = default;

void NotchContentView::setup() {
    m_cardView = new detail::CardImageView(this);
    m_cardView->setObjectName(QStringLiteral("cardView"));
    m_cardView->hide();

    for (const auto& [title, action] : buttonRow) {
        auto* button = new QPushButton(QString::fromUtf8(title), this);
        button->setObjectName(button->text());
        button->setFlat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setCursor(Qt::PointingHandCursor);
        connect(button, &QPushButton::clicked, this, [this, a = action] { run(a); });
        button->hide();
        m_buttons.emplace_back(action, button);
    }
    restyleButtons();

    m_protectLabel = new QLabel(this);
    m_protectLabel->setObjectName(QStringLiteral("protectLabel"));
    m_protectLabel->setFont(Font::pixel(protectPx));
    QPalette palette = m_protectLabel->palette();
    palette.setColor(QPalette::WindowText, Theme::amber);
    m_protectLabel->setPalette(palette);
    m_protectLabel->setAttribute(Qt::WA_TranslucentBackground);
    m_protectLabel->setTextInteractionFlags(Qt::NoTextInteraction);
    m_protectLabel->hide();
}

void NotchContentView::restyleButtons() {
    const QColor accent = m_look.accent.color;
    for (const auto& [action, button] : m_buttons) {
        button->setFont(Font::pixel(buttonPx));
        button->setStyleSheet(
            QStringLiteral("QPushButton { background-color: rgb(%1, %2, %3); border: none;"
                           " border-radius: 6px; color: %4; }")
                .arg(buttonFill.red())
                .arg(buttonFill.green())
                .arg(buttonFill.blue())
                .arg(accent.name(QColor::HexRgb)));
    }
}

QPushButton* NotchContentView::button(Action action) const {
    for (const auto& [a, button] : m_buttons) {
        if (a == action) {
            return button;
        }
    }
    return nullptr;
}

void NotchContentView::setExpanded(bool expanded) {
    m_expanded = expanded;
    m_cardView->setVisible(expanded);
    for (const auto& [action, button] : m_buttons) {
        button->setVisible(expanded);
    }
    if (expanded && m_stats) {
        renderCard();
        m_protectLabel->setVisible(m_amber);
        if (m_amber) {
            m_protectLabel->setText(qs("protect your " + decimal(m_stats->streakCurrent)
                                       + "d streak \u2014 you haven't shipped today"));
        }
    } else {
        m_protectLabel->hide();
    }
    layoutExpanded();
    update();
}

void NotchContentView::setStats(std::optional<Stats> stats) {
    m_stats = std::move(stats);
    update();
}

void NotchContentView::setAmber(bool amber) {
    m_amber = amber;
    update();
}

void NotchContentView::setAnimFrame(int frame) {
    m_animFrame = ((frame % frameCount) + frameCount) % frameCount;
    update();
}

void NotchContentView::celebrate(int ticks) {
    m_celebrating = ticks > 0;
    m_celebrateFrames = std::max(ticks, 0);
    update();
}

void NotchContentView::setLook(const Look& look) {
    m_look = look;
    restyleButtons();
    refreshCard();
    layoutExpanded();
    update();
}

void NotchContentView::refreshCard() {
    if (m_expanded && m_stats) {
        renderCard();
    }
}

void NotchContentView::renderCard() {
    m_cardView->setImage(CardRenderer::render(*m_stats, m_look));
}

void NotchContentView::startAnimating() {
    if (m_barTimer.isActive()) {
        return;
    }
    ++m_animationStarts;
    m_barTimer.start();
}

void NotchContentView::stopAnimating() {
    m_barTimer.stop();
}

void NotchContentView::tick() {
    m_animFrame = (m_animFrame + 1) % frameCount;
    if (m_celebrating) {
        m_celebrateFrames -= 1;
        if (m_celebrateFrames < 1) {
            m_celebrating = false;
        }
    }
    // Only the sprite moves, and the celebration changes only its colours: repainting the
    // rest of the overlay several times a second would cost most of the idle time.
    update(spriteBox(NotchStyle::flare(m_look.shape)).toAlignedRect());
}

double NotchContentView::rightStatWidth() const {
    if (!m_stats) {
        return 0;
    }
    const QFontMetricsF metrics(Font::pixel(numberPx));
    return std::ceil(metrics.horizontalAdvance(qs(wingValue(*m_stats, m_look.wingStat))));
}

QRectF NotchContentView::rightWingRect() const {
    return wingRect(width(), NotchStyle::flare(m_look.shape), rightStatWidth());
}

QPainterPath NotchContentView::shapePath() const {
    return NotchShape::path(QRectF(rect()), NotchStyle::bottomRadius(m_look.shape, m_expanded),
                            NotchStyle::flare(m_look.shape));
}

QWidget* NotchContentView::cardView() const {
    return m_cardView;
}

QImage NotchContentView::cardImage() const {
    return m_cardView->image();
}

void NotchContentView::paintEvent(QPaintEvent* event) {
    const double f = NotchStyle::flare(m_look.shape);
    const AccentTheme& accent = m_look.accent;

    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setRenderHint(QPainter::Antialiasing);

    const QPainterPath shape = shapePath();
    p.fillPath(shape, Qt::black);
    if (m_expanded) {
        p.strokePath(shape, QPen(expandedRim, 1));
    }

    const SpriteDef& sprite = Sprites::at(m_look.sprite);
    const double cell = Sprites::cellPt;
    const QRectF box = spriteBox(f);
    const QPointF topLeft(box.x() + (box.width() - sprite.cols * cell) / 2,
                          (collapsedH - sprite.rows * cell) / 2);
    Sprites::draw(p, sprite, m_animFrame, topLeft, cell,
                  Sprites::colors(m_celebrating, m_amber, accent));

    if (!m_stats) {
        return;
    }
    const QString text = qs(wingValue(*m_stats, m_look.wingStat));
    // Antialiasing is decided in device pixels: at twice the scale the number is crisp.
    const QFont font = Font::pixel(numberPx, p.device()->devicePixelRatioF());
    const QFontMetricsF metrics(font);
    const double textWidth = metrics.horizontalAdvance(text);
    const QRectF wing = wingRect(width(), f, std::ceil(textWidth));
    // The animation repaints only the sprite's box, which the wing seldom reaches.
    if (!wing.intersects(QRectF(event->rect()))) {
        return;
    }
    const double top = (collapsedH - metrics.height()) / 2;
    p.setFont(font);
    p.setPen(m_amber ? Theme::amber : accent.color);
    p.drawText(QPointF(wing.center().x() - textWidth / 2, top + metrics.ascent()), text);
}

void NotchContentView::resizeEvent(QResizeEvent*) {
    layoutExpanded();
}

void NotchContentView::layoutExpanded() {
    if (!m_expanded) {
        return;
    }
    const double f = NotchStyle::flare(m_look.shape);
    const QRectF inner(f, 0, width() - 2 * f, height());
    const double cw = inner.width() - 2 * cardMargin;
    const double ch = cw * CardRenderer::H / CardRenderer::W;
    const double cardTop = collapsedH + cardGap;
    m_cardView->setGeometry(toRect(QRectF(inner.left() + cardMargin, cardTop, cw, ch)));
    const auto n = static_cast<double>(m_buttons.size());
    const double bw = (cw - (n - 1) * buttonGap) / n;
    const double by = cardTop + ch + 10;
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        const double x = inner.left() + cardMargin + static_cast<double>(i) * (bw + buttonGap);
        m_buttons[i].second->setGeometry(toRect(QRectF(x, by, bw, buttonHeight)));
    }
    m_protectLabel->setGeometry(
        toRect(QRectF(inner.left() + cardMargin, by + 38, cw, protectHeight)));
}

void NotchContentView::enterEvent(QEnterEvent*) {
    m_collapseTimer.stop();
    if (m_onExpandChange) {
        m_onExpandChange(true);
    }
}

void NotchContentView::leaveEvent(QEvent*) {
    // Restarting replaces any collapse already pending.
    m_collapseTimer.start();
}

void NotchContentView::onCollapseTimeout() {
    if (m_onExpandChange) {
        m_onExpandChange(false);
    }
}

void NotchContentView::mousePressEvent(QMouseEvent* event) {
    if (!m_expanded && rightWingRect().contains(event->position())) {
        run(&OverlayActions::cycle);
    }
}

void NotchContentView::run(Action action) {
    // A button opening a window under the pointer must not see the overlay collapse under it.
    m_collapseTimer.stop();
    if (m_actions.*action) {
        (m_actions.*action)();
    }
}

}  // namespace tavrik
