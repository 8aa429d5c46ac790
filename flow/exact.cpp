#include "flow/exact.h"

#include "flow/exact_detail.h"
#include "flow/multiprecision.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace flow::exact {

namespace detail {

void copy(Big &r, const Big &a)
{
    mpfr_set_prec(r, mpfr_get_prec(a));
    mpfr_set(r, a, MPFR_RNDN);
}

// Products and sums get every bit they need, so they are exact: M^2 has
// 106 bits, 1 + g M^2 over 2,000 at the ends of M's range.
void mul(Big &r, const Big &a, const Big &b)
{
    mpfr_set_prec(r, mpfr_get_prec(a) + mpfr_get_prec(b));
    mpfr_mul(r, a, b, MPFR_RNDN);
}

void add(Big &r, const Big &a, const Big &b, bool subtract)
{
    if (mpfr_zero_p(b)) {
        copy(r, a);
        return;
    }
    if (mpfr_zero_p(a)) {
        copy(r, b);
        if (subtract)
            mpfr_neg(r, r, MPFR_RNDN);
        return;
    }
    const mpfr_exp_t top = std::max(mpfr_get_exp(a), mpfr_get_exp(b)) + 1;
    const mpfr_exp_t bottom = std::min(mpfr_get_exp(a) - mpfr_get_prec(a), mpfr_get_exp(b) - mpfr_get_prec(b));
    mpfr_set_prec(r, top - bottom);
    if (subtract)
        mpfr_sub(r, a, b, MPFR_RNDN);
    else
        mpfr_add(r, a, b, MPFR_RNDN);
}

// MPFR keeps the exponent range per thread.
double toDouble(Big &x, int t, mpfr_rnd_t rnd)
{
    const mpfr_exp_t emin = mpfr_get_emin(), emax = mpfr_get_emax();
    using L = std::numeric_limits<double>;
    mpfr_set_emin(L::min_exponent - L::digits + 1);
    mpfr_set_emax(L::max_exponent);
    t = mpfr_check_range(x, t, rnd);
    mpfr_subnormalize(x, t, rnd);
    const double v = mpfr_get_d(x, rnd);
    mpfr_set_emin(emin);
    mpfr_set_emax(emax);
    return v;
}

double rounded(const Big &x, mpfr_rnd_t rnd)
{
    Big r;
    const int t = mpfr_set(r, x, rnd);
    return toDouble(r, t, rnd);
}

// MPFR caches constants such as ln 2 per thread: a thread that used them
// frees them as it ends, not to leak them in every worker a caller starts.
void releaseCachesAtThreadExit()
{
    struct Release {
        ~Release() { mpfr_free_cache2(MPFR_FREE_LOCAL_CACHE); }
    };
    static thread_local Release release;
    (void)release;
}

bool inDomain(double gamma, double M) { return gamma > 1 && gamma <= 1e6 && M > 0 && std::isfinite(M); }

Exact::Exact(double gamma, double mach) : Exact(gamma, Big(mach)) { }

Exact::Exact(double gamma, const Big &mach) : gamma(gamma), g(gamma), unit(true)
{
    mul(m2, mach, mach);
    mpfr_set_ui(one, 1, MPFR_RNDN);
    complete();
}

Exact::Exact(double gamma, const Big &n, const Big &den) : gamma(gamma), g(gamma), unit(mpfr_cmp_ui(den, 1) == 0)
{
    copy(m2, n);
    copy(one, den);
    complete();
}

void Exact::complete()
{
    const Big two(2.0), onePlus(1.0);
    Big gm2, gm1m2, two1;
    add(d, m2, one, true);
    add(v1, onePlus, g);
    add(gm1, g, onePlus, true);
    mul(v1one, v1, one);
    mul(gm2, g, m2);
    add(w, one, gm2);
    mul(gm1m2, gm1, m2);
    mul(two1, two, one);
    add(u, two1, gm1m2);
}

// Numerator and denominator of ratio k, 0..4: T, p, rho, V, T0.
void fraction(const Exact &x, int k, Big &num, Big &den)
{
    Big vm;
    mul(vm, x.v1, x.m2);
    switch (k) {
    case 0: {
        Big vmv;
        mul(vmv, vm, x.v1);
        mul(num, vmv, x.one);
        mul(den, x.w, x.w);
        break;
    }
    case 1:
        copy(num, x.v1one);
        copy(den, x.w);
        break;
    case 2:
        copy(num, x.w);
        copy(den, vm);
        break;
    case 3:
        copy(num, vm);
        copy(den, x.w);
        break;
    default:
        mul(num, vm, x.u);
        mul(den, x.w, x.w);
    }
}

double rational(const Exact &x, int k)
{
    Big num, den, r;
    fraction(x, k, num, den);
    const int t = mpfr_div(r, num, den, MPFR_RNDN);
    return toDouble(r, t, MPFR_RNDN);
}

// ln(1 + f d/(1 + g)) with f d exact. Next to M = 1 log1p keeps the
// digits of the small argument; elsewhere the quotient's rounding costs at
// most 2.5 ulps of the logarithm, which is above ln 1.5 there.
void lnRatio(const Exact &x, const Big &f, const Big &num, Big &out)
{
    const mpfr_prec_t w = mpfr_get_prec(out);
    Big fd, q(w);
    mul(fd, f, x.d);
    mpfr_div(q, fd, x.v1one, MPFR_RNDN);
    if (mpfr_get_exp(q) < 0) { // |q| < 1/2
        mpfr_log1p(out, q, MPFR_RNDN);
        return;
    }
    mpfr_div(q, num, x.v1one, MPFR_RNDN);
    mpfr_log(out, q, MPFR_RNDN);
}

// s = ((g + 1) ln(p*/p) - g ln M^2)/(g - 1) and ln p0 = g/(g - 1)
// ln((2 + (g - 1) M^2)/(1 + g)) - ln(p*/p) at precision w, M != 1, each
// when asked for. Each term is within 6 ulps; the error bound follows the
// cancellation the exponents show, next to M = 1 and for large g alike.
void approximate(const Exact &x, mpfr_prec_t w, double lnPast, Approx *p0, Approx *s, Big *lnP0, mpfr_exp_t *lnErr)
{
    const auto rnd = MPFR_RNDN;
    Big lnP(w), t1(w), t2(w);
    lnRatio(x, x.g, x.w, lnP);
    if (s) {
        Big lnM2(w), n(w);
        if (x.unit) {
            if (mpfr_get_exp(x.d) < 0)
                mpfr_log1p(lnM2, x.d, rnd);
            else
                mpfr_log(lnM2, x.m2, rnd);
        } else {
            // One more rounding, of the quotient: within the same margin.
            Big q(w);
            mpfr_div(q, x.d, x.one, rnd);
            if (mpfr_get_exp(q) < 0) {
                mpfr_log1p(lnM2, q, rnd);
            } else {
                mpfr_div(q, x.m2, x.one, rnd);
                mpfr_log(lnM2, q, rnd);
            }
        }
        mpfr_mul(t1, x.g, lnM2, rnd);
        mpfr_mul(t2, x.v1, lnP, rnd);
        mpfr_sub(n, t2, t1, rnd);
        if (!mpfr_zero_p(n)) {
            mpfr_div(s->value, n, x.gm1, rnd);
            s->err = w - (std::max(mpfr_get_exp(t1), mpfr_get_exp(t2)) - mpfr_get_exp(n)) - 7;
        }
    }
    if (!p0 && !lnP0)
        return;
    Big lnU(w), e(w), l(w), low(w);
    lnRatio(x, x.gm1, x.u, lnU);
    mpfr_div(e, x.g, x.gm1, rnd);
    mpfr_mul(t2, e, lnU, rnd);
    mpfr_sub(l, t2, lnP, rnd);
    // |l - ln p0| < 2^(top - w)
    const mpfr_exp_t top = std::max(mpfr_get_exp(t2), mpfr_get_exp(lnP)) + 4;
    if (lnP0) {
        mpfr_swap(*lnP0, l);
        *lnErr = top - w;
        return;
    }
    mpfr_set_ui_2exp(low, 1, top - w, MPFR_RNDU);
    mpfr_sub(low, l, low, MPFR_RNDD);
    if (mpfr_cmp_d(low, lnPast) > 0) {
        p0->past = true;
        return;
    }
    if (top - w > -10)
        return;
    mpfr_exp(p0->value, l, rnd);
    p0->err = w - std::max<mpfr_exp_t>(top, 1) - 3;
}

// The double nearest the exact value, if a's error bound decides it.
std::optional<double> decided(const Approx &a)
{
    if (a.past)
        return kInf;
    if (a.err > 60 && mpfr_can_round(a.value, a.err, MPFR_RNDN, MPFR_RNDZ, 54))
        return rounded(a.value, MPFR_RNDN);
    return std::nullopt;
}

// A positive number held exactly as odd * 2^two.
struct Dyadic {
    explicit Dyadic(const Big &v) : two(mpfr_get_z_2exp(odd, v))
    {
        const auto zeros = mpz_scan1(odd, 0);
        mpz_tdiv_q_2exp(odd, odd, zeros);
        two += static_cast<mpfr_exp_t>(zeros);
    }
    Int odd;
    mpfr_exp_t two;
};

// Whether p0 is exactly y. With g/(g - 1) = a/b in lowest terms,
// p0^b = y^b reads U^a = y^b W^b (1 + g)^(a - b), U = 2 + (g - 1) M^2,
// W = 1 + g M^2: the powers of 2 and the odd parts must agree. When a
// exceeds every prime's exponent in the odd parts, a | b (v(yW) - v(1 + g))
// forces U, yW and 1 + g to share one odd part, so no huge power is formed.
bool equalsP0(const Exact &x, const Big &y)
{
    // Homogeneous in one: with U, W for u, w and 1 + g for (1 + g) one.
    if (mpfr_sgn(y) <= 0)
        return false;
    Int a, b;
    {
        mpq_t e, gm1;
        mpq_init(e);
        mpq_init(gm1);
        mpq_set_d(e, x.gamma);
        mpq_set_d(gm1, x.gamma - 1); // exact: 1 < gamma
        mpq_div(e, e, gm1);
        mpz_set(a, mpq_numref(e));
        mpz_set(b, mpq_denref(e));
        mpq_clear(e);
        mpq_clear(gm1);
    }
    const Dyadic U(x.u), W(x.w), V(x.v1one), Y(y);
    Int lhs, rhs, amb, part;
    mpz_sub(amb, a, b);
    mpz_mul_si(lhs, a, U.two);
    mpz_mul_si(rhs, b, Y.two + W.two);
    mpz_mul_si(part, amb, V.two);
    mpz_add(rhs, rhs, part);
    if (mpz_cmp(lhs, rhs) != 0)
        return false;

    Int yw;
    mpz_mul(yw, Y.odd, W.odd);
    const auto bits = std::max(mpz_sizeinbase(yw, 2), mpz_sizeinbase(V.odd, 2));
    if (mpz_cmp_ui(a, bits) > 0)
        return mpz_cmp(U.odd, V.odd) == 0 && mpz_cmp(yw, V.odd) == 0;
    // Here a is at most a few thousand.
    mpz_pow_ui(lhs, U.odd, mpz_get_ui(a));
    mpz_pow_ui(rhs, yw, mpz_get_ui(b));
    mpz_pow_ui(part, V.odd, mpz_get_ui(amb));
    mpz_mul(rhs, rhs, part);
    return mpz_cmp(lhs, rhs) == 0;
}

void transcendental(const Exact &x, double *p0, double *s, mpfr_prec_t start)
{
    std::optional<double> p0Is, sIs;
    if (!p0)
        p0Is = 0;
    if (!s)
        sIs = 0;
    bool compared = false;
    for (mpfr_prec_t w = start;; w *= 2) {
        Approx a0(w), as(w);
        approximate(x, w, kLnPastDouble, p0Is ? nullptr : &a0, sIs ? nullptr : &as);
        if (!sIs)
            sIs = decided(as);
        if (!p0Is)
            p0Is = decided(a0);
        if (!p0Is && !compared && w >= kCompare && a0.err > 60) {
            // a0 is within a quarter ulp of 54 bits of one number, the only
            // one p0 can equal: if it does, it is a double or a midpoint.
            compared = true;
            Big y(mpfr_prec_t {54});
            mpfr_set(y, a0.value, MPFR_RNDN);
            if (equalsP0(x, y))
                p0Is = rounded(y, MPFR_RNDN);
        }
        if (p0Is && sIs) {
            if (p0)
                *p0 = *p0Is;
            if (s)
                *s = *sIs;
            return;
        }
    }
}

} // namespace detail

