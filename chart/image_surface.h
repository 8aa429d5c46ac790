#pragma once

#include "chart/drawing_surface.h"
#include "chart/viewport.h"

#include <QColor>
#include <QImage>

#include <functional>

namespace chart {

QColor toQColor(Colour colour);

// The drawing kept in an image, so it survives being covered and can be
// read back pixel by pixel. Lines are one pixel, aliased, copied over what
// is below, and clipped to the image. On a scaled screen the image has the
// screen's pixels and lines widen to the whole pixels of one logical pixel,
// so the chart stays sharp.
class ImageSurface : public DrawingSurface {
public:
    ImageSurface(int width, int height, QColor background, qreal devicePixelRatio = 1.0);

    const QImage &image() const { return m_image; }
    // Called after every change, for the widget that shows the image.
    void setChangedCallback(std::function<void()> changed) { m_changed = std::move(changed); }

protected:
    void clearArea() override;
    void setScale(double x1, double y1, double x2, double y2) override;
    void line(UserPoint from, UserPoint to, Colour colour) override;
    void point(UserPoint at, Colour colour) override;
    void circle(UserPoint centre, float radius, Colour colour) override;

private:
    void changed();

    QImage m_image;
    QColor m_background;
    Viewport m_viewport;
    int m_lineWidth = 1;
    std::function<void()> m_changed;
};

} // namespace chart
