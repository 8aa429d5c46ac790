#include "chart/viewport.h"

namespace chart {

bool clipSegment(PixelSegment &s, double loX, double loY, double hiX, double hiY)
{
    const double dx = s.x2 - s.x1;
    const double dy = s.y2 - s.y1;
    double t0 = 0.0;
    double t1 = 1.0;
    int edge0 = -1;
    int edge1 = -1;
    // Each edge as p * t <= q.
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {s.x1 - loX, hiX - s.x1, s.y1 - loY, hiY - s.y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            if (t > t1)
                return false;
            if (t > t0) {
                t0 = t;
                edge0 = i;
            }
        } else {
            if (t < t0)
                return false;
            if (t < t1) {
                t1 = t;
                edge1 = i;
            }
        }
    }
    const PixelSegment whole = s;
    s.x1 = whole.x1 + t0 * dx;
    s.y1 = whole.y1 + t0 * dy;
    s.x2 = whole.x1 + t1 * dx;
    s.y2 = whole.y1 + t1 * dy;
    // Far-away ends cancel away the digits of x1 + t * dx; the cut coordinate
    // is the edge itself.
    const double edges[4] = {loX, hiX, loY, hiY};
    if (edge0 >= 0)
        (edge0 < 2 ? s.x1 : s.y1) = edges[edge0];
    if (edge1 >= 0)
        (edge1 < 2 ? s.x2 : s.y2) = edges[edge1];
    return true;
}

} // namespace chart
