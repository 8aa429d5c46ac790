#pragma once

namespace chart {

// Maps user coordinates onto a width x height pixel rectangle whose edges
// are left, right, top and bottom in user units. Pixel i covers the user
// interval starting at its left edge, so a coordinate falls in pixel
// floor(toPixelX(x)).
struct Viewport {
    double left = 0;
    double top = 0;
    double right = 1;
    double bottom = 1;
    int width = 1;
    int height = 1;

    double toPixelX(double x) const { return (x - left) * width / (right - left); }
    double toPixelY(double y) const { return (y - top) * height / (bottom - top); }
    // A length along x, in pixels.
    double toPixelLength(double dx) const { return dx * width / (right - left); }
};

struct PixelSegment {
    double x1, y1, x2, y2;
};

// Cuts a segment in pixel coordinates to the box [lo, hi] on both axes
// (Liang-Barsky); false when nothing of it lies inside.
bool clipSegment(PixelSegment &segment, double loX, double loY, double hiX, double hiY);

} // namespace chart
