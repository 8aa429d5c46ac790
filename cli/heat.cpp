#include "cli/heat.h"

#include <array>
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
bool writeRow(TableWriter &table, const HeatRequest &request, double M1, double heat, const flow::HeatResult &r)
{
    // The stations come from the same solve as the ratios.
    const flow::HeatStations s = request.T01
        ? flow::stations(r, request.gamma, M1, *request.T01, request.p1, request.cp)
        : flow::HeatStations {};
    const std::string note = flow::rowNote(r, s);
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

// Rows gathered so that the kernel solves them together, written in order.
class Pending {
public:
    static constexpr std::size_t kBlock = 4096;

    // Adds a row, writing the gathered ones when the block is full.
    void add(TableWriter &table, const HeatRequest &request, double M1, double heat)
    {
        m_M1.push_back(M1);
        m_heat.push_back(heat);
        if (m_M1.size() == kBlock)
            flush(table, request);
    }

    void flush(TableWriter &table, const HeatRequest &request)
    {
        const std::size_t n = m_M1.size();
        for (auto &column : m_c)
            column.resize(n);
        const flow::HeatColumns c {m_c[0].data(), m_c[1].data(), m_c[2].data(), m_c[3].data(), m_c[4].data(),
            m_c[5].data(), m_c[6].data(), m_c[7].data(), m_c[8].data(), m_c[9].data(), m_c[10].data()};
        const auto left = flow::addHeats(m_M1.data(), m_heat.data(), request.given, &request.gamma, false, n, c);
        auto next = left.begin();
        for (std::size_t i = 0; i < n; ++i) {
            const bool settled = next == left.end() || next->first != i;
            const flow::HeatResult r = settled ? flow::heatResultAt(c, i) : (next++)->second;
            allSolved = writeRow(table, request, m_M1[i], m_heat[i], r) && allSolved;
        }
        m_M1.clear();
        m_heat.clear();
    }

    bool allSolved = true;

private:
    std::vector<double> m_M1, m_heat;
    std::array<std::vector<double>, 11> m_c;
};

} // namespace

int writeHeat(HeatRequest &request, const TableStyle &style, std::ostream &out)
{
    const std::vector<Column> columns = columnsFor(request);
    Pending pending;
    const auto row = [&](TableWriter &table, double M1, double heat) { pending.add(table, request, M1, heat); };
    if (!request.heat.known() && request.mach1.size() == 1) {
        // One inlet: the heats read as they come are the rows.
        const double M1 = request.mach1.next()[0];
        writeBlocks(out, style, columns, request.heat, [&](TableWriter &table, std::span<const double> heats) {
            for (const double heat : heats)
                row(table, M1, heat);
            pending.flush(table, request);
        });
        return pending.allSolved ? 0 : 1;
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
        pending.flush(table, request);
    });
    return pending.allSolved ? 0 : 1;
}

} // namespace cli
