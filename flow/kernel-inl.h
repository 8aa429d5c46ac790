// The double-double kernel shared by the forward and inverse directions,
// compiled once per instruction set: included after foreach_target by each
// file whose entry points use it. Bounds are those of docs/accuracy.md,
// with u = 2^-53.

#include "flow/forward_tables.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

// Highway's per-target include guard: toggled for every target.
#if defined(FLOW_KERNEL_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef FLOW_KERNEL_INL_H_
#undef FLOW_KERNEL_INL_H_
#else
#define FLOW_KERNEL_INL_H_
#endif

#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace flow::forward {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// The kernel over lanes of any width: D is a full vector for arrays and a
// single lane for one value.
template<class D> struct Kernel {
    using V = hn::Vec<D>;
    using DI = hn::RebindToSigned<D>;
    using VI = hn::Vec<DI>;

    // A double-double: hi + lo with |lo| <= ulp(hi)/2.
    struct DD {
        V hi, lo;
    };

    // a * b + c, rounded once, on every target: two-product needs it exact.
    static HWY_INLINE V Fma(V a, V b, V c)
    {
#if HWY_NATIVE_FMA
        return hn::MulAdd(a, b, c);
#else
        const D d;
        HWY_ALIGN double x[hn::MaxLanes(d)], y[hn::MaxLanes(d)], z[hn::MaxLanes(d)];
        hn::Store(a, d, x);
        hn::Store(b, d, y);
        hn::Store(c, d, z);
        for (size_t i = 0; i < hn::Lanes(d); ++i)
            x[i] = std::fma(x[i], y[i], z[i]);
        return hn::Load(d, x);
#endif
    }

    // a * b - c, rounded once.
    static HWY_INLINE V FmaSub(V a, V b, V c)
    {
#if HWY_NATIVE_FMA
        return hn::MulSub(a, b, c);
#else
        return Fma(a, b, hn::Neg(c));
#endif
    }

    // c - a * b, rounded once.
    static HWY_INLINE V FmaNeg(V a, V b, V c)
    {
#if HWY_NATIVE_FMA
        return hn::NegMulAdd(a, b, c);
#else
        return Fma(hn::Neg(a), b, c);
#endif
    }

    // Error-free transformations and the double-word algorithms of Joldes,
    // Muller and Popescu (ACM TOMS 44, 2017), named by their relative bounds.
    static HWY_INLINE DD TwoSum(V a, V b)
    {
        const V s = a + b;
        const V bb = s - a;
        return {s, (a - (s - bb)) + (b - bb)};
    }

    static HWY_INLINE DD FastTwoSum(V a, V b) // |a| >= |b|
    {
        const V s = a + b;
        return {s, b - (s - a)};
    }

    static HWY_INLINE DD TwoProd(V a, V b)
    {
        const V p = a * b;
        return {p, FmaSub(a, b, p)};
    }

    static HWY_INLINE DD AddDDd(DD x, V y) // 2u^2 (Algorithm 4)
    {
        const DD s = TwoSum(x.hi, y);
        return FastTwoSum(s.hi, x.lo + s.lo);
    }

    static HWY_INLINE DD MulDDd(DD x, V y) // 2u^2 (Algorithm 9)
    {
        const DD c = TwoProd(x.hi, y);
        return FastTwoSum(c.hi, Fma(x.lo, y, c.lo));
    }

    static HWY_INLINE DD MulDD(DD x, DD y) // 4u^2 (Algorithm 12)
    {
        const DD c = TwoProd(x.hi, y.hi);
        const V t = Fma(x.hi, y.lo, x.lo * y.lo);
        return FastTwoSum(c.hi, c.lo + Fma(x.lo, y.hi, t));
    }

    // 1/y: the reciprocal's residual 1 - y.hi th is exact with a fused
    // multiply-add, and one Newton step on it leaves about 4u^2; with the
    // roundings, 10u^2.
    static HWY_INLINE DD Reciprocal(DD y)
    {
        const D d;
        const V th = hn::Div(hn::Set(d, 1.0), y.hi);
        const V e = FmaNeg(y.hi, th, hn::Set(d, 1.0)) - y.lo * th;
        return FastTwoSum(th, th * e);
    }

    // sqrt(x) for x >= 0: s = RN(sqrt(x.hi)) leaves x.hi - s^2 exact, and one
    // Newton step on it is within eta^2/8 of the root, |eta| <= 2^-51 its
    // relative step; with two roundings of 2^-105, within 2^-103.4 relative.
    // The kernel carries 2^-100.
    static HWY_INLINE DD Sqrt(DD x)
    {
        const D d;
        const V s = hn::Sqrt(x.hi);
        const V step = hn::Div(FmaNeg(s, s, x.hi) + x.lo, s + s);
        return FastTwoSum(s, hn::IfThenZeroElse(hn::Eq(s, hn::Zero(d)), step));
    }

    static HWY_INLINE DD Neg(DD x) { return {hn::Neg(x.hi), hn::Neg(x.lo)}; }

    static HWY_INLINE DD Select(hn::Mask<D> m, DD a, DD b)
    {
        return {hn::IfThenElse(m, a.hi, b.hi), hn::IfThenElse(m, a.lo, b.lo)};
    }

    static HWY_INLINE DD Constant(const DoubleWord &c)
    {
        const D d;
        return {hn::Set(d, c.hi), hn::Set(d, c.lo)};
    }

    // base[index] in each lane: one load where there is one lane, which a
    // gather would take several times as long for.
    static HWY_INLINE V Gather(const double *base, VI index)
    {
        const D d;
        if constexpr (hn::MaxLanes(D()) == 1)
            return hn::Set(d, base[hn::GetLane(index)]);
        else
            return hn::GatherIndex(d, base, index);
    }

    // 2^k for whole k in the normal range, built from its bits.
    static HWY_INLINE V Pow2(VI k)
    {
        const DI di;
        return hn::BitCast(D(), hn::ShiftLeft<52>(k + hn::Set(di, 1023)));
    }

    // x + y where |x| >= |y| or where only an absolute bound is wanted: the
    // error is at most 4u^2 (|x| + |y|), not relative under cancellation.
    static HWY_INLINE DD AddSloppy(DD x, DD y)
    {
        const DD s = TwoSum(x.hi, y.hi);
        return TwoSum(s.hi, s.lo + (x.lo + y.lo));
    }

    // x + y for |x.hi| >= |y.hi|, left unnormalized inside a series: the
    // error is at most 3u^2 |x + y|.
    static HWY_INLINE DD AddFast(DD x, DD y)
    {
        const DD s = FastTwoSum(x.hi, y.hi);
        return {s.hi, s.lo + (x.lo + y.lo)};
    }

    // x y, left unnormalized inside a series.
    static HWY_INLINE DD MulFast(DD x, V y)
    {
        const DD c = TwoProd(x.hi, y);
        return {c.hi, Fma(x.lo, y, c.lo)};
    }

    // A polynomial in x by Horner's rule: the high-order coefficients, tail,
    // in double, then head's in double-double, highest first.
    template<std::size_t kTail, std::size_t kHead>
    static HWY_INLINE DD Horner(const double (&tail)[kTail], const DoubleWord (&head)[kHead], V x)
    {
        const D d;
        V q = hn::Set(d, tail[0]);
        for (std::size_t k = 1; k < kTail; ++k)
            q = Fma(q, x, hn::Set(d, tail[k]));
        DD s {q, hn::Zero(d)};
        for (const DoubleWord &c : head)
            s = AddFast(Constant(c), MulFast(s, x));
        return s;
    }

    // log1p(r) for |r| <= 1.5 2^-8, and log1p(r) - r: terms to r^13, the first
    // four in double-double. The low word enters once, as r.lo / (1 + r.hi),
    // the series' derivative, expanded to r.hi^6.
    struct Series {
        DD log1p, log1pmx;
    };
    static HWY_INLINE Series Log1pSmall(DD r, const Tables &t)
    {
        const DD s = Horner(t.log1pTail, t.log1pHead, r.hi);
        const DD mx = MulDDd(MulFast(s, r.hi), r.hi);
        const V mr = hn::Neg(r.hi);
        // 1/(1 + r) - 1 to r^6: r.lo may be as large as u, not u r.
        V slope = Fma(mr, mr, mr);
        for (int k = 0; k < 4; ++k)
            slope = Fma(slope, mr, mr);
        const V low = r.lo * slope;
        const DD sum = FastTwoSum(r.hi, mx.hi);
        return {DD {sum.hi, sum.lo + (mx.lo + (r.lo + low))}, DD {mx.hi, mx.lo + low}};
    }

    // log1p(x), given x and w = 1 + x each to double-double accuracy: next to 0
    // the series takes x itself, with a relative bound; elsewhere w = 2^e f,
    // f * inv - 1 is exact for the tabled inv of f's leading bits, and the
    // bound is absolute. e ln2 is exact in its first part. log1pmx, x's
    // log1p(x) - x, holds where the series runs on x itself, |x| < 2^-9.
    struct Logarithm {
        DD value, log1pmx;
        V error;
        hn::Mask<D> small; // where log1pmx holds
    };
    static HWY_INLINE Logarithm Log1p(DD x, DD w, const Tables &t)
    {
        const D d;
        const DI di;
        const auto small = hn::Lt(hn::Abs(x.hi), hn::Set(d, 0x1p-9));
        const VI bits = hn::BitCast(di, w.hi);
        const VI e = hn::ShiftRight<52>(bits) - hn::Set(di, 1023);
        const V unscale = Pow2(hn::Neg(e));
        const V fh = w.hi * unscale;
        const VI j = hn::And(hn::ShiftRight<44>(bits), hn::Set(di, kLogTable - 1));
        const V inv = Gather(t.logInv, j);
        // Unnormalized: the series takes the low word only to first order.
        const DD reduced {FmaSub(fh, inv, hn::Set(d, 1.0)), w.lo * unscale * inv};
        const V ev = hn::IfThenZeroElse(small, hn::ConvertTo(d, e));
        // e ln2 lies in ln2's binade or above, ln(inv) at most ln2: FastTwoSum
        // is exact (and trivially so for e = 0).
        const DD scaled = FastTwoSum(ev * hn::Set(d, t.ln2Head), hn::IfThenZeroElse(small, Gather(t.logHi, j)));
        const V scaledLo = Fma(ev, hn::Set(d, t.ln2Tail), hn::IfThenZeroElse(small, Gather(t.logLo, j)));
        const Series series = Log1pSmall(Select(small, x, reduced), t);
        const DD value = AddSloppy(DD {scaled.hi, scaled.lo + scaledLo}, series.log1p);
        const V error = hn::IfThenElse(
            small, hn::Set(d, 0x1p-88) * hn::Abs(x.hi), hn::Set(d, 0x1p-89) + hn::Set(d, 0x1p-93) * hn::Abs(ev));
        return {value, series.log1pmx, error, small};
    }

    // exp(v) for 0 <= v <= 700: v = (64 k + j) ln2/64 + r, |r| <= ln2/128 + tiny,
    // with ln2/64 in three parts, the first short enough that n times it is
    // exact; terms of exp(r.hi) to r^9, the first three in double-double, and
    // r.lo as the factor 1 + r.lo.
    static HWY_INLINE DD Exp(DD v, const Tables &t)
    {
        const D d;
        const DI di;
        const V n = hn::Round(v.hi * hn::Set(d, t.invLn2Over64));
        const VI ni = hn::ConvertTo(di, n);
        const V head = v.hi - n * hn::Set(d, t.ln2Over64[0]); // exact
        const DD mid = TwoProd(n, hn::Set(d, t.ln2Over64[1]));
        const DD r = FastTwoSum(head, hn::Neg(mid.hi));
        const V rl = r.lo + ((v.lo - mid.lo) - n * hn::Set(d, t.ln2Over64[2]));
        DD s = MulFast(Horner(t.expTail, t.expHead, r.hi), r.hi);
        const DD one = FastTwoSum(hn::Set(d, 1.0), s.hi);
        s = {one.hi, one.lo + (s.lo + rl + s.hi * rl)}; // exp(r.hi) (1 + r.lo)
        const VI j = hn::And(ni, hn::Set(di, kExpTable - 1));
        const DD e = MulDD(s, DD {Gather(t.exp2Hi, j), Gather(t.exp2Lo, j)});
        const V scale = Pow2(hn::ShiftRight<6>(ni));
        return {e.hi * scale, e.lo * scale};
    }

    // The seven ratios of one vector of (gamma, M) with their absolute bounds.
    struct Evaluated {
        DD ratio[7];
        V bound[7];
        hn::Mask<D> inDomain;
        DD lnP0; // ln p0/p0*, within lnP0Bound
        V lnP0Bound;
        V X, invB, C, dm; // M^2, 1/B, C and M^2 - 1 in double, for Grow
    };

    // What depends on gamma alone: worked out once a call when gamma is one
    // value. Lanes with gamma out of range compute at 1.4 and are left out.
    struct Gamma {
        V g;
        DD A, gm1, invA, invGm1; // 1 + g, g - 1 (both exact) and their reciprocals
        hn::Mask<D> inRange;
    };

    static HWY_INLINE Gamma GammaOf(V g)
    {
        const D d;
        const V one = hn::Set(d, 1.0);
        Gamma out;
        out.inRange = hn::And(hn::Gt(g, one), hn::Le(g, hn::Set(d, 1e6)));
        out.g = hn::IfThenElse(out.inRange, g, hn::Set(d, 1.4));
        out.A = TwoSum(one, out.g);
        out.gm1 = TwoSum(out.g, hn::Neg(one));
        out.invA = Reciprocal(out.A);
        out.invGm1 = Reciprocal(out.gm1);
        return out;
    }

    // The ratios at M, whose square is exact.
    static HWY_INLINE Evaluated Evaluate(const Gamma &gamma, V M, const Tables &t)
    {
        return EvaluateAt<false>(gamma, M, DD {M, M}, t);
    }

    // With kGiven, the ratios at X = X.hi + X.lo in place of M^2, M = sqrt(X)
    // in double telling the domain. kOnly = 5 makes ln p0 alone (lnP0, no
    // ratio), 6 the entropy alone: a root finder's steps.
    template<bool kGiven, int kOnly = -1>
    static HWY_INLINE Evaluated EvaluateAt(const Gamma &gamma, V M, DD X, const Tables &t)
    {
        const D d;
        const V one = hn::Set(d, 1.0);
        Evaluated out;
        out.inDomain
            = hn::And(gamma.inRange, hn::And(hn::Ge(M, hn::Set(d, 0x1p-200)), hn::Le(hn::Abs(M), hn::Set(d, 0x1p200))));
        // Out of the domain the lanes compute at a harmless point and are left
        // to the exact path.
        M = hn::IfThenElse(out.inDomain, M, hn::Set(d, 2.0));
        const V g = gamma.g;
        const DD &A = gamma.A, &gm1 = gamma.gm1, &invA = gamma.invA, &invGm1 = gamma.invGm1;

        DD m2 = TwoProd(M, M); // exact
        if constexpr (kGiven)
            m2 = Select(out.inDomain, X, m2);
        constexpr bool kAll = kOnly < 0, kEntropy = kAll || kOnly == 6, kLnP0 = kAll || kOnly == 5;
        const DD B = AddDDd(MulDDd(m2, g), one); // 1 + g M^2
        DD Am2, invAm2;
        if constexpr (kEntropy)
            Am2 = MulDD(m2, A);
        const DD C = AddDDd(MulDD(gm1, m2), hn::Set(d, 2.0)); // 2 + (g - 1) M^2

        const DD invB = Reciprocal(B);
        if constexpr (kEntropy)
            invAm2 = Reciprocal(Am2);

        DD *r = out.ratio;
        if constexpr (kAll) {
            r[1] = MulDD(A, invB);   // p
            r[3] = MulDD(Am2, invB); // V
        }
        if constexpr (kEntropy)
            r[2] = MulDD(B, invAm2); // rho
        if constexpr (kAll) {
            r[0] = MulDD(r[1], r[3]);           // T
            r[4] = MulDD(MulDD(r[0], C), invA); // T0
            for (int k = 0; k < 5; ++k)
                out.bound[k] = hn::Set(d, 0x1p-96) * hn::Abs(r[k].hi);
        }

        // With x = g d/(1 + g), y = -d/((1 + g) M^2) and z = -d/(1 + g M^2),
        // d = M^2 - 1: p = 1/(1 + x), rho = 1 + y, and (p0/p0*)/p to the power
        // (g-1)/g is p (1 + z). So (s* - s)/R = (g log1p(y) + log1p(x))/(g - 1)
        // and ln p0/p0* = (g log1p(z) + log1p(x))/(g - 1): terms of size 1 for
        // any g, where the textbook forms subtract terms of size g.
        const DD dm = AddDDd(TwoSum(m2.hi, hn::Neg(one)), m2.lo);
        const Logarithm Lx = Log1p(MulDD(MulDDd(dm, g), invA), MulDD(B, invA), t);
        const DD minusD = Neg(dm);
        Logarithm Ly, Lz;
        if constexpr (kEntropy)
            Ly = Log1p(MulDD(minusD, invAm2), r[2], t);
        if constexpr (kLnP0)
            Lz = Log1p(MulDD(minusD, invB), MulDD(C, invB), t);
        // Next to M = 1 the first-order terms cancel: g y + x = g d^2/((1 + g) M^2)
        // and g z + x = g^2 d^2/((1 + g)(1 + g M^2)) are formed directly and
        // the rest summed as log1p(v) - v, all of one size.
        hn::Mask<D> near;
        if constexpr (kAll)
            near = hn::And(Lx.small, hn::And(Ly.small, Lz.small));
        else if constexpr (kEntropy)
            near = hn::And(Lx.small, Ly.small);
        else
            near = hn::And(Lx.small, Lz.small);
        // Lanes far from M = 1 need no second form: skipped when no lane is
        // near, which gives every lane the same bits either way.
        const bool anyNear = !hn::AllFalse(d, near);
        const auto combine = [&](const Logarithm &L, const auto &first, V &bound) {
            DD sum = AddSloppy(MulDDd(L.value, g), Lx.value);
            const V farSize = g * hn::Abs(L.value.hi) + hn::Abs(Lx.value.hi);
            V error = g * L.error + Lx.error + hn::Set(d, 0x1p-100) * farSize;
            if (anyNear) {
                const DD f = first();
                const DD close = AddSloppy(AddSloppy(MulDDd(L.log1pmx, g), Lx.log1pmx), f);
                const V closeSize = g * hn::Abs(L.log1pmx.hi) + hn::Abs(Lx.log1pmx.hi) + hn::Abs(f.hi);
                sum = Select(near, close, sum);
                error = hn::IfThenElse(near, hn::Set(d, 0x1p-78) * closeSize, error);
            }
            const DD q = MulDD(sum, invGm1);
            bound = error * invGm1.hi * hn::Set(d, 1 + 0x1p-40) + hn::Set(d, 0x1p-100) * hn::Abs(q.hi);
            return q;
        };
        const auto gd2 = [&] { return MulDDd(MulDD(dm, dm), g); };
        if constexpr (kEntropy)
            r[6] = combine(
                Ly, [&] { return MulDD(gd2(), invAm2); }, out.bound[6]);
        if constexpr (kLnP0)
            out.lnP0 = combine(
                Lz, [&] { return MulDDd(MulDD(MulDD(gd2(), invA), invB), g); }, out.lnP0Bound);
        if constexpr (kAll) {
            const auto expOk = hn::Le(out.lnP0.hi, hn::Set(d, 700.0));
            out.inDomain = hn::And(out.inDomain, expOk);
            r[5] = Exp(Select(expOk, out.lnP0, DD {hn::Zero(d), hn::Zero(d)}), t);
            out.bound[5] = r[5].hi * (out.lnP0Bound * hn::Set(d, 1.001) + hn::Set(d, 0x1p-84));
        }
        out.X = m2.hi;
        out.invB = invB.hi;
        out.C = C.hi;
        out.dm = dm.hi;
        return out;
    }

    // The ratios at an exact X known only to lie within rel X of the X they
    // were evaluated at, rel <= 2^-60. With L_k = X dln r_k/dX, a ratio moves by at most
    // |r| (q + q^2), q = |L_k| rel + Q_k rel^2, Q_k bounding X^2 |d2 ln r_k/dX2|;
    // s, absolute, by |L_s| rel + Q_s rel^2. The factor 1 + 2^-20 covers the
    // roundings here and the distance of X.hi from the exact X. With w = gX/B:
    // L_p = -w, L_V = -L_rho = 1/B, L_T = 1 - 2w, L_T0 = L_T + (g-1)X/C,
    // L_p0 = w d/C and L_s = g d/((g-1)B); Q is 1 for p, V, rho and T, 2 for
    // T0, 1 + g(g-1)(X/C)^2 for p0 and g/(g-1) for s.
    static HWY_INLINE void Grow(Evaluated &out, const Gamma &gamma, V rel)
    {
        const V X = out.X, invB = out.invB, C = out.C, dm = out.dm;
        const D d;
        const V one = hn::Set(d, 1.0);
        const V g = gamma.g;
        const V rel2 = rel * rel;
        const V w = g * X * invB;
        const V invC = hn::Div(one, C);
        const V XC = X * invC;
        const V LT = hn::Abs(one - (w + w)) + hn::Set(d, 0x1p-50); // 1 - 2w rounds by a few u absolute
        const V L[6] = {LT, w, invB, invB, LT + gamma.gm1.hi * XC, w * hn::Abs(dm) * invC};
        const V Q[6] = {one, one, one, one, hn::Set(d, 2.0), one + g * gamma.gm1.hi * XC * XC};
        const V margin = hn::Set(d, 1 + 0x1p-20);
        for (int k = 0; k < 6; ++k) {
            const V q = Fma(L[k], rel, Q[k] * rel2);
            out.bound[k] = Fma(hn::Abs(out.ratio[k].hi), Fma(q, q, q) * margin, out.bound[k]);
        }
        const V invGm1 = gamma.invGm1.hi;
        const V Ls = hn::Abs(dm) * g * invB * invGm1;
        out.bound[6] = Fma(Fma(Ls, rel, g * invGm1 * rel2), margin, out.bound[6]);
    }

    // True where hi is the double nearest every value within bound of hi + lo:
    // the whole interval lies strictly between the midpoints around hi, the one
    // below half as far at a power of two. A NaN anywhere fails it. The
    // midpoints are drawn in by 2^-50 of themselves, a margin only.
    static HWY_INLINE hn::Mask<D> Decided(DD x, V bound)
    {
        const D d;
        const DI di;
        const VI bits = hn::BitCast(di, x.hi);
        const V power = hn::BitCast(d, hn::And(bits, hn::Set(di, 0x7ff0000000000000)));
        const V half = power * hn::Set(d, 0x1p-53 * (1 - 0x1p-50));
        const auto atPower = hn::RebindMask(d, hn::Eq(hn::And(bits, hn::Set(di, 0x000fffffffffffff)), hn::Zero(di)));
        const V below = hn::IfThenElse(atPower, half * hn::Set(d, 0.5), half);
        const auto normal = hn::And(hn::Ge(x.hi, hn::Set(d, 0x1p-960)), hn::Le(x.hi, hn::Set(d, 0x1p1000)));
        // An exact 0, the entropy at M = 1, is settled too.
        const auto exactZero = hn::And(hn::Eq(x.hi, hn::Zero(d)), hn::Eq(bound, hn::Zero(d)));
        return hn::Or(
            exactZero, hn::And(normal, hn::And(hn::Lt(x.lo + bound, half), hn::Gt(x.lo - bound, hn::Neg(below)))));
    }
};

