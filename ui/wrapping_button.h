#pragma once

#include <QPushButton>

namespace ui {

// A push button whose caption wraps onto several lines when it is wider than
// the button, as captions on small fixed-size buttons must.
class WrappingButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

    static constexpr int kTextFlags = Qt::AlignCenter | Qt::TextWordWrap;
    // Where the caption goes: the button less its bevel.
    QRect captionRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace ui
