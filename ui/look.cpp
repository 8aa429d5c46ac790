#include "ui/look.h"

#include <QApplication>
#include <QIcon>
#include <QWidget>

namespace ui {
namespace {

// The named face first, then the metric twin that the scripts install:
// naming the twin spares a search for a fallback face.
QFont font(const QString &family, const QString &twin, double points)
{
    QFont f;
    f.setFamilies({family, twin});
    f.setPointSizeF(points);
    return f;
}

const QString kArial = QStringLiteral("Arial");
const QString kArialTwin = QStringLiteral("Liberation Sans");

} // namespace

QFont defaultFont() { return font(kArial, kArialTwin, 8.25); }

QFont arialItalic()
{
    QFont f = font(kArial, kArialTwin, 8.25);
    f.setItalic(true);
    return f;
}

QFont verdana(double points)
{
    QFont f = font(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"), points);
    // Its stand-in, DejaVu Sans, runs a pixel wider on the longest caption.
    f.setLetterSpacing(QFont::AbsoluteSpacing, -0.1);
    return f;
}

QIcon programIcon()
{
    // Renderings of packaging/kalvenor.svg: Qt reads SVG only with a plugin
    // that is seldom installed. Only the sizes window managers draw: Qt decodes
    // every size at start and sends them all to the X server before the window
    // maps; launchers take the larger ones from the installed SVG.
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addFile(QStringLiteral(":/icons/kalvenor-%1.png").arg(size), QSize(size, size));
    return icon;
}

void setUpApplication()
{
    QApplication::setStyle(QStringLiteral("Fusion")); // the same look on every desktop
    // Before any widget exists, so that no other face is ever loaded.
    QApplication::setFont(defaultFont());
    QApplication::setWindowIcon(programIcon());
}

void setTextColour(QWidget *widget, QColor colour)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::Text, colour);
    widget->setPalette(p);
}

void setBackground(QWidget *widget, QColor colour)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, colour);
    p.setColor(QPalette::Base, colour);
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
}

} // namespace ui
