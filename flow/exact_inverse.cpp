// The inverse and the heat process on the exact path. The root is never
// rounded from an approximation alone: an approximation only proposes, and
// exact sign tests of f(m) - v at dyadic points m decide (GMP-exact for the
// rational ratios, Ziv's loop with the exact test for p0, Ziv's loop for s,
// transcendental off M = 1). Where M^2 is rational (p, rho, V given; T and
// T0 when the discriminant is a square) every ratio is formed exactly at it;
// otherwise the root is enclosed between two points that the sign tests
// prove lie on either side, and the enclosure narrows until each ratio at
// both ends rounds to one double.

#include "flow/exact.h"

#include "flow/exact_detail.h"
#include "flow/extended.h"
#include "flow/multiprecision.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>

namespace flow::exact {

namespace {

using namespace detail;

constexpr int kT = 0, kP = 1, kRho = 2, kV = 3, kT0 = 4, kP0 = 5, kS = 6;
constexpr mpfr_prec_t kFirst = 128;
constexpr mpfr_prec_t k64 = 64;
// An enclosure's half-width in ulps of its precision, log 2.
constexpr mpfr_prec_t kSlack = 16;
// From here an enclosure that has not settled asks whether the root is a
// double or a midpoint exactly (p0 can be rational: gamma = 2, M = 0.5
// gives 9/8).
constexpr mpfr_prec_t kAskExact = 512;
// Past this an enclosure is taken as settled at its lower end. Reached only
// where a ratio at an irrational root is exactly a midpoint of doubles, which
// p0 at an algebraic root with a rational M^2 that is no dyadic square is the
// one way to do.
constexpr mpfr_prec_t kCap = 8192;

Inverse refused(Found found, double limit) { return {found, kNaN, {kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN}, limit}; }

Inverse sonic(int k, double v)
{
    Inverse r {Found::Root, 1, {1, 1, 1, 1, 1, 1, 0}, kNaN};
    std::array<double *, 7> f {&r.at.T, &r.at.p, &r.at.rho, &r.at.V, &r.at.T0, &r.at.p0, &r.at.s};
    *f[k] = v;
    return r;
}

double &field(Ratios &r, int k)
{
    std::array<double *, 7> f {&r.T, &r.p, &r.rho, &r.V, &r.T0, &r.p0, &r.s};
    return *f[k];
}

// a/b, both exact, the double nearest.
double quotient(const Big &a, const Big &b)
{
    Big r;
    const int t = mpfr_div(r, a, b, MPFR_RNDN);
    return toDouble(r, t, MPFR_RNDN);
}

// The point halfway between adjacent doubles a < b, exactly; b infinite
// stands for 2^1024, the point from which a value rounds to infinity.
void midpoint(double a, double b, Big &m)
{
    mpfr_set_prec(m, 64);
    using L = std::numeric_limits<double>;
    mpfr_set_d(m, a, MPFR_RNDN);
    if (std::isinf(b))
        mpfr_add_d(m, m, std::ldexp(1.0, L::max_exponent - L::digits - 1), MPFR_RNDN);
    else {
        mpfr_add_d(m, m, b, MPFR_RNDN);
        mpfr_div_2ui(m, m, 1, MPFR_RNDN);
    }
}

// Of two adjacent doubles, the one a tie rounds to; infinity above the
// largest (its significand is odd).
double even(double a, double b) { return (std::bit_cast<std::uint64_t>(a) & 1) == 0 ? a : b; }

// The double nearest a root bracketed by [a, b], once both ends round to
// one double or to neighbours: then the sign sideAt(m) at their midpoint m
// decides (negative: the root lies above m). NaN while the bracket is
// wider. Where m is the root itself, tie is set, m is left in it for the
// caller's exact answer there, and the even neighbour is given.
template<class SideAt> double nearestInBracket(const Big &a, const Big &b, Big &m, bool &tie, SideAt sideAt)
{
    const double da = rounded(a, MPFR_RNDN), db = rounded(b, MPFR_RNDN);
    if (da == db)
        return da;
    if (std::nextafter(da, kInf) != db)
        return kNaN;
    midpoint(da, db, m);
    const int s = sideAt(m);
    tie = s == 0;
    return tie ? even(da, db) : s < 0 ? da : db;
}

// Which way ratio k runs with M on a branch, and whether it turns.
bool rising(int k, bool high) { return k == kV || ((k == kT || k == kT0) && !high) || (k >= kP0 && high); }
bool turns(int k) { return k == kT || k >= kT0; }

// The sign of X - X* at the turn: X* = 1/g for T, 1 for T0, p0 and s.
int turnSide(int k, const Exact &x)
{
    if (k != kT)
        return mpfr_sgn(x.d);
    Big gm2, diff;
    mul(gm2, x.g, x.m2);
    add(diff, gm2, x.one, true);
    return mpfr_sgn(diff);
}

// Ziv's sign of a - v for a within 2^(EXP(a) - err), 0 while undecided.
int separated(const Approx &a, const Big &v)
{
    if (a.err <= 4)
        return 0;
    Big diff(mpfr_get_prec(a.value));
    mpfr_sub(diff, a.value, v, MPFR_RNDN);
    if (mpfr_zero_p(diff) || mpfr_get_exp(diff) - 2 < mpfr_get_exp(a.value) - a.err)
        return 0;
    return mpfr_sgn(diff);
}

// The exact sign of f_k(X) - v.
int compare(int k, const Exact &x, const Big &v)
{
    if (k < kP0) {
        Big num, den, vden, diff;
        fraction(x, k, num, den);
        mul(vden, v, den);
        add(diff, num, vden, true);
        return mpfr_sgn(diff);
    }
    if (mpfr_zero_p(x.d))
        return k == kP0 ? -mpfr_cmp_ui(v, 1) : -mpfr_sgn(v);
    bool compared = false;
    for (mpfr_prec_t w = kStart;; w *= 2) {
        Approx a(w);
        approximate(x, w, kLnPastDouble, k == kP0 ? &a : nullptr, k == kS ? &a : nullptr);
        if (a.past)
            return 1; // v is a double
        if (const int c = separated(a, v))
            return c;
        // s is transcendental off M = 1; p0 may equal v.
        if (k == kP0 && !compared && w >= kCompare) {
            compared = true;
            if (equalsP0(x, v))
                return 0;
        }
    }
}

// Where the root on the branch lies from the point X: -1 below, 0 at it,
// 1 above. hint, an approximation of p0 or s at X already made, may spare
// Ziv's loop.
int side(int k, bool high, const Exact &x, const Big &v, const Approx *hint = nullptr)
{
    if (turns(k)) {
        const int t = turnSide(k, x);
        if (!high && t > 0)
            return -1;
        if (high && t < 0)
            return 1;
    }
    int c = hint ? (hint->past ? 1 : separated(*hint, v)) : 0;
    if (c == 0)
        c = compare(k, x, v);
    if (c == 0)
        return 0;
    return (c > 0) == rising(k, high) ? -1 : 1;
}

// p0 and s at x, when asked for, the double nearest each.
void transcendentalAt(const Exact &x, double *p0, double *s)
{
    if (!mpfr_zero_p(x.d)) {
        transcendental(x, p0, s, kFirst);
        return;
    }
    if (p0)
        *p0 = 1;
    if (s)
        *s = 0;
}

// Every ratio at x, the double nearest each; k's is v.
Ratios ratiosAt(const Exact &x, int k, double v)
{
    Ratios r {};
    for (int j = 0; j < kP0; ++j)
        field(r, j) = j == k ? v : rational(x, j);
    transcendentalAt(x, k == kP0 ? nullptr : &r.p0, k == kS ? nullptr : &r.s);
    field(r, k) = v;
    return r;
}

Inverse rootAt(const Exact &x, double M, int k, double v)
{
    if (M == 0)
        return refused(Found::Vanishing, kNaN);
    if (std::isinf(M))
        return refused(Found::Beyond, kNaN);
    return {Found::Root, M, ratiosAt(x, k, v), kNaN};
}

// The double nearest sqrt(n/den), n/den > 0 exact.
double nearestSqrt(const Big &n, const Big &den)
{
    Big lo(k64), hi(k64);
    mpfr_div(lo, n, den, MPFR_RNDD);
    mpfr_sqrt(lo, lo, MPFR_RNDD);
    mpfr_div(hi, n, den, MPFR_RNDU);
    mpfr_sqrt(hi, hi, MPFR_RNDU);
    double M = rounded(lo, MPFR_RNDN);
    const double up = rounded(hi, MPFR_RNDN);
    if (M != up) {
        // 64 bits leave at most one midpoint between: m^2 den against n.
        Big m, m2, m2den;
        midpoint(M, up, m);
        mul(m2, m, m);
        mul(m2den, m2, den);
        const int c = mpfr_cmp(m2den, n);
        M = c < 0 ? up : c > 0 ? M : even(M, up);
    }
    return M;
}

// M^2 = n/den exactly.
Inverse rationalRoot(double gamma, const Big &n, const Big &den, int k, double v)
{
    return rootAt(Exact(gamma, n, den), nearestSqrt(n, den), k, v);
}

// The root when it is the dyadic m exactly.
Inverse dyadicRoot(double gamma, const Big &m, int k, double v)
{
    return rootAt(Exact(gamma, m), rounded(m, MPFR_RNDN), k, v);
}

// Proposes the root at precision w: within a few of its ulps.
using Propose = std::function<void(mpfr_prec_t w, Big &M)>;

// The extremum of ratio j inside [a, b], the double nearest, or NaN.
double turnInside(int j, const Exact &xa, const Exact &xb)
{
    if (!turns(j) || turnSide(j, xa) > 0 || turnSide(j, xb) < 0)
        return kNaN;
    if (j != kT)
        return j == kS ? 0 : 1;
    // (1 + g)^2/(4 g)
    Big num, four(4.0), den;
    mul(num, xa.v1, xa.v1);
    mul(den, four, xa.g);
    return quotient(num, den);
}

// p0 and s at an end of an enclosure in one pass: the given one for its
// sign test, the other to round.
struct End {
    End(double gamma, const Big &m, mpfr_prec_t w, bool wantP0, bool wantS) : x(gamma, m), p0(w), s(w)
    {
        sonic = mpfr_zero_p(x.d);
        if (!sonic && (wantP0 || wantS))
            approximate(x, w, kLnPastDouble, wantP0 ? &p0 : nullptr, wantS ? &s : nullptr);
    }
    const Approx *hint(int k) const { return sonic || k < kP0 ? nullptr : k == kP0 ? &p0 : &s; }
    // Ziv's loop takes over where this precision cannot tell, as next to
    // M = 1, where p0 - 1 is below it.
    double rounded(int j) const
    {
        if (sonic)
            return j == kS ? 0 : 1;
        if (const auto r = decided(j == kP0 ? p0 : s))
            return *r;
        double r = 0;
        transcendental(x, j == kP0 ? &r : nullptr, j == kS ? &r : nullptr, 2 * mpfr_get_prec(p0.value));
        return r;
    }
    Exact x;
    Approx p0, s;
    bool sonic;
};

Inverse enclosed(int k, bool high, double gamma, double v, const Propose &propose)
{
    const Big V(v);
    Ratios at {};
    std::array<bool, 7> done {};
    done[k] = true;
    field(at, k) = v;
    double M = kNaN;
    bool askedExact = false;
    // A proposal the sign tests refuse widens the next enclosure too.
    mpfr_prec_t slack = kSlack;
    for (mpfr_prec_t w = kFirst;; w *= 2, slack = std::min(slack, w / 2)) {
        Big Mw(w);
        propose(w, Mw);
        // a and b 2^16 ulps of w either side, to spare Newton a step; the
        // sign tests prove it.
        Big rad(w), a(w + 8), b(w + 8);
        mpfr_mul_2si(rad, Mw, slack - w, MPFR_RNDU);
        mpfr_sub(a, Mw, rad, MPFR_RNDD);
        mpfr_add(b, Mw, rad, MPFR_RNDU);
        const bool wantP0 = !done[kP0] || k == kP0, wantS = !done[kS] || k == kS;
        const mpfr_prec_t pw = w + 48;
        const End ea(gamma, a, pw, wantP0, wantS);
        const int sa = side(k, high, ea.x, V, ea.hint(k));
        if (sa == 0)
            return dyadicRoot(gamma, a, k, v);
        slack += sa < 0 ? 2 * kSlack : 0;
        if (sa < 0)
            continue;
        const End eb(gamma, b, pw, wantP0, wantS);
        const int sb = side(k, high, eb.x, V, eb.hint(k));
        if (sb == 0)
            return dyadicRoot(gamma, b, k, v);
        slack += sb > 0 ? 2 * kSlack : 0;
        if (sb > 0)
            continue;
        const Exact &xa = ea.x, &xb = eb.x;
        if (std::isnan(M)) {
            Big m;
            bool tie = false;
            M = nearestInBracket(a, b, m, tie, [&](const Big &at) { return side(k, high, Exact(gamma, at), V); });
            if (tie)
                return dyadicRoot(gamma, m, k, v);
            if (M == 0)
                return refused(Found::Vanishing, kNaN);
            if (std::isinf(M))
                return refused(Found::Beyond, kNaN);
        }
        bool settled = !std::isnan(M);
        std::array<double, 7> ra {}, rb {};
        for (int j = 0; j < 7; ++j) {
            if (done[j])
                continue;
            if (j < kP0) {
                ra[j] = rational(xa, j);
                rb[j] = rational(xb, j);
            } else {
                ra[j] = ea.rounded(j);
                rb[j] = eb.rounded(j);
            }
            double lo = std::min(ra[j], rb[j]), hi = std::max(ra[j], rb[j]);
            const double turn = turnInside(j, xa, xb);
            if (!std::isnan(turn)) {
                lo = std::min(lo, turn);
                hi = std::max(hi, turn);
            }
            if (lo == hi || w >= kCap) {
                field(at, j) = lo;
                done[j] = true;
            } else {
                settled = false;
            }
        }
        if (settled)
            return {Found::Root, M, at, kNaN};
        if (w >= kAskExact && !askedExact && !std::isnan(M)) {
            // A root that is a double or a midpoint, where a ratio is a
            // midpoint: no enclosure settles it.
            askedExact = true;
            Big m(k64);
            mpfr_set(m, Mw, MPFR_RNDN);
            const Exact xm(gamma, m);
            if (side(k, high, xm, V) == 0)
                return dyadicRoot(gamma, m, k, v);
        }
    }
}

// T = v: g v M^2 - A M sqrt(v) ... in M with r = sqrt(v): the roots
// 2 r/(A + sqrt D) and (A + sqrt D)/(2 g r), D = A^2 - 4 g v, free of
// cancellation.
Inverse fromT(double gamma, double v, bool high)
{
    const Big g(gamma), V(v), four(4.0), one(1.0);
    Big A, A2, gv, fgv, D;
    add(A, one, g);
    mul(A2, A, A);
    mul(gv, g, V);
    mul(fgv, four, gv);
    add(D, A2, fgv, true);
    if (mpfr_sgn(D) < 0) {
        Big den;
        mul(den, four, g);
        return refused(Found::Outside, quotient(A2, den));
    }
    Big sd(mpfr_get_prec(D));
    if (mpfr_sqrt(sd, D, MPFR_RNDN) == 0) {
        // X = 4 v/(A + sd)^2 or (A + sd)^2/(4 g^2 v), rational.
        Big s, s2, fv, g2v, den;
        add(s, A, sd);
        mul(s2, s, s);
        mul(fv, four, V);
        if (!high)
            return rationalRoot(gamma, fv, s2, kT, v);
        mul(den, fgv, g);
        return rationalRoot(gamma, s2, den, kT, v);
    }
    return enclosed(kT, high, gamma, v, [&](mpfr_prec_t w, Big &M) {
        Big r(w), s(w), t(w);
        mpfr_sqrt(s, D, MPFR_RNDN);
        mpfr_add(s, s, A, MPFR_RNDN);
        mpfr_sqrt(r, V, MPFR_RNDN);
        if (!high) {
            mpfr_mul_2ui(t, r, 1, MPFR_RNDN);
            mpfr_div(M, t, s, MPFR_RNDN);
        } else {
            mpfr_mul(t, r, g, MPFR_RNDN);
            mpfr_mul_2ui(t, t, 1, MPFR_RNDN);
            mpfr_div(M, s, t, MPFR_RNDN);
        }
    });
}

// T0 = t: with e = 1 - t, X solves (1 - g^2 e) X^2 - 2 (1 + g e) X + t = 0
// (flow/extended.cpp): X = t/b below M = 1 and b/a above, b = 1 + g e +
// (g + 1) sqrt(e), a = 1 - g^2 e, the discriminant (g + 1)^2 e.
Inverse fromT0(double gamma, double v, bool high)
{
    const Big g(gamma), V(v), one(1.0);
    Big e, g2, g2e, a, A;
    add(e, one, V, true);
    mul(g2, g, g);
    mul(g2e, g2, e);
    add(a, one, g2e, true);
    add(A, one, g);
    const int limitSide = mpfr_sgn(a);
    if (high && limitSide <= 0) {
        // (g^2 - 1)/g^2
        Big gm1, g21;
        add(gm1, g, one, true);
        mul(g21, gm1, A);
        return refused(limitSide == 0 ? Found::AtLimit : Found::Outside, quotient(g21, g2));
    }
    Big re(mpfr_get_prec(e));
    if (mpfr_sqrt(re, e, MPFR_RNDN) == 0) {
        Big ge, b1, Are, b;
        mul(ge, g, e);
        add(b1, one, ge);
        mul(Are, A, re);
        add(b, b1, Are);
        return high ? rationalRoot(gamma, b, a, kT0, v) : rationalRoot(gamma, V, b, kT0, v);
    }
    return enclosed(kT0, high, gamma, v, [&](mpfr_prec_t w, Big &M) {
        Big b(w), t(w);
        mpfr_sqrt(b, e, MPFR_RNDN);
        mpfr_mul(b, b, A, MPFR_RNDN);
        mpfr_fma(b, g, e, b, MPFR_RNDN);
        mpfr_add_ui(b, b, 1, MPFR_RNDN);
        if (high)
            mpfr_div(t, b, a, MPFR_RNDN);
        else
            mpfr_div(t, V, b, MPFR_RNDN);
        mpfr_sqrt(M, t, MPFR_RNDN);
    });
}

// p0 or s on a branch: a safeguarded Newton in ln M in long double from
// the series next to M = 1, then Newton in MPFR at each precision asked.
class Newton {
public:
    Newton(int k, bool high, double gamma, double v) : m_k(k), m_high(high), m_gamma(gamma), m_v(v), m_M(k64)
    {
        using R = extended::Real;
        const R g = gamma;
        const R lnV = k == kP0 ? std::log1p(R(v) - 1) : 0;
        const auto h = [&](R u, R &dh) {
            const R M = std::exp(u), X = M * M, B = 1 + g * X;
            if (k == kP0) {
                dh = 2 * X * g * (X - 1) / (B * (2 + (g - 1) * X));
                return extended::logP0(g, M) - lnV;
            }
            dh = 2 * g / (g - 1) * (X - 1) / B;
            return extended::entropy(g, M) - R(v);
        };
        using L = std::numeric_limits<double>;
        // Past either end of a double's range by a little.
        const R uLow = (L::min_exponent - L::digits - 2) * std::log(R(2));
        const R uHigh = (L::max_exponent + 1) * std::log(R(2));
        R lo = high ? 0 : uLow, hi = high ? uHigh : 0;
        // Next to M = 1 both are (c d)^2 with d = M^2 - 1.
        const R c2 = k == kP0 ? g / (2 * (1 + g) * (1 + g)) : g / (2 * (g * g - 1));
        const R d = std::sqrt((k == kP0 ? lnV : R(v)) / c2) * (high ? 1 : -1);
        if (std::fabs(d) < 0x1p-20L) {
            // Closer to 1 than a long double tells: M = sqrt(1 + d) in
            // MPFR to d's own digits, Newton's steps correct the rest.
            Big D(k64);
            mpfr_set_ld(D, d, MPFR_RNDN);
            mpfr_set_prec(m_M, 2 * k64 - mpfr_get_exp(D));
            mpfr_add_ui(m_M, D, 1, MPFR_RNDN);
            mpfr_sqrt(m_M, m_M, MPFR_RNDN);
            return;
        }
        R u = std::clamp(std::log1p(std::max(d, R(-0.9))) / 2, lo, hi);
        const bool up = rising(k, high);
        for (int i = 0; i < 400; ++i) {
            R dh = 0;
            const R f = h(u, dh);
            if (f == 0)
                break;
            ((f < 0) == up ? lo : hi) = u;
            R next = u - f / dh;
            if (!(next > lo && next < hi))
                next = lo / 2 + hi / 2;
            if (std::fabs(next - u) <= 1e-19L * std::max(R(1), std::fabs(u)) || lo == hi)
                break;
            u = next;
        }
        m_u = static_cast<double>(u);
        mpfr_set_ld(m_M, std::exp(u), MPFR_RNDN);
    }

