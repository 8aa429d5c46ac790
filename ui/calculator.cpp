#include "ui/calculator.h"

#include "chart/drawing_surface.h"

namespace ui {
namespace {

constexpr double kMarkerRadius = 0.05;

} // namespace

std::optional<flow::RayleighRatios> Calculator::oranlar(double g)
{
    if (M <= 0)
        return std::nullopt;
    const flow::RayleighRatios r = flow::RatiosFromMach(g, M);
    ToToStar = r.ToToStar;
    return r;
}

Calculator::Drawn Calculator::drawing(const std::function<void(Drawn &)> &steps)
{
    Drawn drawn;
    try {
        steps(drawn);
    } catch (const flow::ArithmeticFault &fault) {
        drawn.fault = fault;
    }
    return drawn;
}

void Calculator::plot(chart::DrawingSurface &s, double g, Drawn &drawn)
{
    // Every point passes through oranlar, but the boxes show only the last:
    // they are written once, which saves most of a click's time.
    const auto oranlarQuietly = [&] {
        if (const auto r = oranlar(g))
            drawn.ratios = r;
    };
    s.Clear();
    s.SetScale(-0.5, -1.5, 3.5, 0.3);
    s.DrawLine(0, 0, 3.2, 0);
    s.DrawLine(0, 0, 0, -1.4);
    M = 0.3;
    oranlarQuietly();
    s.SetPoint(M, -ToToStar);
    // The sum drifts: 30 steps, ending with M at 3.1000000000000014.
    for (M = 0.1; M <= 3.1; M += 0.1) {
        oranlarQuietly();
        s.DrawLine(M, -ToToStar, chart::kRed);
    }
}

Calculator::Drawn Calculator::Graph(chart::DrawingSurface &surface, double g)
{
    return drawing([&](Drawn &drawn) { plot(surface, g, drawn); });
}

Calculator::Drawn Calculator::graphWithPoint(chart::DrawingSurface &surface)
{
    const double typed = M;
    const double g = gamaValue();
    return drawing([&](Drawn &drawn) {
        plot(surface, g, drawn);
        M = typed;
        if (const auto r = oranlar(g))
            drawn.ratios = r;
        drawMarker(surface);
        drawGuides(surface);
    });
}

Calculator::Drawn Calculator::graphWithSonicPoint(chart::DrawingSurface &surface, double g)
{
    return drawing([&](Drawn &drawn) {
        plot(surface, g, drawn);
        M = 1;
        if (const auto r = oranlar(g))
            drawn.ratios = r;
        drawMarker(surface);
    });
}

void Calculator::drawMarker(chart::DrawingSurface &surface) const
{
    surface.DrawCircle(M, -ToToStar, kMarkerRadius, chart::kBlue);
}

void Calculator::drawGuides(chart::DrawingSurface &surface) const
{
    surface.DrawLine(0, -ToToStar, M, -ToToStar, chart::kBlue);
    surface.DrawLine(M, 0, M, -ToToStar, chart::kBlue);
}

} // namespace ui
