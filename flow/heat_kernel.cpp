// The heat process in bulk, compiled once per instruction set by Highway on
// the forward and inverse kernels: the inlet's ratios at M1, T0/T0* at the
// exit as T0/T0*(M1) T02/T01, the exit's X = M2^2 from it by the T0
// inverse, the exit's ratios at that X, and each exit-to-inlet field with a
// bound. docs/accuracy.md derives the bounds.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "flow/heat_kernel.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include <hwy/highway.h>

#include "flow/heat_kernel.h"
#include "flow/inverse-inl.h"
#include "flow/kernel-inl.h"

HWY_BEFORE_NAMESPACE();
namespace flow::heatkernel {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
using forward::Tables;

template<class D> struct Heat {
    using I = inverse::HWY_NAMESPACE::Inverse<D>;
    using K = typename I::K;
    using V = typename K::V;
    using DD = typename K::DD;
    using Mask = hn::Mask<D>;
    using Gamma = typename K::Gamma;

    static HWY_INLINE V Set(double x) { return hn::Set(D(), x); }

    static HWY_INLINE DD Abs(DD x)
    {
        const Mask negative = hn::Lt(x.hi, hn::Zero(D()));
        return K::Select(negative, K::Neg(x), x);
    }

    // x/y with x and y within rx and ry of themselves, relative: within
    // rx + ry + 16u^2 of the quotient (the reciprocal's 10u^2, the product's
    // 4u^2), with a margin for the second-order terms.
    static HWY_INLINE DD Quotient(DD x, DD y, V rx, V ry, V &bound)
    {
        const DD q = K::MulDD(x, K::Reciprocal(y));
        bound = hn::Abs(q.hi) * ((rx + ry + Set(0x1p-102)) * Set(1 + 0x1p-40));
        return q;
    }

    // The eleven fields of the process, in the order of Columns, and where
    // every one is settled.
    struct Exit {
        V field[11];
        Mask settled;
    };

    static HWY_INLINE Exit Of(const Gamma &G, V M1, V heat, bool qGiven, const Tables &t)
    {
        const D d;
        const V zero = hn::Zero(d), one = Set(1.0);
        // Heat is T02/T01 > 0 or q > -1; no heat and M1 = 1 are the exact
        // path's, as is anything next to choking or the cooling limit,
        // which the inverse's bound leaves unsettled.
        const Mask valid = hn::And(qGiven ? hn::Gt(heat, Set(-1.0)) : hn::Gt(heat, zero),
            hn::And(hn::Lt(hn::Abs(heat), Set(0x1p1000)), hn::Ne(M1, one)));
        heat = hn::IfThenElse(valid, heat, Set(qGiven ? 0.5 : 1.5));
        // T02/T01 exactly: 1 + q is a double-double without error.
        const DD R = qGiven ? K::TwoSum(one, heat) : DD {heat, zero};
        const DD q = qGiven ? DD {heat, zero} : K::TwoSum(heat, Set(-1.0));
        const typename K::Evaluated in = K::Evaluate(G, M1, t);
        // T0/T0* at the exit, within dt: the inlet's bound times R, and the
        // product's 4u^2.
        const DD t2 = K::MulDD(in.ratio[4], R);
        const V dt = Fma(in.bound[4], hn::Abs(R.hi) * Set(1 + 0x1p-50), Set(0x1p-102) * hn::Abs(t2.hi));
        const Mask high = hn::Gt(M1, one);
        // Each branch where a lane needs it: a lane's bits are the same either way.
        typename I::Square s;
        const bool anyHigh = !hn::AllFalse(d, high), anyLow = !hn::AllTrue(d, high);
        if (anyHigh && anyLow) {
            const typename I::Square up = I::FromT0(G, t2, dt, true), down = I::FromT0(G, t2, dt, false);
            s = {K::Select(high, up.X, down.X), hn::IfThenElse(high, up.rel, down.rel),
                hn::Or(hn::And(high, up.ok), hn::AndNot(high, down.ok))};
        } else {
            s = I::FromT0(G, t2, dt, anyHigh);
        }
        s.ok = hn::And(s.ok, valid);
        const typename I::Square safe {
            K::Select(s.ok, s.X, DD {Set(4.0), zero}), hn::IfThenElseZero(s.ok, s.rel), s.ok};
        // M2 and the exit's ratios, settled as an inverse's are (T0 aside).
        const typename I::Solved out = I::Settle(4, G, safe, I::At(G, safe.X, t));
        Exit e;
        Mask settled = hn::And(out.settled, in.inDomain);
        e.field[0] = out.M.hi;
        e.field[1] = qGiven ? R.hi : heat; // T02/T01, rounded once
        e.field[2] = qGiven ? heat : q.hi; // q/(cp T01), rounded once
        // Exit over inlet: p, T, rho, V, p0.
        const int order[5] = {1, 0, 2, 3, 5};
        for (int j = 0; j < 5; ++j) {
            const int k = order[j];
            V bound;
            const DD r = Quotient(out.at.ratio[k], in.ratio[k], hn::Div(out.at.bound[k], hn::Abs(out.at.ratio[k].hi)),
                hn::Div(in.bound[k], hn::Abs(in.ratio[k].hi)), bound);
            settled = hn::And(settled, K::Decided(r, bound));
            e.field[3 + j] = r.hi;
        }
        // (s2 - s1)/R = s1 - s2 in the sonic-state entropy the kernel has;
        // settled by its size, either sign.
        const DD ds = K::AddSloppy(in.ratio[6], K::Neg(out.at.ratio[6]));
        const V dsBound
            = in.bound[6] + out.at.bound[6] + Set(0x1p-103) * (hn::Abs(in.ratio[6].hi) + hn::Abs(out.at.ratio[6].hi));
        settled = hn::And(settled, K::Decided(Abs(ds), dsBound));
        e.field[8] = ds.hi;
        // q* = 1/(T0/T0*) - 1 = (d/B)^2/(T0/T0*) at the inlet, d = M1^2 - 1,
        // B = 1 + g M1^2: no cancellation next to M1 = 1. d within 2u^2, B
        // 4u^2, the quotient 16u^2, the square 4u^2 and the last product
        // 14u^2 more: within 2^-98 and the inlet's T0 bound, relative.
        const DD m2 = K::TwoProd(M1, M1);
        const DD dm = K::AddDDd(K::TwoSum(m2.hi, Set(-1.0)), m2.lo);
        const DD B = K::AddDDd(K::MulDDd(m2, G.g), one);
        const DD ratio = K::MulDD(dm, K::Reciprocal(B));
        V qBound;
        const DD qStar
            = Quotient(K::MulDD(ratio, ratio), in.ratio[4], Set(0x1p-99), hn::Div(in.bound[4], in.ratio[4].hi), qBound);
        const DD T0Star = K::AddDDd(qStar, one);
        settled = hn::And(settled, K::Decided(qStar, qBound));
        settled = hn::And(settled, K::Decided(T0Star, qBound + Set(0x1p-103) * T0Star.hi));
        e.field[9] = qStar.hi;
        e.field[10] = T0Star.hi;
        e.settled = settled;
        return e;
    }

    static HWY_INLINE V Fma(V a, V b, V c) { return K::Fma(a, b, c); }
};

void ExitsOf(const double *M1, const double *heat, bool qGiven, const double *gamma, bool gammaPerElement, size_t n,
    const Columns &out, std::vector<size_t> &rest)
{
    if (n == 0)
        return;
    using H = Heat<hn::ScalableTag<double>>;
    using K = H::K;
    const Tables &t = forward::tables();
    const K::Gamma shared = K::GammaOf(hn::Set(hn::ScalableTag<double>(), gamma[0]));
    forward::HWY_NAMESPACE::Batch<hn::ScalableTag<double>>({M1, heat, gamma}, {true, true, gammaPerElement}, n,
        {out.M2, out.T0, out.q, out.p, out.T, out.rho, out.V, out.p0, out.ds, out.qStar, out.T0Star}, rest,
        [&](const K::V(&x)[3], K::V(&y)[11]) {
            const H::Exit e = H::Of(gammaPerElement ? K::GammaOf(x[2]) : shared, x[0], x[1], qGiven, t);
            for (int j = 0; j < 11; ++j)
                y[j] = e.field[j];
            return e.settled;
        });
}

bool OneOf(double M1, double heat, bool qGiven, double gamma, double *field)
{
    using H = Heat<hn::CappedTag<double, 1>>;
    using K = H::K;
    const hn::CappedTag<double, 1> d;
    const H::Exit e = H::Of(K::GammaOf(hn::Set(d, gamma)), hn::Set(d, M1), hn::Set(d, heat), qGiven, forward::tables());
    for (int j = 0; j < 11; ++j)
        field[j] = hn::GetLane(e.field[j]);
    return hn::AllTrue(d, e.settled);
}

} // namespace HWY_NAMESPACE
} // namespace flow::heatkernel
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace flow::heatkernel {

HWY_EXPORT(ExitsOf);
HWY_EXPORT(OneOf);

void exits(const double *M1, const double *heat, bool qGiven, const double *gamma, bool gammaPerElement, std::size_t n,
    const Columns &out, std::vector<std::size_t> &rest)
{
    HWY_DYNAMIC_DISPATCH(ExitsOf)(M1, heat, qGiven, gamma, gammaPerElement, n, out, rest);
}

bool one(double M1, double heat, bool qGiven, double gamma, double field[11])
{
    return HWY_DYNAMIC_DISPATCH(OneOf)(M1, heat, qGiven, gamma, field);
}

} // namespace flow::heatkernel
#endif
