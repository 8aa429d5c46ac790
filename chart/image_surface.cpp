#include "chart/image_surface.h"

#include <QPainter>

#include <QtMath>

#include <algorithm>
#include <cmath>

namespace chart {
namespace {

constexpr int kTwipsPerPixel = 15;

QPainter &prepare(QPainter &painter, Colour colour, int width)
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    QPen pen(toQColor(colour));
    pen.setWidth(width);
    pen.setCapStyle(Qt::SquareCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    return painter;
}

} // namespace

QColor toQColor(Colour colour)
{
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
        static_cast<int>((colour >> 16) & 0xFF));
}

ImageSurface::ImageSurface(int width, int height, QColor background, qreal devicePixelRatio)
    : m_image(qCeil(width * devicePixelRatio), qCeil(height * devicePixelRatio), QImage::Format_RGB32),
      m_background(background), m_lineWidth(std::max(1, qRound(devicePixelRatio)))
{
    // Until a scale is set, user units are twips from the top left corner.
    m_viewport
        = {0, 0, double(width) * kTwipsPerPixel, double(height) * kTwipsPerPixel, m_image.width(), m_image.height()};
    m_image.fill(m_background);
}

void ImageSurface::changed()
{
    if (m_changed)
        m_changed();
}

void ImageSurface::clearArea()
{
    m_image.fill(m_background);
    changed();
}

void ImageSurface::setScale(double x1, double y1, double x2, double y2)
{
    m_viewport.left = x1;
    m_viewport.top = y1;
    m_viewport.right = x2;
    m_viewport.bottom = y2;
}

void ImageSurface::line(UserPoint from, UserPoint to, Colour colour)
{
    PixelSegment s {
        m_viewport.toPixelX(from.x), m_viewport.toPixelY(from.y), m_viewport.toPixelX(to.x), m_viewport.toPixelY(to.y)};
    // Cut first, so that far-away ends never reach integer pixel arithmetic.
    if (!clipSegment(s, -1.0, -1.0, m_image.width() + 1.0, m_image.height() + 1.0))
        return;
    QPainter painter(&m_image);
    prepare(painter, colour, m_lineWidth)
        .drawLine(
            QPoint(int(std::floor(s.x1)), int(std::floor(s.y1))), QPoint(int(std::floor(s.x2)), int(std::floor(s.y2))));
    changed();
}

void ImageSurface::point(UserPoint at, Colour colour)
{
    const double x = std::floor(m_viewport.toPixelX(at.x));
    const double y = std::floor(m_viewport.toPixelY(at.y));
    if (x < 0 || y < 0 || x >= m_image.width() || y >= m_image.height())
        return;
    QPainter painter(&m_image);
    prepare(painter, colour, m_lineWidth).fillRect(int(x), int(y), m_lineWidth, m_lineWidth, toQColor(colour));
    changed();
}

void ImageSurface::circle(UserPoint centre, float radius, Colour colour)
{
    const double cx = std::floor(m_viewport.toPixelX(centre.x));
    const double cy = std::floor(m_viewport.toPixelY(centre.y));
    const double r = std::round(std::fabs(m_viewport.toPixelLength(radius)));
    const double w = m_image.width();
    const double h = m_image.height();
    // Skip outlines that miss the image entirely, or enclose it whole.
    if (cx + r < 0 || cy + r < 0 || cx - r >= w || cy - r >= h)
        return;
    const double farX = std::max(std::fabs(cx), std::fabs(w - cx));
    const double farY = std::max(std::fabs(cy), std::fabs(h - cy));
    if (std::hypot(farX, farY) < r - 1)
        return;
    if (r > 1e6)
        return; // beyond what integer painting can take; no caller comes near
    QPainter painter(&m_image);
    prepare(painter, colour, m_lineWidth).drawEllipse(QPoint(int(cx), int(cy)), int(r), int(r));
    changed();
}

} // namespace chart
