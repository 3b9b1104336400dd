#include "notch/NotchPanel.h"

namespace tavrik {

NotchPanel::NotchPanel(const QRect& contentRect)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                           | Qt::WindowDoesNotAcceptFocus) {
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
