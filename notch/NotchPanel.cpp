#include "notch/NotchPanel.h"

namespace tavrik {

// Override-redirect (BypassWindowManagerHint): a window manager treats position and size as
// mere hints, and XWayland's (sway's, Mutter's, KWin's) centres a managed window, gives it a
// minimum height and the keyboard focus. The overlay must sit exactly at the top edge, 32
// high, and never take the focus.
NotchPanel::NotchPanel(const QRect& contentRect)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                           | Qt::WindowDoesNotAcceptFocus | Qt::BypassWindowManagerHint) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Tavrik"));
    setGeometry(contentRect);
}

void NotchPanel::setContentView(QWidget* content) {
    m_content = content;
    if (m_content != nullptr) {
        m_content->setParent(this);
        m_content->setGeometry(rect());
    }
}

void NotchPanel::setFrame(const QRect& frame) {
    setGeometry(frame);
    if (m_content != nullptr) {
        m_content->setGeometry(QRect(QPoint(0, 0), frame.size()));
    }
}

void NotchPanel::resizeEvent(QResizeEvent*) {
    if (m_content != nullptr) {
        m_content->setGeometry(rect());
    }
}

}  // namespace tavrik
