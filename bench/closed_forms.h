#pragma once

// What the kernels are measured against: the seven ratios as plain double
// closed forms, as a careful user writes them, sharing what they share.

#include "flow/forward.h"

#include <cmath>
#include <cstddef>
#include <vector>

namespace bench {

// M and the seven ratios of n elements, one vector each.
struct Out {
    explicit Out(std::size_t n) : M(n), T(n), p(n), rho(n), V(n), T0(n), p0(n), s(n) { }
    std::vector<double> M, T, p, rho, V, T0, p0, s;
    flow::forward::Columns columns()
    {
        return {T.data(), p.data(), rho.data(), V.data(), T0.data(), p0.data(), s.data()};
    }
};

// The ratios at M^2 = m2 for one gamma.
class ClosedForms {
public:
    explicit ClosedForms(double gamma) : g(gamma), a(1 + g), power(g / (g - 1)), over(1 / (g - 1)) { }

    void at(double m2, Out &out, std::size_t i) const
    {
        const double b = 1 + g * m2;
        const double p = a / b;
        const double V = m2 * p;
        const double c = (2 + (g - 1) * m2) / a;
        out.p[i] = p;
        out.V[i] = V;
        out.rho[i] = 1 / V;
        out.T[i] = V * p;
        out.T0[i] = V * p * c;
        out.p0[i] = p * std::pow(c, power);
        out.s[i] = (g * std::log(1 / V) - std::log(p)) * over;
    }

    const double g, a; // gamma, 1 + gamma

private:
    const double power, over;
};

} // namespace bench
