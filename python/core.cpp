// The compiled half of the kalvenor package: loops over flat float64 arrays
// calling flow/ with the GIL released. The Python layer checks the
// arguments, broadcasts, and shapes the results.

#include "flow/heat.h"
#include "flow/relations.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace py = pybind11;

namespace {

using Array = py::array_t<double, py::array::c_style | py::array::forcecast>;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// An input given once for every element, or once per element.
class Input {
public:
    Input(const Array &a, py::ssize_t n) : m_data(a.data()), m_step(a.size() == 1 ? 0 : 1)
    {
        if (a.size() != n && a.size() != 1)
            throw py::value_error(
                "an input has " + std::to_string(a.size()) + " values, not 1 or " + std::to_string(n));
    }
    double operator[](py::ssize_t i) const { return m_data[i * m_step]; }

private:
    const double *m_data;
    py::ssize_t m_step;
};

// Bad gamma fails the whole call, as on the command line; checked before
// any work so the error names the first bad value.
void checkGamma(const Array &gamma)
{
    const double *g = gamma.data();
    for (py::ssize_t i = 0; i < gamma.size(); ++i)
        if (const auto problem = flow::gammaProblem(g[i]))
            throw py::value_error(*problem);
}

// The output arrays, allocated while the GIL is held.
template<std::size_t N> struct Outputs {
    explicit Outputs(py::ssize_t n)
    {
        for (std::size_t k = 0; k < N; ++k) {
            arrays[k] = py::array_t<double>(n);
            data[k] = arrays[k].mutable_data();
        }
    }
    std::array<py::array_t<double>, N> arrays;
    std::array<double *, N> data {};
};

// Notes only for the elements that have one: most have none.
struct Notes {
    std::vector<py::ssize_t> index;
    std::vector<std::string> text;

