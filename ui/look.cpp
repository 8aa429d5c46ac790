#include "ui/look.h"

#include <QWidget>

namespace ui {
namespace {

QFont font(const QString &family, double points)
{
    QFont f(family);
    f.setPointSizeF(points);
    return f;
}

} // namespace

QFont DefaultFont() { return font(QStringLiteral("Arial"), 8.25); }

QFont ArialItalic()
{
    QFont f = font(QStringLiteral("Arial"), 8.25);
    f.setItalic(true);
    return f;
}

QFont Verdana(double points)
{
    QFont f = font(QStringLiteral("Verdana"), points);
    // Its stand-in, DejaVu Sans, runs a pixel wider on the longest caption.
    f.setLetterSpacing(QFont::AbsoluteSpacing, -0.1);
    return f;
}

void SetTextColour(QWidget *widget, QColor colour)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::Text, colour);
    widget->setPalette(p);
}

void SetBackground(QWidget *widget, QColor colour)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, colour);
    p.setColor(QPalette::Base, colour);
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
}

} // namespace ui