// The batch loop of every kernel: element i's inputs are in[j][i], or
// in[j][0] for all where !perElement[j]; compute(x, y) fills one vector of
// outputs from one of inputs and returns where its lanes are settled. The
// outputs go to out[j][i]; the index of each element not settled is
// appended to rest, in order. The tail is padded with copies of its first
// element: a lane's bits do not depend on its neighbours.
template<class D, std::size_t kIn, std::size_t kOut, class F>
HWY_INLINE void Batch(const double *const (&in)[kIn], const bool (&perElement)[kIn], std::size_t n,
    double *const (&out)[kOut], std::vector<std::size_t> &rest, F compute)
{
    using V = hn::Vec<D>;
    const D d;
    const std::size_t lanes = hn::Lanes(d);
    HWY_ALIGN double pad[hn::MaxLanes(d)];
    for (std::size_t i = 0; i < n; i += lanes) {
        const std::size_t count = n - i < lanes ? n - i : lanes;
        V x[kIn];
        for (std::size_t j = 0; j < kIn; ++j) {
            if (!perElement[j]) {
                x[j] = hn::Set(d, in[j][0]);
            } else if (count == lanes) {
                x[j] = hn::LoadU(d, in[j] + i);
            } else {
                for (std::size_t l = 0; l < lanes; ++l)
                    pad[l] = in[j][i + (l < count ? l : 0)];
                x[j] = hn::Load(d, pad);
            }
        }
        V y[kOut];
        const hn::Mask<D> settled = compute(x, y);
        for (std::size_t j = 0; j < kOut; ++j) {
            if (count == lanes) {
                hn::StoreU(y[j], d, out[j] + i);
            } else {
                hn::Store(y[j], d, pad);
                std::memcpy(out[j] + i, pad, count * sizeof(double));
            }
        }
        if (!hn::AllTrue(d, settled)) [[unlikely]] {
            std::uint8_t mask[8] = {};
            hn::StoreMaskBits(d, settled, mask);
            for (std::size_t l = 0; l < count; ++l)
                if (!(mask[l / 8] >> (l % 8) & 1))
                    rest.push_back(i + l);
        }
    }
}

using Wide = Kernel<hn::ScalableTag<double>>;
using One = Kernel<hn::CappedTag<double, 1>>;
} // namespace HWY_NAMESPACE
} // namespace flow::forward
HWY_AFTER_NAMESPACE();

#endif // FLOW_KERNEL_INL_H_
