#pragma once

#include "chart/image_surface.h"

#include <QFrame>

namespace chart {

// The chart area: a sunken frame showing an ImageSurface in its inner
// rectangle. Child widgets (the axis captions) stay above the drawing and
// keep their clicks to themselves.
class ChartArea : public QFrame {
    Q_OBJECT
public:
    ChartArea(const QRect &geometry, QColor background, QWidget *parent = nullptr);

    DrawingSurface &surface() { return m_surface; }
    const QImage &image() const { return m_surface.image(); }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    ImageSurface m_surface;
    bool m_pressed = false;
};

} // namespace chart
