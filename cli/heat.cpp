#include "cli/heat.h"

#include <string>
#include <vector>

namespace cli {
namespace {

std::vector<Column> columnsFor(const HeatRequest &request)
{
    std::vector<Column> columns {{"M1"}, {"T02/T01"}, {"M2"}, {"p2/p1"}, {"T2/T1"}, {"rho2/rho1"}, {"V2/V1"},
        {"p02/p01"}, {"(s2-s1)/R"}, {"q*/(cp*T01)"}};
    if (request.T01) {
        for (const char *header : {"T1 K", "T2 K", "T02 K"})
            columns.push_back({header});
        if (request.p1)
            for (const char *header : {"p2 Pa", "p02 Pa"})
                columns.push_back({header});
        for (const char *header : {"q J/kg", "q* J/kg"})
            columns.push_back({header});
    }
    columns.push_back({"note", false});
    return columns;
}

void writeOptional(TableWriter &table, const std::optional<double> &value)
{
    if (value)
        table.number(*value);
    else
        table.empty();
}

// Writes one row; returns whether every cell of it has its number.
bool writeRow(TableWriter &table, const HeatRequest &request, double M1, double heat)
{
    // One solve gives the ratios and, with T01, the stations.
    flow::HeatAnswer answer = request.T01
        ? flow::addHeat(request.gamma, M1, heat, request.given, *request.T01, request.p1, request.cp)
        : flow::HeatAnswer {flow::addHeat(request.gamma, M1, heat, request.given), {}};
    const flow::HeatResult &r = answer.result;
    const std::string note = answer.note();
    table.number(M1);
    // T02/T01 as the core has it; a refused heat shows only as given.
    if (r.T0 || request.given == flow::HeatGiven::T0Ratio)
        table.number(r.T0.value_or(heat));
    else
        table.empty();
    const std::size_t ratios = 7;
    if (r.process) {
        const flow::HeatProcess &p = *r.process;
        for (double v : {p.M2, p.p, p.T, p.rho, p.V, p.p0, p.ds})
            table.number(v); // NaN and infinity leave the cell empty; the note says why
    } else {
        for (std::size_t i = 0; i < ratios; ++i)
            table.empty();
    }
    writeOptional(table, r.qStar);
    if (request.T01) {
        const flow::HeatStations &s = answer.stations;
        for (const auto &v : {s.T1, s.T2, s.T02})
            writeOptional(table, v);
        if (request.p1) {
            writeOptional(table, s.p2);
            writeOptional(table, s.p02);
        }
        writeOptional(table, s.q);
        writeOptional(table, s.qStar);
    }
    table.text(note);
    table.endRow();
    return r.process && note.empty();
}

} // namespace

int writeHeat(HeatRequest &request, const TableStyle &style, std::ostream &out)
{
    const std::vector<Column> columns = columnsFor(request);
    bool allSolved = true;
    const auto row = [&](TableWriter &table, double M1, double heat) {
        allSolved = writeRow(table, request, M1, heat) && allSolved;
    };
    if (!request.heat.known() && request.mach1.size() == 1) {
        // One inlet: the heats read as they come are the rows.
        const double M1 = request.mach1.next()[0];
        writeBlocks(out, style, columns, request.heat, [&](TableWriter &table, std::span<const double> heats) {
            for (const double heat : heats)
                row(table, M1, heat);
        });
        return allSolved ? 0 : 1;
    }
    // Every inlet takes every heat: heats read from a stream are kept.
    const bool keep = !request.heat.known();
    std::vector<double> kept;
    if (keep)
        for (auto block = request.heat.next(); !block.empty(); block = request.heat.next())
            kept.insert(kept.end(), block.begin(), block.end());
    writeBlocks(out, style, columns, request.mach1, [&](TableWriter &table, std::span<const double> inlets) {
        for (const double M1 : inlets) {
            if (keep) {
                for (const double heat : kept)
                    row(table, M1, heat);
                continue;
            }
            request.heat.rewind();
            for (auto block = request.heat.next(); !block.empty(); block = request.heat.next())
                for (const double heat : block)
                    row(table, M1, heat);
        }
    });
    return allSolved ? 0 : 1;
}

} // namespace cli
