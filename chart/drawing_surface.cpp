#include "chart/drawing_surface.h"

#include "flow/window/fault.h"

#include <cmath>
#include <limits>

namespace chart {

float toSingle(double value)
{
    if (std::isnan(value))
        throw flow::ArithmeticFault(flow::ArithmeticFault::Kind::NoRealValue);
    if (std::fabs(value) > std::numeric_limits<float>::max())
        throw flow::ArithmeticFault(flow::ArithmeticFault::Kind::Overflow);
    return static_cast<float>(value);
}

void DrawingSurface::Clear()
{
    clearArea();
    m_current = {};
}

void DrawingSurface::SetScale(double x1, double y1, double x2, double y2)
{
    // An empty range would map every point to the same infinite pixel.
    if (x1 == x2 || y1 == y2)
        throw flow::ArithmeticFault(flow::ArithmeticFault::Kind::DivisionByZero);
    setScale(x1, y1, x2, y2);
}

void DrawingSurface::DrawLine(double x1, double y1, double x2, double y2, Colour colour)
{
    const UserPoint from {toSingle(x1), toSingle(y1)};
    const UserPoint to {toSingle(x2), toSingle(y2)};
    line(from, to, colour);
    m_current = to;
}

void DrawingSurface::DrawLine(double x2, double y2, Colour colour)
{
    const UserPoint to {toSingle(x2), toSingle(y2)};
    line(m_current, to, colour);
    m_current = to;
}

void DrawingSurface::SetPoint(double x, double y, Colour colour)
{
    const UserPoint at {toSingle(x), toSingle(y)};
    point(at, colour);
    m_current = at;
}

void DrawingSurface::DrawCircle(double x, double y, double radius, Colour colour)
{
    const UserPoint centre {toSingle(x), toSingle(y)};
    const float r = toSingle(radius);
    circle(centre, r, colour);
    m_current = centre;
}

} // namespace chart