    void add(py::ssize_t i, const std::string &note)
    {
        if (note.empty())
            return;
        index.push_back(i);
        text.push_back(note);
    }
};

// The fields by name, as the Python layer's results call them, with the
// notes as indices and texts, and the branch codes where there are any.
template<std::size_t N>
py::dict result(
    const std::array<std::string_view, N> &names, Outputs<N> &out, Notes &notes, py::object branch = py::none())
{
    py::dict d;
    for (std::size_t k = 0; k < N; ++k)
        d[py::str(names[k].data(), names[k].size())] = out.arrays[k];
    d["note_index"] = py::array_t<py::ssize_t>(static_cast<py::ssize_t>(notes.index.size()), notes.index.data());
    d["note_text"] = py::cast(std::move(notes.text));
    d["branch"] = std::move(branch);
    return d;
}

constexpr std::array<std::string_view, flow::kQuantities.size()> kStateFields = [] {
    std::array<std::string_view, flow::kQuantities.size()> names {};
    for (std::size_t i = 0; i < names.size(); ++i)
        names[i] = flow::kQuantities[i].field;
    return names;
}();
constexpr std::array<std::string_view, 10> kHeatFields {
    "M1", "T02_T01", "M2", "p2_p1", "T2_T1", "rho2_rho1", "V2_V1", "p02_p01", "ds_R", "q_choke"};
constexpr std::array<std::string_view, 7> kStationFields {"T1", "T2", "T02", "p2", "p02", "q", "q_star"};

// Every ratio of a state in kQuantities order, or NaN but for the value
// asked, which a row without a state keeps.
void writeState(
    const flow::Solution &s, std::array<double *, 8> &data, py::ssize_t i, flow::Quantity asked, double value)
{
    for (std::size_t k = 0; k < flow::kQuantities.size(); ++k)
        data[k][i] = s.state ? *s.state.*flow::kQuantities[k].member : kNaN;
    if (!s.state)
        data[static_cast<std::size_t>(asked)][i] = value;
}

py::dict ratios(const Array &M, const Array &gamma, py::ssize_t n)
{
    checkGamma(gamma);
    const Input m(M, n), g(gamma, n);
    Outputs<8> out(n);
    Notes notes;
    {
        py::gil_scoped_release release;
        auto &d = out.data;
        for (py::ssize_t i = 0; i < n; ++i)
            d[0][i] = m[i];
        for (const auto &[j, s] : flow::fromMachs(d[0], gamma.data(), gamma.size() != 1, static_cast<std::size_t>(n),
                 {d[1], d[2], d[3], d[4], d[5], d[6], d[7]})) {
            const auto i = static_cast<py::ssize_t>(j);
            writeState(s, d, i, flow::Quantity::M, m[i]);
            notes.add(i, s.note);
        }
    }
    return result(kStateFields, out, notes);
}

py::dict solve(const std::string &quantity, const Array &value, const Array &gamma, bool sup, py::ssize_t n)
{
    checkGamma(gamma);
    const Input v(value, n), g(gamma, n);
    const auto row = std::find_if(flow::kQuantities.begin(), flow::kQuantities.end(),
        [&](const flow::QuantityRow &r) { return r.field == quantity; });
    if (row == flow::kQuantities.end())
        throw py::value_error("no quantity " + quantity);
    const flow::Quantity q = row->quantity;
    Outputs<8> out(n);
    py::array_t<std::uint8_t> branch(n);
    std::uint8_t *b = branch.mutable_data();
    Notes notes;
    {
        py::gil_scoped_release release;
        auto &d = out.data;
        // The kernel reads a value per element; gamma may be one for all.
        std::vector<double> spread;
        const double *values = value.data();
        if (value.size() != n) {
            spread.assign(static_cast<std::size_t>(n), v[0]);
            values = spread.data();
        }
        const auto left = flow::solveMany(q, sup, values, gamma.data(), gamma.size() != 1, static_cast<std::size_t>(n),
            d[0], {d[1], d[2], d[3], d[4], d[5], d[6], d[7]});
        for (py::ssize_t i = 0; i < n; ++i)
            b[i] = static_cast<std::uint8_t>(flow::branchAt(q, sup, d[0][i]));
        for (const auto &[j, s] : left) {
            const auto i = static_cast<py::ssize_t>(j);
            writeState(s, d, i, q, v[i]);
            b[i] = static_cast<std::uint8_t>(s.branch);
            notes.add(i, s.note);
        }
    }
    return result(kStateFields, out, notes, branch);
}

// The heat process's ratios and, with an inlet stagnation temperature T01,
// the absolute values at both stations (pressures when p1 is given), from
// one solve a row.
py::dict heat(const Array &M1, const Array &heat, const Array &gamma, bool qGiven, const std::optional<Array> &T01,
    const std::optional<Array> &p1, const std::optional<Array> &cp, py::ssize_t n)
{
    checkGamma(gamma);
    const Input m(M1, n), h(heat, n), g(gamma, n);
    const std::optional<Input> t = T01 ? std::optional<Input>(Input(*T01, n)) : std::nullopt;
    const std::optional<Input> p = p1 ? std::optional<Input>(Input(*p1, n)) : std::nullopt;
    const std::optional<Input> c = cp ? std::optional<Input>(Input(*cp, n)) : std::nullopt;
    const auto given = qGiven ? flow::HeatGiven::QRatio : flow::HeatGiven::T0Ratio;
    Outputs<kHeatFields.size()> out(n);
    std::optional<Outputs<kStationFields.size()>> at;
    if (t)
        at.emplace(n);
    Notes notes;
    {
        py::gil_scoped_release release;
        auto &d = out.data;
        // The kernel reads M1 and the heat per element; gamma may be one.
        const auto spread = [&](const Array &a, const Input &in, std::vector<double> &keep) {
            if (a.size() == n)
                return a.data();
            keep.assign(static_cast<std::size_t>(n), in[0]);
            return static_cast<const double *>(keep.data());
        };
        std::vector<double> m1Kept, heatKept;
        const double *m1 = spread(M1, m, m1Kept), *heats = spread(heat, h, heatKept);
        std::vector<double> T0Star(static_cast<std::size_t>(n)), q(static_cast<std::size_t>(n));
        const flow::HeatColumns cols {d[2], d[1], q.data(), d[3], d[4], d[5], d[6], d[7], d[8], d[9], T0Star.data()};
        const auto left
            = flow::addHeats(m1, heats, given, gamma.data(), gamma.size() != 1, static_cast<std::size_t>(n), cols);
        auto next = left.begin();
        for (py::ssize_t i = 0; i < n; ++i) {
            d[0][i] = m1[i];
            const bool settled = next == left.end() || next->first != static_cast<std::size_t>(i);
            if (settled && !at)
                continue; // the kernel wrote the row
            const flow::HeatResult r
                = settled ? flow::heatResultAt(cols, static_cast<std::size_t>(i)) : (next++)->second;
            if (!settled) {
                // T02/T01 as the core has it; a refused heat shows only as given.
                d[1][i] = r.T0.value_or(qGiven ? kNaN : h[i]);
                const auto &process = r.process;
                const std::array<double, 7> ratios = process ? std::array {process->M2, process->p, process->T,
                                                         process->rho, process->V, process->p0, process->ds}
                                                             : std::array {kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN};
                for (std::size_t k = 0; k < ratios.size(); ++k)
                    d[2 + k][i] = ratios[k];
                d[9][i] = r.qStar.value_or(kNaN);
            }
            std::string note = r.note;
            if (at) {
                const flow::HeatStations s = flow::stations(
                    r, g[i], m1[i], (*t)[i], p ? std::optional((*p)[i]) : std::nullopt, c ? (*c)[i] : 1005.0);
                const std::array<std::optional<double>, 7> values {s.T1, s.T2, s.T02, s.p2, s.p02, s.q, s.qStar};
                for (std::size_t k = 0; k < values.size(); ++k)
                    at->data[k][i] = values[k].value_or(kNaN);
                note = flow::rowNote(r, s);
            }
            notes.add(i, note);
        }
    }
    py::dict fields = result(kHeatFields, out, notes);
    if (at)
        for (std::size_t k = 0; k < kStationFields.size(); ++k)
            fields[py::str(kStationFields[k].data(), kStationFields[k].size())] = at->arrays[k];
    return fields;
}

} // namespace

