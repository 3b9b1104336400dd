#pragma once

// NotchContentView: the only view of the overlay window. Collapsed, a 32-point black strip
// with an animated pixel sprite in the left wing and one statistic in the right wing; on hover
// it asks its owner to expand, and expanded it shows the share card, four buttons
// ("Download", "Copy", "Refresh", "⚙ Configure") and, while a streak is at risk, an amber
// warning line. Leaving collapses it 0.35 s later unless the pointer comes back.
//
// Coordinates are points, origin top left, y downwards. The shape, sprite, accent and wing
// statistic come from the view's Look, which its owner sets. Main thread only.

#include "engine/Records.h"
#include "notch/OverlayActions.h"
#include "theme/Look.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QLabel;
class QPainterPath;
class QPushButton;

namespace tavrik {

namespace detail {
class CardImageView;
}

// Returns the text of the right wing for a wing statistic (Look::wingStat); 0 and any value
// outside 1 … 6 show the score.
std::string wingValue(const Stats& stats, std::int64_t wingStat);

class NotchContentView final : public QWidget {
public:
    static constexpr double collapsedH = 32;  // collapsed window height
    static constexpr int animationIntervalMs = 180;
    static constexpr int collapseDelayMs = 350;
    static constexpr int frameCount = 12;  // the animation counter runs 0 … 11
    static constexpr int celebrationTicks = 12;

    // Creates the view with the given geometry and starts its animation timer.
    explicit NotchContentView(const QRect& frame, QWidget* parent = nullptr);
    ~NotchContentView() override;

    using Action = std::function<void()> OverlayActions::*;

    void setActions(OverlayActions actions) { m_actions = std::move(actions); }
    // Asks the owner to expand (true) or collapse (false); the owner calls setExpanded.
    void setOnExpandChange(std::function<void(bool)> callback) {
        m_onExpandChange = std::move(callback);
    }

    bool expanded() const { return m_expanded; }
    // Shows or hides the expanded elements, renders the card when there are statistics and
    // sets the protect line.
    void setExpanded(bool expanded);

    const std::optional<Stats>& stats() const { return m_stats; }
    void setStats(std::optional<Stats> stats);

    bool amber() const { return m_amber; }
    void setAmber(bool amber);

    int animFrame() const { return m_animFrame; }
    void setAnimFrame(int frame);

    bool celebrating() const { return m_celebrating; }
    int celebrateFrames() const { return m_celebrateFrames; }
    // Starts a celebration of the given number of ticks.
    void celebrate(int ticks = celebrationTicks);

    const Look& look() const { return m_look; }
    // Draws with look from now on: restyles the buttons and redraws.
    void setLook(const Look& look);

    // Re-renders the card image while expanded with statistics; the protect line is left alone.
    void refreshCard();

    // Starts the 0.18 s animation timer unless it is running.
    void startAnimating();
    // Stops the animation timer.
    void stopAnimating();
    bool isAnimating() const { return m_barTimer.isActive(); }
    // Returns how often the animation timer has been started (it must never run twice).
    int animationStarts() const { return m_animationStarts; }

    // Advances the animation counter and the celebration, then redraws the sprite.
    void tick();

    // Returns the width of the right-hand number in the pixel font at 13, rounded up; 0
    // without statistics.
    double rightStatWidth() const;
    // Returns the right wing: at least 66 wide, at the right end of the body, strip high.
    QRectF rightWingRect() const;

    // Returns the outline the view fills: its bounds with the look's flare and the bottom
    // radius of the current state.
    QPainterPath shapePath() const;

    QWidget* cardView() const;
    QImage cardImage() const;
    // Returns the expanded state's button that runs action, or null when none does.
    QPushButton* button(Action action) const;
    QLabel* protectLabel() const { return m_protectLabel; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void setup();
    void restyleButtons();
    void renderCard();
    void layoutExpanded();
    void onCollapseTimeout();
    void run(Action action);

    OverlayActions m_actions;
    std::function<void(bool)> m_onExpandChange;

    bool m_expanded = false;
    std::optional<Stats> m_stats;
    bool m_amber = false;
    int m_animFrame = 0;
    bool m_celebrating = false;
    int m_celebrateFrames = 0;
    Look m_look;
    int m_animationStarts = 0;

    detail::CardImageView* m_cardView = nullptr;
    std::vector<std::pair<Action, QPushButton*>> m_buttons;  // in the row's order
    QLabel* m_protectLabel = nullptr;

    QTimer m_barTimer;
    QTimer m_collapseTimer;
};

}  // namespace tavrik
