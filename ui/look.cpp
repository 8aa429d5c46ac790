#include "ui/look.h"

#include <QApplication>
#include <QIcon>
#include <QWidget>

#include <fontconfig/fontconfig.h>

namespace ui {
namespace {

// Whether fontconfig has a face of this very family, not a substitute.
bool installed(const QString &family)
{
    const QByteArray name = family.toUtf8();
    FcPattern *pattern = FcPatternBuild(nullptr, FC_FAMILY, FcTypeString, name.constData(), nullptr);
    FcObjectSet *objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet *fonts = pattern && objects ? FcFontList(nullptr, pattern, objects) : nullptr;
    const bool found = fonts && fonts->nfont > 0;
    if (fonts)
        FcFontSetDestroy(fonts);
    if (objects)
        FcObjectSetDestroy(objects);
    if (pattern)
        FcPatternDestroy(pattern);
    return found;
}

// The named face first, then the metric twin that the scripts install. Where
// the named face is missing the twin stands alone: Qt would otherwise search
// fontconfig's fallbacks for the missing face, once per style and before the
// first paint, only to land on the same twin.
QFont font(const QString &family, const QString &twin, double points)
{
    QFont f;
    f.setFamilies(installed(family) ? QStringList {family, twin} : QStringList {twin});
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