namespace {

using namespace detail;

// Past this, distance gives its upper bound when it cannot tell two doubles.
constexpr mpfr_prec_t kDistanceCap = 4096;
// distance needs p0 itself up to twice the largest double.
constexpr double kLnPastTwice = 1420;

// |v - y| rounded up, v exact.
double gap(const Big &v, const Big &y)
{
    Big diff;
    add(diff, v, y, true);
    mpfr_abs(diff, diff, MPFR_RNDN);
    return rounded(diff, MPFR_RNDU);
}

} // namespace

Ratios ratios(double gamma, double M)
{
    if (!inDomain(gamma, M))
        return {kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN};
    if (M == 1)
        return {1, 1, 1, 1, 1, 1, 0};
    releaseCachesAtThreadExit();
    const Exact x(gamma, M);
    Ratios r {};
    r.T = rational(x, 0);
    r.p = rational(x, 1);
    r.rho = rational(x, 2);
    r.V = rational(x, 3);
    r.T0 = rational(x, 4);
    transcendental(x, &r.p0, &r.s);
    return r;
}

double distance(int k, double gamma, double M, double hi, double lo)
{
    // Not hi + lo in double, which may overflow where the exact sum does not.
    if (k < 0 || k > 6 || !inDomain(gamma, M) || std::isnan(hi) || std::isnan(lo) || std::isnan(hi + lo))
        return kNaN;
    if (std::isinf(hi) || std::isinf(lo))
        return kInf;
    const Big h(hi), l(lo);
    Big y;
    add(y, h, l);
    if (M == 1)
        return gap(Big(k == 6 ? 0.0 : 1.0), y);
    releaseCachesAtThreadExit();
    const Exact x(gamma, M);
    if (k < 5) {
        // num/den - y = (num - y den)/den, the numerator exact.
        Big num, den, yden, diff, r;
        fraction(x, k, num, den);
        mul(yden, y, den);
        add(diff, num, yden, true);
        mpfr_abs(diff, diff, MPFR_RNDN);
        const int t = mpfr_div(r, diff, den, MPFR_RNDU);
        return toDouble(r, t, MPFR_RNDU);
    }
    bool compared = false;
    for (mpfr_prec_t w = kStart;; w *= 2) {
        Approx a(w);
        approximate(x, w, kLnPastTwice, k == 5 ? &a : nullptr, k == 6 ? &a : nullptr);
        if (a.past)
            return kInf;
        if (a.err <= 60)
            continue;
        // |exact - y| lies within |diff| +- (a's bound + diff's rounding).
        Big diff(w), slack(w), upper(w), lower(w);
        mpfr_sub(diff, a.value, y, MPFR_RNDN);
        mpfr_abs(diff, diff, MPFR_RNDN);
        mpfr_set_ui_2exp(slack, 1, mpfr_get_exp(a.value) - a.err, MPFR_RNDU);
        if (!mpfr_zero_p(diff)) {
            Big ulp(w);
            mpfr_set_ui_2exp(ulp, 1, mpfr_get_exp(diff) - w, MPFR_RNDU);
            mpfr_add(slack, slack, ulp, MPFR_RNDU);
        }
        mpfr_add(upper, diff, slack, MPFR_RNDU);
        mpfr_sub(lower, diff, slack, MPFR_RNDD);
        if (mpfr_sgn(lower) > 0) {
            const double up = rounded(upper, MPFR_RNDU);
            if (up == rounded(lower, MPFR_RNDU) || w >= kDistanceCap)
                return up;
        } else if (k == 5 && !compared && w >= kCompare) {
            compared = true;
            if (equalsP0(x, y))
                return 0;
        }
    }
}

} // namespace flow::exact
