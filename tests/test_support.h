#pragma once

// What every Qt Test file shares: the offscreen platform, colours as the
// screen shows them, and a surface that records what it is asked to draw.

#include "chart/drawing_surface.h"
#include "fault_of.h"

#include <QColor>
#include <QImage>
#include <QObject>
#include <QStringList>

#include <vector>

// Base of the test classes: QTEST_MAIN calls initMain before it makes the
// application, so the tests need no desktop unless QT_QPA_PLATFORM names one.
class OffscreenTest : public QObject {
public:
    static void initMain()
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
};

inline const QColor kPaleYellow(255, 255, 192);
inline const QColor kGrey(200, 200, 200);
inline const QColor kWhite(255, 255, 255);
inline const QColor kRedPixel(255, 0, 0);
inline const QColor kBluePixel(0, 0, 255);
inline const QColor kBlackPixel(0, 0, 0);

inline int countOf(const QImage &image, QColor colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixelColor(x, y) == colour;
    return n;
}

// Records each drawing operation that reaches a realisation, in order, in
// the single-precision user coordinates it arrives in.
class RecordingSurface : public chart::DrawingSurface {
public:
    struct Call {
        QString op;                            // clear, scale, line, point or circle
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0; // line: from, to; point and circle: at
        double radius = 0;
        chart::Colour colour = 0;
    };
    std::vector<Call> calls;

    QStringList ops() const
    {
        QStringList names;
        for (const Call &c : calls)
            names << c.op;
        return names;
    }
    std::vector<Call> only(const QString &op) const
    {
        std::vector<Call> found;
        for (const Call &c : calls)
            if (c.op == op)
                found.push_back(c);
        return found;
    }

protected:
    void clearArea() override { calls.push_back({QStringLiteral("clear")}); }
    void setScale(double x1, double y1, double x2, double y2) override
    {
        calls.push_back({QStringLiteral("scale"), x1, y1, x2, y2});
    }
    void line(chart::UserPoint from, chart::UserPoint to, chart::Colour colour) override
    {
        calls.push_back({QStringLiteral("line"), from.x, from.y, to.x, to.y, 0, colour});
    }
    void point(chart::UserPoint at, chart::Colour colour) override
    {
        calls.push_back({QStringLiteral("point"), at.x, at.y, 0, 0, 0, colour});
    }
    void circle(chart::UserPoint centre, float radius, chart::Colour colour) override
    {
        calls.push_back({QStringLiteral("circle"), centre.x, centre.y, 0, 0, radius, colour});
    }
};