    // ln M of the long double root: the ends of a double's range are
    // checked exactly when it is near them.
    double lnM() const { return m_u; }

    void operator()(mpfr_prec_t w, Big &M)
    {
        const Big V(m_v);
        mpfr_prec_t work = w + 32;
        for (int step = 0; step < 6; ++step) {
            if (mpfr_get_prec(m_M) < w)
                mpfr_prec_round(m_M, w, MPFR_RNDN);
            const Exact x(m_gamma, m_M);
            if (mpfr_zero_p(x.d))
                break;
            Big slope(w);
            derivative(x, slope);
            if (mpfr_zero_p(slope) || !mpfr_number_p(slope))
                break;
            // f is wanted within M |f'| 2^-(w + 6): next to the root it
            // is the difference of two nearly equal numbers.
            const mpfr_exp_t want = mpfr_get_exp(slope) + mpfr_get_exp(m_M) - w - 8;
            Big f(work);
            bool accurate = true;
            for (;; work *= 2) {
                mpfr_set_prec(f, work);
                mpfr_exp_t err = 0;
                if (m_k == kP0) {
                    Big lnv(work);
                    approximate(x, work, kLnPastDouble, nullptr, nullptr, &f, &err);
                    mpfr_log(lnv, V, MPFR_RNDN);
                    err = std::max(err, mpfr_get_exp(lnv) - work) + 1;
                    mpfr_sub(f, f, lnv, MPFR_RNDN);
                } else {
                    Approx a(work);
                    approximate(x, work, kLnPastDouble, nullptr, &a);
                    err = a.err > 0 ? mpfr_get_exp(a.value) - a.err + 1 : want + 1;
                    mpfr_sub(f, a.value, V, MPFR_RNDN);
                }
                if (err <= want)
                    break;
                // Far from the root 16 bits of f make a good step; only
                // a step from a full f may end the steps.
                if (!mpfr_zero_p(f) && mpfr_get_exp(f) - err >= 16) {
                    accurate = false;
                    break;
                }
                if (work > 64 * w)
                    return; // cancels to nothing here: keep M
            }
            const mpfr_prec_t p = mpfr_get_prec(m_M);
            Big delta(p), next(p);
            mpfr_div(delta, f, slope, MPFR_RNDN);
            if (m_k == kP0 && !m_high) {
                // In X = M^2: ln p0 is convex and falling in X on [0, 1],
                // nearly linear next to M = 0, so Newton's steps there
                // converge from any start where in M they only halve.
                Big X(p);
                mpfr_mul(delta, delta, m_M, MPFR_RNDN);
                mpfr_mul_2ui(delta, delta, 1, MPFR_RNDN);
                mpfr_sqr(X, m_M, MPFR_RNDN);
                mpfr_sub(X, X, delta, MPFR_RNDN);
                if (mpfr_sgn(X) > 0)
                    mpfr_sqrt(next, X, MPFR_RNDN);
                else
                    mpfr_set_zero(next, 1);
                mpfr_sub(delta, m_M, next, MPFR_RNDN);
            } else {
                mpfr_sub(next, m_M, delta, MPFR_RNDN);
            }
            // Never onto the other branch, nor to M <= 0: halfway instead.
            if (mpfr_sgn(next) <= 0)
                mpfr_div_2ui(next, m_M, 1, MPFR_RNDN);
            if ((mpfr_cmp_ui(next, 1) > 0) != m_high) {
                mpfr_add_ui(next, m_M, 1, MPFR_RNDN);
                mpfr_div_2ui(next, next, 1, MPFR_RNDN);
            }
            // Newton's relative error squares, times C = M h''/(2 h') <
            // 4 + X/|X - 1| for h = ln p0 - ln v or s - v: once C r^2 lies
            // inside the enclosure enclosed() tries, so does M.
            const double Xd = mpfr_get_d(x.m2, MPFR_RNDN), dd = std::fabs(mpfr_get_d(x.d, MPFR_RNDN));
            const double C = 4 + (Xd > 2 ? 2 : Xd / dd);
            const mpfr_exp_t r = mpfr_zero_p(delta) ? 0 : mpfr_get_exp(delta) - mpfr_get_exp(m_M) + 1;
            const bool small = accurate
                && (mpfr_zero_p(delta) || mpfr_get_exp(delta) < mpfr_get_exp(m_M) - w + kSlack - 4
                    || (std::isfinite(C) && 2 * r + std::ilogb(C) + 1 < kSlack - w - 4));
            mpfr_swap(m_M, next);
            if (small)
                break;
        }
        mpfr_set_prec(M, w);
        mpfr_set(M, m_M, MPFR_RNDN);
    }

private:
    // d(ln p0)/dM or ds/dM at dh's precision, so that a step's error is
    // C r^2 and not r times the slope's: from d/du = 2 X g (X - 1)/(B C),
    // 2 g (X - 1)/((g - 1) B), u = ln M.
    void derivative(const Exact &x, Big &dh) const
    {
        const mpfr_prec_t w = mpfr_get_prec(dh);
        Big X(w), B(w), t(w);
        mpfr_sqr(X, m_M, MPFR_RNDN);
        mpfr_mul(B, X, x.g, MPFR_RNDN);
        mpfr_add_ui(B, B, 1, MPFR_RNDN);
        mpfr_set(dh, x.d, MPFR_RNDN); // X - 1 exactly, however close to 1
        mpfr_div(dh, dh, B, MPFR_RNDN);
        mpfr_mul(dh, dh, x.g, MPFR_RNDN);
        mpfr_mul_2ui(dh, dh, 1, MPFR_RNDN);
        if (m_k == kP0) {
            mpfr_mul(t, x.gm1, X, MPFR_RNDN);
            mpfr_add_ui(t, t, 2, MPFR_RNDN);
            mpfr_div(dh, dh, t, MPFR_RNDN);
            mpfr_mul(dh, dh, X, MPFR_RNDN);
        } else {
            mpfr_div(dh, dh, x.gm1, MPFR_RNDN);
        }
        mpfr_div(dh, dh, m_M, MPFR_RNDN);
    }

