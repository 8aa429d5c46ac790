#pragma once

#include "flow/window/fault.h"
#include "flow/window/rayleigh.h"

#include <functional>
#include <optional>

namespace chart {
class DrawingSurface;
}

namespace ui {

// The program's state and procedures without its window: the three values
// every handler shares, the ratios, the chart and its marks. It answers in
// numbers and draws on any surface; the window reads and writes the boxes.
class Calculator {
public:
    std::optional<double> gama; // empty until the first calculation: counts as 0
    double M = 0;
    double ToToStar = 0;

    // What a drawing leaves for the ratio boxes: the ratios found last, and
    // the fault that stopped the drawing where it was, if one did.
    struct Drawn {
        std::optional<flow::RayleighRatios> ratios;
        std::optional<flow::ArithmeticFault> fault;
    };

    // The ratios for M, ToToStar set to its own. Nothing for M <= 0, and a
    // fault is thrown; either way nothing changes.
    std::optional<flow::RayleighRatios> oranlar() { return oranlar(gamaValue()); }

    // T0/T0* against M, from M = 0.1 to 3, every point through oranlar; M is
    // left past the loop's end.
    Drawn Graph(chart::DrawingSurface &surface) { return Graph(surface, gamaValue()); }

    // The M mode's chart: Graph, then the point of this M marked with guides
    // to both axes.
    Drawn graphWithPoint(chart::DrawingSurface &surface);
    // The chart click's chart: Graph, then the sonic point marked, both for
    // gama g, which is not kept.
    Drawn graphWithSonicPoint(chart::DrawingSurface &surface, double g);

    // The marker: a blue circle at (M, -ToToStar).
    void drawMarker(chart::DrawingSurface &surface) const;
    // Blue guides from the marker to both axes.
    void drawGuides(chart::DrawingSurface &surface) const;

    // The To/To* mode: the subsonic and supersonic Mach numbers of ToToStar.
    flow::MachNumbers machNumbers() const { return flow::MachFromToToStar(gamaValue(), ToToStar); }

private:
    double gamaValue() const { return gama.value_or(0.0); }
    std::optional<flow::RayleighRatios> oranlar(double g);
    Drawn Graph(chart::DrawingSurface &surface, double g);
    // Graph's steps; a fault leaves the rest undone.
    void plot(chart::DrawingSurface &surface, double g, Drawn &drawn);
    // Runs the steps of a drawing: the one place a fault of one is caught,
    // kept in what it returns for the window to report.
    static Drawn drawing(const std::function<void(Drawn &)> &steps);
};

} // namespace ui
