#include "chart/chart_area.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>

namespace chart {
namespace {

constexpr int kBorder = 2; // the sunken panel frame is always two pixels

} // namespace

ChartArea::ChartArea(const QRect &geometry, QColor background, QWidget *parent)
    : QFrame(parent), m_surface(geometry.width() - 2 * kBorder, geometry.height() - 2 * kBorder, background,
                          parent ? parent->devicePixelRatioF() : qApp->devicePixelRatio())
{
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    setGeometry(geometry);
    setFixedSize(geometry.size());
    QPalette p = palette();
    p.setColor(QPalette::Window, background);
    setPalette(p);
    setAutoFillBackground(true);
    m_surface.setChangedCallback([this] { update(); });
}

void ChartArea::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    // The image has the screen's pixels: one image pixel to one device pixel.
    painter.drawImage(QRectF(contentsRect()), m_surface.image());
}

void ChartArea::mousePressEvent(QMouseEvent *event)
{
    // A press that reaches us from a caption belongs to the caption.
    m_pressed = event->button() == Qt::LeftButton && childAt(event->position().toPoint()) == nullptr;
    event->accept();
}

void ChartArea::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())
        && childAt(event->position().toPoint()) == nullptr;
    m_pressed = false;
    event->accept();
    if (click)
        emit clicked();
}

} // namespace chart