    int m_k;
    bool m_high;
    double m_gamma, m_v;
    double m_u = 0;
    Big m_M;
};

Inverse transcendentalRoot(int k, bool high, double gamma, double v)
{
    Newton newton(k, high, gamma, v);
    using L = std::numeric_limits<double>;
    const Big V(v);
    // The ends of a double's range: a root at or past the midpoint above
    // the largest double is Beyond, at or below half the least subnormal
    // Vanishing, each by the sign test there.
    if (newton.lnM() > (L::max_exponent - 2) * std::log(2.0)) {
        Big m;
        midpoint(L::max(), kInf, m);
        if (side(k, high, Exact(gamma, m), V) >= 0)
            return refused(Found::Beyond, kNaN);
    }
    if (newton.lnM() < (L::min_exponent - L::digits + 2) * std::log(2.0)) {
        Big m;
        midpoint(0, L::denorm_min(), m);
        if (side(k, high, Exact(gamma, m), V) <= 0)
            return refused(Found::Vanishing, kNaN);
    }
    return enclosed(k, high, gamma, v, std::ref(newton));
}

// The heat process: the exit on the inlet's branch where T0/T0* is
// t = tn/td exactly, tn and td dyadic.
struct Process {
    Process(double gamma, double M1, const Big &r) : x1(gamma, M1), gamma(gamma), M1(M1)
    {
        // t = r A X1 C1 / B1^2
        Big vm, vmc;
        mul(vm, x1.v1, x1.m2);
        mul(vmc, vm, x1.u);
        mul(tn, vmc, r);
        mul(td, x1.w, x1.w);
        add(en, td, tn, true);
    }
    Exact x1;
    double gamma, M1;
    Big tn, td, en; // en = td - tn, (1 - t) td
};

// The exit ratios p, T, rho, V, p0 and ds at one point, each as the
// doubles nearest a lower and an upper bound of its exact value.
struct Bounds {
    std::array<double, 6> lo {}, hi {};
};

// f_j(x)/f_j(x1) for the rational ratios, exactly rounded.
double rationalOver(const Exact &x, const Exact &x1, int j)
{
    Big n, d, n1, d1, num, den;
    fraction(x, j, n, d);
    fraction(x1, j, n1, d1);
    mul(num, n, d1);
    mul(den, d, n1);
    return quotient(num, den);
}

// ln p0 and s at x within the errors returned (as exponents of 2); exactly
// 0 at M = 1. False when precision w cannot bound s.
bool lnP0AndS(const Exact &x, mpfr_prec_t w, Big &lnP0, mpfr_exp_t &lnErr, Big &s, mpfr_exp_t &sErr)
{
    mpfr_set_prec(lnP0, w);
    mpfr_set_prec(s, w);
    if (mpfr_zero_p(x.d)) {
        mpfr_set_zero(lnP0, 1);
        mpfr_set_zero(s, 1);
        lnErr = sErr = std::numeric_limits<mpfr_exp_t>::min() / 2;
        return true;
    }
    Approx as(w);
    approximate(x, w, kLnPastDouble, nullptr, &as, &lnP0, &lnErr);
    if (as.err <= 0)
        return false;
    mpfr_swap(s, as.value);
    sErr = mpfr_get_exp(s) - as.err;
    return true;
}

// [y - 2^e, y + 2^e] mapped by f (exp or identity), each end rounded
// outward and then to the nearest double.
void boundsOf(const Big &y, mpfr_exp_t e, bool exponential, double &lo, double &hi)
{
    const mpfr_prec_t w = mpfr_get_prec(y);
    Big r(w), a(w), b(w);
    mpfr_set_ui_2exp(r, 1, e, MPFR_RNDU);
    mpfr_sub(a, y, r, MPFR_RNDD);
    mpfr_add(b, y, r, MPFR_RNDU);
    if (exponential) {
        mpfr_exp(a, a, MPFR_RNDD);
        mpfr_exp(b, b, MPFR_RNDU);
    }
    lo = rounded(a, MPFR_RNDN);
    hi = rounded(b, MPFR_RNDN);
}

// The exit ratios at x against the inlet's, ln p0 and s at the inlet given.
bool exitBounds(const Exact &x, const Exact &x1, mpfr_prec_t w, const Big &l1, mpfr_exp_t e1, const Big &s1,
    mpfr_exp_t es1, Bounds &out)
{
    const int order[] = {1, 0, 2, 3}; // p, T, rho, V
    for (int i = 0; i < 4; ++i)
        out.lo[i] = out.hi[i] = rationalOver(x, x1, order[i]);
    Big l(w), s(w), dl(w), ds(w);
    mpfr_exp_t el = 0, es = 0;
    if (!lnP0AndS(x, w, l, el, s, es))
        return false;
    // Each difference rounds once more, within an ulp of its result.
    mpfr_sub(dl, l, l1, MPFR_RNDN);
    mpfr_sub(ds, s1, s, MPFR_RNDN);
    const auto err = [w](const Big &d, mpfr_exp_t a, mpfr_exp_t b) {
        const mpfr_exp_t rounding = mpfr_zero_p(d) ? std::numeric_limits<mpfr_exp_t>::min() / 2 : mpfr_get_exp(d) - w;
        return std::max({a, b, rounding}) + 2;
    };
    boundsOf(dl, err(dl, el, e1), true, out.lo[4], out.hi[4]);
    boundsOf(ds, err(ds, es, es1), false, out.lo[5], out.hi[5]);
    return true;
}

// The sign of T0(x) - t.
int compareT0(const Process &pr, const Exact &x)
{
    Big num, den, a, b, diff;
    fraction(x, kT0, num, den);
    mul(a, num, pr.td);
    mul(b, pr.tn, den);
    add(diff, a, b, true);
    return mpfr_sgn(diff);
}

// Where the exit lies from x on the branch: -1 below, 0 at it, 1 above.
int exitSide(const Process &pr, bool high, const Exact &x)
{
    const int t = mpfr_sgn(x.d);
    if (!high && t > 0)
        return -1;
    if (high && t < 0)
        return 1;
    const int c = compareT0(pr, x);
    return c == 0 ? 0 : (c > 0) == !high ? -1 : 1;
}

void fill(Heat &h, double M2, const std::array<double, 6> &r)
{
    h.found = Heat::Found::Exit;
    h.M2 = M2;
    h.p = r[0];
    h.T = r[1];
    h.rho = r[2];
    h.V = r[3];
    h.p0 = r[4];
    h.ds = r[5];
}

// The exit at the exact point x (M^2 rational): Ziv's loop on p0 and ds.
void exitAt(Heat &h, const Process &pr, const Exact &x, double M2)
{
    for (mpfr_prec_t w = kFirst;; w *= 2) {
        Big l1(w), s1(w);
        mpfr_exp_t e1 = 0, es1 = 0;
        Bounds b;
        if (lnP0AndS(pr.x1, w, l1, e1, s1, es1) && exitBounds(x, pr.x1, w, l1, e1, s1, es1, b)
            && ((b.lo[4] == b.hi[4] && b.lo[5] == b.hi[5]) || w >= kCap)) {
            fill(h, M2, b.lo);
            return;
        }
    }
}

// The exit where M2^2 is irrational: enclosures narrowed until M2 and each
// ratio round to one double at both ends (and at a turn of T inside).
void exitEnclosed(Heat &h, const Process &pr, bool high)
{
    const double gamma = pr.gamma;
    const Big g(gamma), one(1.0);
    Big A, gen, sq, a, b1;
    add(A, one, g);
    // a = td - g^2 en, b = td + g en + (g + 1) sqrt(td en)
    Big g2, g2en;
    mul(g2, g, g);
    mul(g2en, g2, pr.en);
    add(a, pr.td, g2en, true);
    mul(gen, g, pr.en);
    add(b1, pr.td, gen);
    Big tden;
    mul(tden, pr.td, pr.en);
    double M2 = kNaN;
    for (mpfr_prec_t w = kFirst;; w *= 2) {
        Big Mw(w), bb(w), X(w);
        mpfr_sqrt(bb, tden, MPFR_RNDN);
        mpfr_mul(bb, bb, A, MPFR_RNDN);
        mpfr_add(bb, bb, b1, MPFR_RNDN);
        if (high)
            mpfr_div(X, bb, a, MPFR_RNDN);
        else
            mpfr_div(X, pr.tn, bb, MPFR_RNDN);
        mpfr_sqrt(Mw, X, MPFR_RNDN);
        Big rad(w), lo(w + 8), hi(w + 8);
        mpfr_mul_2si(rad, Mw, kSlack - w, MPFR_RNDU);
        mpfr_sub(lo, Mw, rad, MPFR_RNDD);
        mpfr_add(hi, Mw, rad, MPFR_RNDU);
        const Exact xa(gamma, lo), xb(gamma, hi);
        const int sa = exitSide(pr, high, xa);
        if (sa == 0)
            return exitAt(h, pr, xa, rounded(lo, MPFR_RNDN));
        if (sa < 0)
            continue;
        const int sb = exitSide(pr, high, xb);
        if (sb == 0)
            return exitAt(h, pr, xb, rounded(hi, MPFR_RNDN));
        if (sb > 0)
            continue;
        if (std::isnan(M2)) {
            Big m;
            bool tie = false;
            M2 = nearestInBracket(lo, hi, m, tie, [&](const Big &at) { return exitSide(pr, high, Exact(gamma, at)); });
            if (tie)
                return exitAt(h, pr, Exact(gamma, m), M2);
            if (M2 == 0 || std::isinf(M2)) {
                h.found = M2 == 0 ? Heat::Found::Vanishing : Heat::Found::Beyond;
                return;
            }
        }
        const mpfr_prec_t pw = w + 64;
        Big l1(pw), s1(pw);
        mpfr_exp_t e1 = 0, es1 = 0;
        Bounds ba, bb2, bt;
        if (!lnP0AndS(pr.x1, pw, l1, e1, s1, es1) || !exitBounds(xa, pr.x1, pw, l1, e1, s1, es1, ba)
            || !exitBounds(xb, pr.x1, pw, l1, e1, s1, es1, bb2))
            continue;
        // T turns at M^2 = 1/g; p0 and s at 1.
        std::array<double, 6> lo6 {}, hi6 {};
        for (int i = 0; i < 6; ++i) {
            lo6[i] = std::min(ba.lo[i], bb2.lo[i]);
            hi6[i] = std::max(ba.hi[i], bb2.hi[i]);
        }
        const auto widen = [&](const Exact &xt, int first, int last) {
            if (!exitBounds(xt, pr.x1, pw, l1, e1, s1, es1, bt))
                return false;
            for (int i = first; i <= last; ++i) {
                lo6[i] = std::min(lo6[i], bt.lo[i]);
                hi6[i] = std::max(hi6[i], bt.hi[i]);
            }
            return true;
        };
        if (turnSide(kT, xa) <= 0 && turnSide(kT, xb) >= 0 && !widen(Exact(gamma, one, g), 1, 1))
            continue;
        if (mpfr_sgn(xa.d) <= 0 && mpfr_sgn(xb.d) >= 0 && !widen(Exact(gamma, one, one), 4, 5))
            continue;
        bool settled = true;
        for (int i = 0; i < 6; ++i)
            settled = settled && lo6[i] == hi6[i];
        if (settled || w >= kCap) {
            fill(h, M2, lo6);
            return;
        }
    }
}

} // namespace

Inverse inverse(int k, double gamma, double v, bool high)
{
    if (k < 0 || k > 6 || !inDomain(gamma, 1) || !std::isfinite(v))
        return refused(Found::Outside, kNaN);
    releaseCachesAtThreadExit();
    const Big g(gamma), V(v), one(1.0);
    Big A;
    add(A, one, g);
    if (high && (k == kP || k == kRho || k == kV))
        high = false;
    switch (k) {
    case kT:
        if (v <= 0)
            return refused(Found::Outside, 0);
        return fromT(gamma, v, high);
    case kP: {
        // X = (A - v)/(g v)
        if (v <= 0)
            return refused(Found::Outside, 0);
        Big n, den;
        add(n, A, V, true);
        if (mpfr_sgn(n) <= 0)
            return refused(mpfr_zero_p(n) ? Found::AtLimit : Found::Outside, rounded(A, MPFR_RNDN));
        mul(den, g, V);
        return rationalRoot(gamma, n, den, kP, v);
    }
    case kRho: {
        // X = 1/(A v - g)
        Big Av, den;
        mul(Av, A, V);
        add(den, Av, g, true);
        if (mpfr_sgn(den) <= 0)
            return refused(mpfr_zero_p(den) ? Found::AtLimit : Found::Outside, quotient(g, A));
        return rationalRoot(gamma, one, den, kRho, v);
    }
    case kV: {
        // X = v/(A - g v)
        if (v <= 0)
            return refused(Found::Outside, 0);
        Big gv, den;
        mul(gv, g, V);
        add(den, A, gv, true);
        if (mpfr_sgn(den) <= 0)
            return refused(mpfr_zero_p(den) ? Found::AtLimit : Found::Outside, quotient(A, g));
        return rationalRoot(gamma, V, den, kV, v);
    }
    case kT0:
        if (v > 1)
            return refused(Found::Outside, 1);
        if (v == 1)
            return sonic(k, v);
        if (v <= 0 && !high)
            return refused(Found::Outside, 0);
        return fromT0(gamma, v, high);
    case kP0:
        if (v < 1)
            return refused(Found::Outside, 1);
        if (v == 1)
            return sonic(k, v);
        if (!high) {
            // p0 at M = 0: (1 + g)(2/(1 + g))^(g/(g - 1))
            const Big zero(0.0);
            const Exact x0(gamma, zero, one);
            const int c = compare(kP0, x0, V);
            if (c <= 0) {
                double limit = 0;
                transcendental(x0, &limit, nullptr);
                return refused(c == 0 ? Found::AtLimit : Found::Outside, limit);
            }
        }
        return transcendentalRoot(k, high, gamma, v);
    default:
        if (v < 0)
            return refused(Found::Outside, 0);
        if (v == 0)
            return sonic(k, v);
        return transcendentalRoot(k, high, gamma, v);
    }
}

Heat heat(double gamma, double M1, double heat, bool qGiven)
{
    Heat h {};
    h.found = Heat::Found::PastLimit;
    h.T0 = h.q = h.qStar = h.T0Star = h.T0Limit = h.leastT0Ratio = h.mostTaken = kNaN;
    h.M2 = h.p = h.T = h.rho = h.V = h.p0 = h.ds = kNaN;
    if (!inDomain(gamma, M1) || !std::isfinite(heat) || heat <= (qGiven ? -1 : 0))
        return h;
    releaseCachesAtThreadExit();
    const Big g(gamma), H(heat), one(1.0);
    Big r, rm1;
    if (qGiven) {
        add(r, one, H);
        copy(rm1, H);
    } else {
        copy(r, H);
        add(rm1, H, one, true);
    }
    h.T0 = qGiven ? rounded(r, MPFR_RNDN) : heat;
    h.q = qGiven ? heat : rounded(rm1, MPFR_RNDN);
    const Process pr(gamma, M1, r);
    const Exact &x1 = pr.x1;
    // q* = d^2/(A X C), T0* = B^2/(A X C), the limit (g - 1)(g + 1)/g^2.
    Big vm, axc, d2, b2, gm1, g2, lim;
    mul(vm, x1.v1, x1.m2);
    mul(axc, vm, x1.u);
    mul(d2, x1.d, x1.d);
    mul(b2, x1.w, x1.w);
    h.qStar = quotient(d2, axc);
    h.T0Star = quotient(b2, axc);
    mul(gm1, x1.gm1, x1.v1);
    mul(g2, g, g);
    h.T0Limit = quotient(gm1, g2);
    if (M1 > 1) {
        // (g - 1) B^2/(g^2 X C) and 1 less it.
        Big n, xc, den, rest;
        mul(n, x1.gm1, b2);
        mul(xc, x1.m2, x1.u);
        mul(den, g2, xc);
        h.leastT0Ratio = quotient(n, den);
        add(rest, den, n, true);
        h.mostTaken = quotient(rest, den);
    }
    if (mpfr_zero_p(rm1)) {
        fill(h, M1, {1, 1, 1, 1, 1, 0});
        return h;
    }
    if (heat == (qGiven ? h.qStar : h.T0Star)) {
        // The choking heat as printed: exactly sonic.
        exitAt(h, pr, Exact(gamma, one, one), 1);
        return h;
    }
    const int choke = mpfr_sgn(pr.en); // 1 - t
    if (choke < 0) {
        h.found = Heat::Found::Chokes;
        return h;
    }
    if (choke == 0) {
        exitAt(h, pr, Exact(gamma, one, one), 1);
        return h;
    }
    if (M1 == 1) {
        h.found = Heat::Found::Sonic;
        return h;
    }
    const bool high = M1 > 1;
    if (high) {
        // t against the limit: tn g^2 against (g^2 - 1) td.
        Big left, right, diff;
        mul(left, pr.tn, g2);
        mul(right, gm1, pr.td);
        add(diff, left, right, true);
        if (mpfr_sgn(diff) <= 0) {
            h.found = mpfr_zero_p(diff) ? Heat::Found::AtLimit : Heat::Found::PastLimit;
            return h;
        }
    }
    // A square td en makes M2^2 rational: X = tn/b or b/a exactly.
    Big tden, sq;
    mul(tden, pr.td, pr.en);
    mpfr_set_prec(sq, mpfr_get_prec(tden));
    if (mpfr_sqrt(sq, tden, MPFR_RNDN) == 0) {
        Big A, gen, b1, Asq, b, g2en, a;
        add(A, one, g);
        mul(gen, g, pr.en);
        add(b1, pr.td, gen);
        mul(Asq, A, sq);
        add(b, b1, Asq);
        mul(g2en, g2, pr.en);
        add(a, pr.td, g2en, true);
        const Big &n = high ? b : pr.tn;
        const Big &den = high ? a : b;
        const double M2 = nearestSqrt(n, den);
        if (M2 == 0 || std::isinf(M2)) {
            h.found = M2 == 0 ? Heat::Found::Vanishing : Heat::Found::Beyond;
            return h;
        }
        exitAt(h, pr, Exact(gamma, n, den), M2);
        return h;
    }
    exitEnclosed(h, pr, high);
    if (h.found != Heat::Found::Exit)
        h.M2 = h.p = h.T = h.rho = h.V = h.p0 = h.ds = kNaN;
    return h;
}

} // namespace flow::exact