PYBIND11_MODULE(_core, m)
{
    m.doc() = "The compiled loops of kalvenor; use the functions of the package itself.";
    // The vocabulary, from flow's tables: the quantities in order with their
    // names and whether two roots share a value, and the branches' names
    // indexed by the codes the results carry.
    py::list quantities, branches;
    for (const flow::QuantityRow &row : flow::kQuantities)
        quantities.append(py::dict(py::arg("field") = std::string(row.field), py::arg("name") = std::string(row.name),
            py::arg("two_roots") = row.twoRoots));
    for (const auto &[branch, name] : flow::kBranches)
        branches.append(std::string(name));
    py::dict choices; // True for the root above M = 1 (1/sqrt(gamma) for T)
    for (const auto &[name, choice] : flow::kBranchChoices)
        if (choice != flow::BranchChoice::Both)
            choices[py::str(name.data(), name.size())] = choice == flow::BranchChoice::Sup;
    m.attr("branch_choices") = choices;
    m.attr("quantities") = py::tuple(quantities);
    m.attr("branch_names") = py::tuple(branches);
    m.def("gamma_problem", &flow::gammaProblem, py::arg("gamma"));
    m.def("ratios", &ratios, py::arg("M"), py::arg("gamma"), py::arg("n"));
    m.def("solve", &solve, py::arg("quantity"), py::arg("value"), py::arg("gamma"), py::arg("sup"), py::arg("n"));
    m.def("heat", &heat, py::arg("M1"), py::arg("heat"), py::arg("gamma"), py::arg("q_given"), py::arg("T01"),
        py::arg("p1"), py::arg("cp"), py::arg("n"));
}
