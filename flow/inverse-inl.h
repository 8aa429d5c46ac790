// The inverse kernel's roots, shared by the inverse's entry points and the
// heat process: included after foreach_target, like kernel-inl.h, by each
// file whose entry points use them.

#include "flow/kernel-inl.h"

#include <cmath>

// Highway's per-target include guard: toggled for every target.
#if defined(FLOW_INVERSE_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef FLOW_INVERSE_INL_H_
#undef FLOW_INVERSE_INL_H_
#else
#define FLOW_INVERSE_INL_H_
#endif

#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace flow::inverse {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
using forward::Tables;

template<class D> struct Inverse {
    using K = forward::HWY_NAMESPACE::Kernel<D>;
    using V = typename K::V;
    using DD = typename K::DD;
    using Mask = hn::Mask<D>;
    using Gamma = typename K::Gamma;

    // X = M^2 within rel X of the exact one, where ok.
    struct Square {
        DD X;
        V rel;
        Mask ok;
    };

    static HWY_INLINE V Set(double x) { return hn::Set(D(), x); }

    // p = A/B: X = (A - v)/(g v). A - v by Algorithm 4 (2u^2 relative even
    // where it cancels), 1/(g v) 10u^2, the product 4u^2.
    static HWY_INLINE Square FromP(const Gamma &G, V v)
    {
        const DD diff = K::AddDDd(G.A, hn::Neg(v));
        const DD X = K::MulDD(diff, K::Reciprocal(K::TwoProd(G.g, v)));
        return {X, Set(0x1p-100), hn::And(hn::Gt(v, hn::Zero(D())), hn::Gt(diff.hi, hn::Zero(D())))};
    }

    // rho = B/(A X): X = 1/(v + g (v - 1)). v > g/(1 + g) > 1/2, so v - 1 is
    // exact; where v < 1, g (v - 1) is too and only the sum rounds (2u^2);
    // above, all terms are positive (4u^2). The reciprocal 10u^2.
    static HWY_INLINE Square FromRho(const Gamma &G, V v)
    {
        const DD den = K::AddDDd(K::MulDDd(K::TwoSum(v, Set(-1.0)), G.g), v);
        const Mask finite = hn::Lt(hn::Abs(v), Set(HUGE_VAL));
        return {K::Reciprocal(den), Set(0x1p-100), hn::And(finite, hn::Gt(den.hi, hn::Zero(D())))};
    }

    // V = A X/B: X = v/(1 + g (1 - v)). In range v < 1 + 1/g < 2: for v in
    // [1/2, 2) 1 - v and its product are exact and only the sum rounds,
    // below 1/2 all terms are positive (4u^2); 1/den 10u^2, times v 2u^2.
    static HWY_INLINE Square FromV(const Gamma &G, V v)
    {
        const DD den = K::AddDDd(K::MulDDd(K::TwoSum(Set(1.0), hn::Neg(v)), G.g), Set(1.0));
        const DD X = K::MulDDd(K::Reciprocal(den), v);
        return {X, Set(0x1p-100), hn::And(hn::Gt(v, hn::Zero(D())), hn::Gt(den.hi, hn::Zero(D())))};
    }

    // T = A^2 X/B^2: with D = A^2 - 4 g v and S = A + sqrt(D), the roots are
    // X = S^2/(4 g^2 v) above and 4 v/S^2 below. D cancels next to the
    // maximum: A^2 within 4u^2 and the sum within 4u^2 (A^2 + 4 g v) leave
    // it within 2^-101 A^2 absolute, which moves sqrt(D) by at most that over
    // sqrt(D). S is a sum of positive terms (4u^2), and X's own steps add at
    // most 20u^2.
    static HWY_INLINE Square FromT(const Gamma &G, V v, bool high)
    {
        const V zero = hn::Zero(D());
        const DD A2 = K::MulDD(G.A, G.A);
        const DD gv = K::TwoProd(G.g, v);
        const DD disc = K::AddSloppy(A2, DD {Set(-4.0) * gv.hi, Set(-4.0) * gv.lo});
        const DD root = K::Sqrt(disc);
        const V eRoot = Fma(Set(0x1p-100), root.hi, hn::Div(Set(0x1p-101) * A2.hi, root.hi) * Set(1 + 0x1p-50));
        const DD S = K::AddSloppy(G.A, root);
        const V relS = Fma(hn::Div(eRoot, S.hi), Set(1 + 0x1p-50), Set(0x1p-103));
        const DD S2 = K::MulDD(S, S);
        DD X;
        if (high) {
            const DD q = K::MulDD(S2, K::Reciprocal(K::MulDDd(K::TwoProd(G.g, G.g), v)));
            X = {q.hi * Set(0.25), q.lo * Set(0.25)};
        } else {
            X = K::MulDDd(K::Reciprocal(S2), Set(4.0) * v);
        }
        const V rel = Fma(relS, Set(2 + 0x1p-49), Set(0x1p-100));
        return {X, rel, hn::And(hn::Gt(v, zero), hn::Gt(disc.hi, zero))};
    }

    static HWY_INLINE V Fma(V a, V b, V c) { return K::Fma(a, b, c); }

    // T0 from a target t within dt of t.hi + t.lo (dt = 0 for a value given):
    // e = 1 - t, b = 1 + g e + (1 + g) sqrt(e), and X = t/b below, b/a above
    // with a = 1 - g^2 e = g^2 t - (g^2 - 1), whichever form's bound is
    // smaller (the first next to g = 1 loses to cancellation what the second
    // keeps). Each step's bound is written beside it.
    static HWY_INLINE Square FromT0(const Gamma &G, DD t, V dt, bool high)
    {
        const V zero = hn::Zero(D()), one = Set(1.0);
        const V margin = Set(1 + 0x1p-50);
        const DD E = K::AddDDd(K::TwoSum(one, hn::Neg(t.hi)), hn::Neg(t.lo)); // 2u^2
        const V eE = Fma(dt, margin, Set(0x1p-104) * E.hi);
        const DD sE = K::Sqrt(E);
        // |sqrt(e) - sqrt(e')| <= |e - e'|/sqrt(e'); a zero e is settled only when exact.
        const V esE = Fma(Set(0x1p-100), sE.hi, hn::Div(eE, hn::Max(sE.hi, Set(0x1p-500))) * margin);
        const DD b = K::AddSloppy(K::AddDDd(K::MulDDd(E, G.g), one), K::MulDD(G.A, sE)); // 12u^2
        const V eb = Fma(Fma(G.g, eE, G.A.hi * esE), margin, Set(0x1p-101) * b.hi);
        const Mask ok = hn::And(hn::Gt(t.hi, zero), hn::Ge(E.hi, zero));
        const V inherited = hn::Div(eb, b.hi);
        if (!high) {
            const DD X = K::MulDD(t, K::Reciprocal(b));
            const V rel = Fma(inherited + hn::Div(dt, t.hi), Set(1 + 0x1p-40), Set(0x1p-100));
            return {X, rel, ok};
        }
        const DD gg = K::TwoProd(G.g, G.g);
        const DD g2e = K::MulDD(gg, E);
        const DD a1 = K::AddDDd(K::Neg(g2e), one);
        const V ea1 = Fma(gg.hi * eE, margin, Fma(Set(0x1p-103), g2e.hi, Set(0x1p-104) * hn::Abs(a1.hi)));
        const DD g2t = K::MulDD(gg, t);
        const DD g21 = K::MulDD(G.gm1, G.A);
        const DD a2 = K::AddSloppy(g2t, K::Neg(g21));
        const V ea2 = Fma(gg.hi * dt, margin, Set(0x1p-101) * (g2t.hi + g21.hi));
        const Mask first = hn::Lt(ea1, ea2);
        const DD a = K::Select(first, a1, a2);
        const V ea = hn::IfThenElse(first, ea1, ea2);
        const DD X = K::MulDD(b, K::Reciprocal(a));
        const V rel = Fma(inherited + hn::Div(ea, a.hi), Set(1 + 0x1p-40), Set(0x1p-100));
        return {X, rel, hn::And(ok, hn::Gt(a.hi, zero))};
    }

    struct Solved {
        DD M;
        typename K::Evaluated at;
        Mask settled;
    };

    // M = sqrt(X) within 2^-100 M of sqrt(X.hi + X.lo), which lies within
    // rel X/(2M) (1 + 2^-60) = rel M/2 (1 + 2^-50) of the exact root; the
    // ratios evaluated at X, their bounds grown by rel.
    static HWY_INLINE Solved Settle(int k, const Gamma &G, const Square &s, typename K::Evaluated at)
    {
        const Mask ok = hn::And(s.ok, hn::Le(s.rel, Set(0x1p-60)));
        Solved out;
        out.M = K::Sqrt(s.X);
        const V bM = out.M.hi * Fma(s.rel, Set(0.5 + 0x1p-40), Set(0x1p-100));
        out.at = at;
        K::Grow(out.at, G, s.rel);
        out.settled = hn::And(hn::And(ok, out.at.inDomain), K::Decided(out.M, bM));
        for (int j = 0; j < 7; ++j)
            if (j != k)
                out.settled = hn::And(out.settled, K::Decided(out.at.ratio[j], out.at.bound[j]));
        return out;
    }

    template<int kOnly = -1> static HWY_INLINE typename K::Evaluated At(const Gamma &G, DD X, const Tables &t)
    {
        return K::template EvaluateAt<true, kOnly>(G, hn::Sqrt(X.hi), X, t);
    }

    // f = s or ln p0 at an evaluation, and X df/dX: g d/((g - 1) B) for s,
    // g X d/(B C) for ln p0, d = X - 1 to a few ulps even next to 1.
    template<bool kEntropy> static HWY_INLINE DD F(const typename K::Evaluated &e)
    {
        return kEntropy ? e.ratio[6] : e.lnP0;
    }
    template<bool kEntropy> static HWY_INLINE V Slope(const Gamma &G, const typename K::Evaluated &e)
    {
        const V gd = G.g * e.dm * e.invB;
        return kEntropy ? gd * G.invGm1.hi : hn::Div(gd * e.X, e.C);
    }

    // ln w for w > 0 in double, for starting points only.
    static HWY_INLINE V Ln(V w, const Tables &t)
    {
        return K::Log1p(DD {w - Set(1.0), hn::Zero(D())}, DD {w, hn::Zero(D())}, t).value.hi;
    }

    // The starting y = ln X: next to X = 1, f = c y^2/2 with c its second
    // derivative there; far from it, f's asymptote in y, or for gamma above 4
    // below X = 1 the form that holds where g X is near 1: s = ln(1 + 1/(g X))
    // (A/(g - 1)) + (ln X + A ln(g/A))/(g - 1) solved once by substitution,
    // and p0 = (2 + g X)/(1 + g X).
    template<bool kEntropy> static HWY_INLINE V Start(bool high, const Gamma &G, V v, V target, const Tables &t)
    {
        const V one = Set(1.0), g = G.g, A = G.A.hi, gm1 = G.gm1.hi, invA = G.invA.hi;
        const V lnA = Ln(A, t), lnGA = Ln(g * invA, t);
        const V curvature = kEntropy ? g * G.invGm1.hi * invA : g * invA * invA;
        V near = hn::Sqrt(hn::Div(target + target, curvature));
        V far;
        if (high) {
            far = kEntropy ? Fma(gm1, target, hn::Neg(A * lnGA))
                           : Fma(gm1, target + lnGA, hn::Neg(g * Ln(gm1 * invA, t)));
        } else {
            if constexpr (kEntropy) {
                far = hn::Neg(hn::Div(Fma(gm1, target, A * lnA), g));
                const V scaled = gm1 * target;
                // 1/(g X) = exp(L) - 1, L = ((g - 1) s - ln X - A ln(g/A))/A
                const V L0 = scaled * invA;
                const V x0 = hn::Div(one, g * ExpM1(L0, t));
                const V L1 = hn::Max((scaled - Ln(x0, t) - A * lnGA) * invA, Set(0x1p-1000));
                far = hn::IfThenElse(hn::Gt(g, Set(4.0)), Ln(hn::Div(one, g * ExpM1(L1, t)), t), far);
            } else {
                // p0 falls linearly in X from its value at X = 0.
                const V top = Fma(g * G.invGm1.hi, Ln(Set(2.0) * invA, t), lnA);
                far = Ln(hn::Max(Set(2.0) * hn::Div(top - target, g), Set(0x1p-1000)), t);
                // ... where g X is below 0.05, and from (2 + g X)/(1 + g X) above.
                const V mid = Ln(hn::Max(hn::Div(Set(2.0) - v, g * (v - one)), Set(0x1p-1000)), t);
                far = hn::IfThenElse(hn::And(hn::Gt(g, Set(4.0)), hn::Gt(top - target, Set(0.025))), mid, far);
            }
            near = hn::Neg(near);
        }
        // A far start on the other side of X = 1 is replaced by the near one.
        const Mask wrong = high ? hn::Le(far, hn::Zero(D())) : hn::Ge(far, hn::Zero(D()));
        const V y = hn::IfThenElse(hn::Or(hn::Lt(hn::Abs(near), one), wrong), near, far);
        return hn::IfThenZeroElse(hn::IsNaN(y), hn::Min(hn::Max(y, Set(-270.0)), Set(270.0)));
    }

    // exp(x) - 1 for x >= 0 to a few ulps, cancellation aside: starts only.
    static HWY_INLINE V ExpM1(V x, const Tables &t)
    {
        return K::Exp(DD {hn::Min(x, Set(700.0)), hn::Zero(D())}, t).hi - Set(1.0);
    }

    // p0 and s have no closed-form root. Newton steps on sqrt(f), nearly
    // linear in y = ln X on each side of X = 1 (f grows as (X - 1)^2 next
    // to it and as |ln X| far from it), a fixed number for every lane, each
    // evaluating f alone. The steps need no bound: the root's comes from the
    // last residual.
    template<bool kEntropy> static HWY_INLINE Solved Newton(int k, bool high, const Gamma &G, V v, const Tables &t)
    {
        const D d;
        const V zero = hn::Zero(d), one = Set(1.0);
        // s from (0, inf), p0 from (1, inf): the extremum itself is the exact path's.
        const Mask inRange = hn::And(hn::Gt(v, kEntropy ? zero : one), hn::Lt(v, Set(HUGE_VAL)));
        v = hn::IfThenElse(inRange, v, Set(2.0));
        DD target {v, zero};
        V targetBound = zero;
        if constexpr (!kEntropy) {
            const auto L = K::Log1p(K::TwoSum(v, Set(-1.0)), DD {v, zero}, t);
            target = L.value;
            targetBound = L.error;
        }
        const V tt = target.hi;
        const V y = Start<kEntropy>(high, G, v, tt, t);
        const V grown = K::Exp(DD {hn::Abs(y), zero}, t).hi;
        DD X {hn::IfThenElse(hn::Lt(y, zero), hn::Div(one, grown), grown), zero};
        const V root = hn::Sqrt(tt);
        for (int step = 0; step < 7; ++step) {
            const typename K::Evaluated e = At < kEntropy ? 6 : 5 > (G, X, t);
            const DD f = F<kEntropy>(e);
            const V phi = hn::Sqrt(hn::Max(f.hi, zero));
            const V residual = K::AddSloppy(target, K::Neg(f)).hi;
            V dy = hn::Div((phi + phi) * residual, (root + phi) * Slope<kEntropy>(G, e));
            // A lane gone astray stays astray on every target, and fails below.
            dy = hn::IfThenZeroElse(hn::IsNaN(dy), dy);
            dy = hn::Min(hn::Max(dy, Set(-4.0)), Set(4.0));
            // exp(dy) - 1: the series of exp(dy/16) - 1 squared four times keeps
            // its relative accuracy for tiny steps, where it matters.
            const V q = dy * Set(1.0 / 16);
            V m = q
                * Fma(q,
                    Fma(q, Fma(q, Fma(q, Fma(q, Set(1.0 / 720), Set(1.0 / 120)), Set(1.0 / 24)), Set(1.0 / 6)),
                        Set(0.5)),
                    one);
            for (int square = 0; square < 4; ++square)
                m = m * (m + Set(2.0));
            const DD next = K::AddSloppy(X, K::MulDDd(X, m));
            // A step past X = 1 halves ln X instead: the root is on this side.
            const Mask past = high ? hn::Le(next.hi, one) : hn::Ge(next.hi, one);
            X = K::Select(past, DD {hn::Sqrt(X.hi), zero}, next);
        }
        // The root lies within (|r| + E)/|f'| of X when f' keeps its size over
        // that interval: so when the interval is below 2^-62 of X and of
        // |X - 1|, which also puts the root on X's side of 1. E: f's bound,
        // the target's, and the subtraction's 4u^2 (|t| + |f|).
        const typename K::Evaluated e = At(G, X, t);
        const DD f = F<kEntropy>(e);
        const DD r = K::AddSloppy(target, K::Neg(f));
        const V E = (kEntropy ? e.bound[6] : e.lnP0Bound) + targetBound + Set(0x1p-103) * (hn::Abs(tt) + hn::Abs(f.hi));
        const V rel = hn::Div(
            (hn::Abs(r.hi) + hn::Abs(r.lo) + E * Set(1 + 0x1p-50)) * Set(1 + 0x1p-47), hn::Abs(Slope<kEntropy>(G, e)));
        const Mask side = high ? hn::Gt(e.dm, zero) : hn::Lt(e.dm, zero);
        const Mask small = hn::And(hn::Le(rel, Set(0x1p-62)), hn::Le(rel * e.X, Set(0x1p-62) * hn::Abs(e.dm)));
        return Settle(k, G, Square {X, rel, hn::And(inRange, hn::And(side, small))}, e);
    }

    static HWY_INLINE Solved Solve(int k, bool high, const Gamma &G, V v, const Tables &t)
    {
        Square s;
        switch (k) {
        case 0:
            s = FromT(G, v, high);
            break;
        case 1:
            s = FromP(G, v);
            break;
        case 2:
            s = FromRho(G, v);
            break;
        case 3:
            s = FromV(G, v);
            break;
        case 4:
            s = FromT0(G, DD {v, hn::Zero(D())}, hn::Zero(D()), high);
            break;
        default:
            return k == 6 ? Newton<true>(k, high, G, v, t) : Newton<false>(k, high, G, v, t);
        }
        // A lane out of range computes at a harmless point and is left out.
        const Square safe {K::Select(s.ok, s.X, DD {Set(4.0), hn::Zero(D())}), hn::IfThenElseZero(s.ok, s.rel), s.ok};
        return Settle(k, G, safe, At(G, safe.X, t));
    }
};

} // namespace HWY_NAMESPACE
} // namespace flow::inverse
HWY_AFTER_NAMESPACE();

#endif // FLOW_INVERSE_INL_H_
