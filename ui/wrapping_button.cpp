#include "ui/wrapping_button.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace ui {

QRect WrappingButton::captionRect() const
{
    const int margin = style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, this) / 2;
    return rect().adjusted(margin, margin, -margin, -margin);
}

void WrappingButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(captionRect(), kTextFlags, text());
}

} // namespace ui
