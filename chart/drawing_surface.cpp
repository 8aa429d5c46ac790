#include "chart/drawing_surface.h"

#include "flow/fault.h"

#include <cmath>
#include <limits>

namespace chart {

float ToSingle(double value)
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
    const UserPoint from {ToSingle(x1), ToSingle(y1)};
    const UserPoint to {ToSingle(x2), ToSingle(y2)};
    line(from, to, colour);
    m_current = to;
}

void DrawingSurface::DrawLine(double x2, double y2, Colour colour)
{
    const UserPoint to {ToSingle(x2), ToSingle(y2)};
    line(m_current, to, colour);
    m_current = to;
}

void DrawingSurface::SetPoint(double x, double y, Colour colour)
{
    const UserPoint at {ToSingle(x), ToSingle(y)};
    point(at, colour);
    m_current = at;
}

void DrawingSurface::DrawCircle(double x, double y, double radius, Colour colour)
{
    const UserPoint centre {ToSingle(x), ToSingle(y)};
    const float r = ToSingle(radius);
    circle(centre, r, colour);
    m_current = centre;
}

} // namespace chart
