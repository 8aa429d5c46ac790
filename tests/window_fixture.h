#pragma once

// Helpers shared by the window tests: chart pixels, box texts, and a window
// whose messages are collected and whose drawing is recorded.

#include "test_support.h"
#include "ui/main_window.h"

#include <QColor>
#include <QImage>
#include <QLineEdit>
#include <QStringList>

#include <cmath>

using ui::MainWindow;

inline QColor base(const QWidget *w) { return w->palette().color(QPalette::Base); }

// The pixel of the chart image where the chart's user coordinates fall.
inline QPoint pixelOf(const QImage &chart, double x, double y)
{
    return QPoint(int(std::floor((x + 0.5) * chart.width() / 4.0)), int(std::floor((y + 1.5) * chart.height() / 1.8)));
}

// True when a pixel of this colour lies within `reach` pixels of p.
inline bool near(const QImage &img, QPoint p, QColor colour, int reach = 1)
{
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx)
            if (img.rect().contains(p + QPoint(dx, dy)) && img.pixelColor(p + QPoint(dx, dy)) == colour)
                return true;
    return false;
}

inline QStringList ratioTexts(const MainWindow &w)
{
    return {w.Text_TTstar->text(), w.Text_PPstar->text(), w.Text_RoRoStar->text(), w.Text_PoPoStar->text(),
        w.Text_ToToStar->text()};
}

struct Fixture {
    RecordingSurface drawing; // made first, so that it outlives the window
    MainWindow w;
    QStringList messages;
    Fixture()
    {
        w.setMessageSink([this](const QString &text) { messages << text; });
        w.setSurface(&drawing);
    }
};

// A coordinate as it reaches the surface.
inline double single(double value) { return double(float(value)); }
