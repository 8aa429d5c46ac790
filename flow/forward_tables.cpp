#include "flow/forward_tables.h"

#include "flow/multiprecision.h"

namespace flow::forward {
namespace {

// Plenty above the 107 bits a table keeps.
constexpr mpfr_prec_t kPrecision = 256;

// x as hi + lo.
DoubleWord split(const Big &x)
{
    const double hi = mpfr_get_d(x, MPFR_RNDN);
    Big rest(kPrecision);
    mpfr_sub_d(rest, x, hi, MPFR_RNDN);
    return {hi, mpfr_get_d(rest, MPFR_RNDN)};
}

DoubleWord reciprocal(long n)
{
    Big x(kPrecision);
    mpfr_set_si(x, n, MPFR_RNDN);
    mpfr_si_div(x, 1, x, MPFR_RNDN);
    return split(x);
}

Tables build()
{
    Tables t {};
    for (int j = 0; j < kLogTable; ++j) {
        Big x(kPrecision);
        // 1 / (1 + (j + 1/2)/256), rounded to 8 significant bits.
        mpfr_set_d(x, 1 + (j + 0.5) / kLogTable, MPFR_RNDN);
        mpfr_ui_div(x, 1, x, MPFR_RNDN);
        mpfr_prec_round(x, 8, MPFR_RNDN);
        t.logInv[j] = mpfr_get_d(x, MPFR_RNDN);
        mpfr_prec_round(x, kPrecision, MPFR_RNDN);
        mpfr_log(x, x, MPFR_RNDN);
        mpfr_neg(x, x, MPFR_RNDN);
        const DoubleWord w = split(x);
        t.logHi[j] = w.hi;
        t.logLo[j] = w.lo;
    }
    for (int j = 0; j < kExpTable; ++j) {
        Big x(kPrecision);
        mpfr_set_d(x, static_cast<double>(j) / kExpTable, MPFR_RNDN);
        mpfr_exp2(x, x, MPFR_RNDN);
        const DoubleWord w = split(x);
        t.exp2Hi[j] = w.hi;
        t.exp2Lo[j] = w.lo;
    }
    Big ln2(kPrecision);
    mpfr_const_log2(ln2, MPFR_RNDN);
    {
        Big head(kPrecision);
        mpfr_set(head, ln2, MPFR_RNDN);
        mpfr_prec_round(head, 42, MPFR_RNDN);
        t.ln2Head = mpfr_get_d(head, MPFR_RNDN);
        Big tail(kPrecision);
        mpfr_sub_d(tail, ln2, t.ln2Head, MPFR_RNDN);
        t.ln2Tail = mpfr_get_d(tail, MPFR_RNDN);
    }
    Big step(kPrecision); // ln2/64 in parts
    mpfr_div_ui(step, ln2, kExpTable, MPFR_RNDN);
    for (double &part : t.ln2Over64) {
        Big rounded(kPrecision);
        mpfr_set(rounded, step, MPFR_RNDN);
        mpfr_prec_round(rounded, &part == t.ln2Over64 ? 32 : 53, MPFR_RNDN);
        part = mpfr_get_d(rounded, MPFR_RNDN);
        mpfr_sub_d(step, step, part, MPFR_RNDN);
    }
    mpfr_ui_div(ln2, kExpTable, ln2, MPFR_RNDN);
    t.invLn2Over64 = mpfr_get_d(ln2, MPFR_RNDN);

    // log1p(r) / r = sum (-1)^(k+1) r^(k-1) / k; exp(r) = 1 + r sum r^(k-1) / k!.
    for (int i = 0; i < kLog1pTail; ++i) {
        const int k = 13 - i;
        t.log1pTail[i] = (k % 2 == 0 ? -1.0 : 1.0) / k;
    }
    for (int i = 0; i < 3; ++i) {
        const int k = 4 - i;
        t.log1pHead[i] = reciprocal(k % 2 == 0 ? -k : k);
    }
    long factorial = 1;
    DoubleWord inverse[10];
    for (int k = 1; k <= 9; ++k) {
        factorial *= k;
        inverse[k] = reciprocal(factorial);
    }
    for (int i = 0; i < kExpTail; ++i)
        t.expTail[i] = inverse[9 - i].hi;
    for (int i = 0; i < 3; ++i)
        t.expHead[i] = inverse[3 - i];
    return t;
}

} // namespace

const Tables &tables()
{
    static const Tables t = build();
    return t;
}

} // namespace flow::forward
