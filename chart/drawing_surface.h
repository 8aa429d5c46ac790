#pragma once

#include <cstdint>

namespace chart {

// 24-bit colour as 0xBBGGRR: 255 is red, 0xFF0000 blue.
using Colour = std::uint32_t;
inline constexpr Colour kForeground = 0x000000;
inline constexpr Colour kRed = 0x0000FF;
inline constexpr Colour kBlue = 0xFF0000;

// Drawing coordinates travel in single precision; a double beyond its range
// throws flow::ArithmeticFault (overflow) instead of drawing garbage.
float toSingle(double value);

struct UserPoint {
    float x = 0;
    float y = 0;
};

// A drawing area with user coordinates and a current point. The public
// operations convert and track the current point; a realisation only paints.
class DrawingSurface {
public:
    virtual ~DrawingSurface() = default;

    // Erases to the background; the current point goes to (0, 0).
    void Clear();
    // The inner area's left edge becomes x1, right x2, top y1, bottom y2.
    void SetScale(double x1, double y1, double x2, double y2);
    void DrawLine(double x1, double y1, double x2, double y2, Colour colour = kForeground);
    // From the current point.
    void DrawLine(double x2, double y2, Colour colour = kForeground);
    void SetPoint(double x, double y, Colour colour = kForeground);
    // The radius is in x units, so the circle is round on screen.
    void DrawCircle(double x, double y, double radius, Colour colour);

    UserPoint currentPoint() const { return m_current; }

protected:
    virtual void clearArea() = 0;
    virtual void setScale(double x1, double y1, double x2, double y2) = 0;
    virtual void line(UserPoint from, UserPoint to, Colour colour) = 0;
    virtual void point(UserPoint at, Colour colour) = 0;
    virtual void circle(UserPoint centre, float radius, Colour colour) = 0;

private:
    UserPoint m_current;
};

} // namespace chart
