#include "ui/about_window.h"

#include "ui/look.h"

#include <QLabel>

namespace ui {
namespace {

QLabel *label(QWidget *parent, const char *name, const QString &text, QRect geometry, double points, QColor colour)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(geometry);
    l->setFont(verdana(points));
    setBackground(l, kPaleYellow);
    if (colour.isValid())
        setTextColour(l, colour);
    return l;
}

} // namespace

AboutWindow::AboutWindow(QWidget *parent)
    : QWidget(parent,
        Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Form_About"));
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(twips(0, 0, 3600, 1770).size());
    setBackground(this, kPaleYellow);

    const QColor green(0, 128, 0);
    const QColor blue(0, 0, 255);
    Label2 = label(this, "Label2", QStringLiteral("Program for Calculating"), twips(600, 120, 2295, 255), 9.75, green);
    Label3 = label(
        this, "Label3", QStringLiteral("1D Heat added Flow Properties"), twips(120, 360, 3255, 255), 9.75, green);
    Label7 = label(this, "Label7", QStringLiteral("by the Kalvenor developers"), twips(600, 600, 2775, 255), 8.25, {});
    Label8 = label(this, "Label8", QStringLiteral("March 2006"), twips(1320, 840, 1095, 255), 8.25, {});
    Label4 = label(
        this, "Label4", QStringLiteral("For comments and questions e-mail to"), twips(120, 1080, 3375, 255), 8.25, {});
    Label5 = label(this, "Label5", QStringLiteral("kalvenor@example.org"), twips(840, 1320, 1935, 255), 8.25, blue);
}

} // namespace ui
