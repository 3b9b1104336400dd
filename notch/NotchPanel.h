#pragma once

// NotchPanel: the overlay's window. A frameless tool window that stays above other windows,
// never takes the keyboard focus and is not activated when shown, so clicking it never takes
// focus away from the application in front; its background is translucent so that only the
// black shape drawn by its content shows. The content fills the window and follows its size.

#include <QWidget>

namespace tavrik {

class NotchPanel final : public QWidget {
public:
    explicit NotchPanel(const QRect& contentRect);

    // Makes content the window's only child, filling it.
    void setContentView(QWidget* content);
    QWidget* contentView() const { return m_content; }

    // Moves and resizes the window, and its content with it at once, even while hidden (a
    // hidden window hears of its new size only when shown).
    void setFrame(const QRect& frame);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* m_content = nullptr;
};

}  // namespace tavrik
