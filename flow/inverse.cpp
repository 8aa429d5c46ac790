// The inverse kernel's entry points, compiled once per instruction set by
// Highway on the forward kernel's building blocks: X = M^2 from the value in
// double-double with a bound, M = sqrt(X), then the seven ratios at X with
// their bounds grown by X's. docs/accuracy.md derives the bounds.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "flow/inverse.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include <hwy/highway.h>

#include "flow/inverse-inl.h"
#include "flow/inverse.h"
#include "flow/kernel-inl.h"

HWY_BEFORE_NAMESPACE();
namespace flow::inverse {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
using forward::Tables;

void RootsOf(int k, bool high, const double *value, const double *gamma, bool gammaPerElement, size_t n, double *M,
    const forward::Columns &out, std::vector<size_t> &rest)
{
    if (n == 0)
        return;
    using I = Inverse<hn::ScalableTag<double>>;
    using K = I::K;
    const Tables &t = forward::tables();
    const K::Gamma shared = K::GammaOf(hn::Set(hn::ScalableTag<double>(), gamma[0]));
    forward::HWY_NAMESPACE::Batch<hn::ScalableTag<double>>({value, gamma}, {true, gammaPerElement}, n,
        {out.T, out.p, out.rho, out.V, out.T0, out.p0, out.s, M}, rest, [&](const K::V(&x)[2], K::V(&y)[8]) {
            const I::Solved s = I::Solve(k, high, gammaPerElement ? K::GammaOf(x[1]) : shared, x[0], t);
            for (int j = 0; j < 7; ++j)
                y[j] = j == k ? x[0] : s.at.ratio[j].hi;
            y[7] = s.M.hi;
            return s.settled;
        });
}

bool OneOf(int k, bool high, double gamma, double value, double *M, double *ratio)
{
    using I = Inverse<hn::CappedTag<double, 1>>;
    using K = I::K;
    const hn::CappedTag<double, 1> d;
    const I::Solved s = I::Solve(k, high, K::GammaOf(hn::Set(d, gamma)), hn::Set(d, value), forward::tables());
    for (int j = 0; j < 7; ++j)
        ratio[j] = j == k ? value : hn::GetLane(s.at.ratio[j].hi);
    *M = hn::GetLane(s.M.hi);
    return hn::AllTrue(d, s.settled);
}

void BoundedT0Of(bool high, double gamma, double tHi, double tLo, double tBound, BoundedRoot &out)
{
    using I = Inverse<hn::CappedTag<double, 1>>;
    using K = I::K;
    using DD = I::DD;
    const hn::CappedTag<double, 1> d;
    const Tables &t = forward::tables();
    const K::Gamma G = K::GammaOf(hn::Set(d, gamma));
    const I::Square s = I::FromT0(G, DD {hn::Set(d, tHi), hn::Set(d, tLo)}, hn::Set(d, tBound), high);
    const auto ok = hn::And(s.ok, hn::Le(s.rel, hn::Set(d, 0x1p-60)));
    const DD X = K::Select(ok, s.X, DD {hn::Set(d, 4.0), hn::Zero(d)});
    K::Evaluated e = I::At(G, X, t);
    K::Grow(e, G, hn::IfThenElseZero(ok, s.rel));
    const DD M = K::Sqrt(X);
    out.M = hn::GetLane(M.hi);
    out.Mlo = hn::GetLane(M.lo);
    out.Mbound = hn::GetLane(M.hi * I::Fma(s.rel, hn::Set(d, 0.5 + 0x1p-40), hn::Set(d, 0x1p-100)));
    for (int k = 0; k < 7; ++k) {
        out.at.hi[k] = hn::GetLane(e.ratio[k].hi);
        out.at.lo[k] = hn::GetLane(e.ratio[k].lo);
        out.at.bound[k] = hn::GetLane(e.bound[k]);
    }
    out.at.inDomain = hn::AllTrue(d, hn::And(ok, e.inDomain));
}

} // namespace HWY_NAMESPACE
} // namespace flow::inverse
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace flow::inverse {

HWY_EXPORT(RootsOf);
HWY_EXPORT(OneOf);
HWY_EXPORT(BoundedT0Of);

void roots(int k, bool high, const double *value, const double *gamma, bool gammaPerElement, std::size_t n, double *M,
    const forward::Columns &out, std::vector<std::size_t> &rest)
{
    if (k < 0 || k > 6) { // no such ratio: nothing the kernel settles
        for (std::size_t i = 0; i < n; ++i)
            rest.push_back(i);
        return;
    }
    HWY_DYNAMIC_DISPATCH(RootsOf)(k, high, value, gamma, gammaPerElement, n, M, out, rest);
}

bool one(int k, bool high, double gamma, double value, double &M, double ratio[7])
{
    return k >= 0 && k <= 6 && HWY_DYNAMIC_DISPATCH(OneOf)(k, high, gamma, value, &M, ratio);
}

BoundedRoot boundedT0(bool high, double gamma, double tHi, double tLo, double tBound)
{
    BoundedRoot out {};
    HWY_DYNAMIC_DISPATCH(BoundedT0Of)(high, gamma, tHi, tLo, tBound, out);
    return out;
}

} // namespace flow::inverse
#endif
