#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QRect>

namespace ui {

// Layout lengths are in twips; 15 twips make one logical pixel.
constexpr QRect twips(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

inline const QColor kPaleYellow(255, 255, 192);
inline const QColor kGrey(200, 200, 200);
inline const QColor kWhite(255, 255, 255);

// Arial and Verdana resolve to their metric twins where they are missing.
QFont defaultFont();
QFont arialItalic();
QFont verdana(double points);

// The program's icon, in the sizes window managers draw.
QIcon programIcon();

// The style, font and icon of every window, set once on the application.
void setUpApplication();

void setTextColour(QWidget *widget, QColor colour);
void setBackground(QWidget *widget, QColor colour);

} // namespace ui
