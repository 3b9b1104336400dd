#include "notch/NotchController.h"

#include "notch/NotchContentView.h"
#include "notch/NotchPanel.h"
#include "notch/NotchStyle.h"

#include <QEasingCurve>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>

#include <cstdlib>
#include <utility>

namespace tavrik {
namespace {

// The ease-out timing curve: a cubic Bézier through (0, 0), (0.58, 1) and (1, 1).
QEasingCurve easeOut() {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0, 0), QPointF(0.58, 1), QPointF(1, 1));
    return curve;
}

}  // namespace

NotchController::NotchController() : m_animation(this) {
    const QRect contentFrame(0, 0, static_cast<int>(NotchGeometry::defaultCollapsedWidth),
                             static_cast<int>(NotchGeometry::collapsedHeight));
    m_panel = std::make_unique<NotchPanel>(contentFrame);
    m_content = new NotchContentView(contentFrame, m_panel.get());
    m_panel->setContentView(m_content);

    m_animation.setTargetObject(m_panel.get());
    m_animation.setPropertyName("geometry");
    m_animation.setDuration(animationMs);
    m_animation.setEasingCurve(easeOut());

    // The view may be asked to expand by events queued while the controller goes away.
    QPointer<NotchController> self(this);
    m_content->setOnExpandChange([self](bool expanded) {
        if (self) {
            self->onExpandChange(expanded);
        }
    });

    computeGeometry();
    m_panel->setFrame(qtFrameFor(false));
    watchScreens();
}

void NotchController::watchScreens() {
    // A monitor plugged in or out, or another one made primary: the overlay moves there at
    // once, expanded or not. Queued, so that Qt's list of screens is complete when it runs.
    const auto replace = [this] { refreshLayout(); };
    const auto watch = [this, replace](QScreen* screen) {
        connect(screen, &QScreen::geometryChanged, this, replace, Qt::QueuedConnection);
    };
    for (QScreen* screen : QGuiApplication::screens()) {
        watch(screen);
    }
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    connect(app, &QGuiApplication::screenAdded, this, watch);
    connect(app, &QGuiApplication::screenAdded, this, replace, Qt::QueuedConnection);
    connect(app, &QGuiApplication::screenRemoved, this, replace, Qt::QueuedConnection);
    connect(app, &QGuiApplication::primaryScreenChanged, this, replace, Qt::QueuedConnection);
}

NotchController::~NotchController() {
    m_animation.stop();
}

void NotchController::onExpandChange(bool expanded) {
    if (m_content->expanded() == expanded) {
        return;
    }
    m_content->setExpanded(expanded);
    // Growing and shrinking keep the top centre; when the place itself has moved since (the
    // screens changed), the overlay goes there at once instead of sliding across the desktop.
    const QRect from = m_panel->geometry();
    const QRect to = qtFrameFor(expanded);
    const bool inPlace =
        std::abs(from.center().x() - to.center().x()) <= 1 && from.top() == to.top();
    applyFrame(expanded, inPlace);
}

void NotchController::computeGeometry() {
    computeGeometry(NotchGeometry::currentScreens());
}

void NotchController::computeGeometry(const NotchGeometry::Screens& screens) {
    m_geometry = NotchGeometry::computeGeometry(screens, m_geometry);
}

NotchGeometry::Rect NotchController::frameFor(bool expanded) const {
    return NotchGeometry::frameFor(expanded, m_geometry,
                                   NotchStyle::adjustments(m_content->look().shape),
                                   m_content->rightStatWidth());
}

QRect NotchController::qtFrameFor(bool expanded) const {
    return NotchGeometry::toGlobalQt(frameFor(expanded), NotchGeometry::primaryBottomQt());
}

void NotchController::applyFrame(bool expanded, bool animated) {
    const QRect frame = qtFrameFor(expanded);
    m_animation.stop();
    if (!animated) {
        m_panel->setFrame(frame);
        return;
    }
    m_animation.setStartValue(m_panel->geometry());
    m_animation.setEndValue(frame);
    m_animation.start();
}

bool NotchController::isAnimating() const {
    return m_animation.state() == QAbstractAnimation::Running;
}

void NotchController::refreshLayout() {
    computeGeometry();
    applyFrame(m_content->expanded(), false);
    m_content->update();
}

void NotchController::setHidden(bool hidden) {
    m_hidden = hidden;
    if (!hidden) {
        m_content->show();
        m_content->startAnimating();
        computeGeometry();
        applyFrame(m_content->expanded(), false);
        m_panel->show();
        m_panel->raise();
        m_content->update();
        return;
    }
    m_content->hide();
    m_animation.stop();
    m_panel->hide();
    m_content->stopAnimating();
}

}  // namespace tavrik
