#include "flow/forward_tables.h"

#include <mpfr.h>

namespace flow::forward {
namespace {

// Multiple precision for one table: plenty above the 107 bits kept.
class Big {
public:
    Big() { mpfr_init2(m_x, 256); }
    ~Big() { mpfr_clear(m_x); }
    Big(const Big &) = delete;
    Big &operator=(const Big &) = delete;
    mpfr_ptr get() { return m_x; }

    DoubleWord split()
    {
        const double hi = mpfr_get_d(m_x, MPFR_RNDN);
        Big rest;
        mpfr_sub_d(rest.get(), m_x, hi, MPFR_RNDN);
        return {hi, mpfr_get_d(rest.get(), MPFR_RNDN)};
    }

private:
    mpfr_t m_x;
};

DoubleWord reciprocal(long n)
{
    Big x;
    mpfr_set_si(x.get(), n, MPFR_RNDN);
    mpfr_si_div(x.get(), 1, x.get(), MPFR_RNDN);
    return x.split();
}

Tables build()
{
    Tables t {};
    for (int j = 0; j < kLogTable; ++j) {
        Big x;
        // 1 / (1 + (j + 1/2)/256), rounded to 8 significant bits.
        mpfr_set_d(x.get(), 1 + (j + 0.5) / kLogTable, MPFR_RNDN);
        mpfr_ui_div(x.get(), 1, x.get(), MPFR_RNDN);
        mpfr_prec_round(x.get(), 8, MPFR_RNDN);
        t.logInv[j] = mpfr_get_d(x.get(), MPFR_RNDN);
        mpfr_prec_round(x.get(), 256, MPFR_RNDN);
        mpfr_log(x.get(), x.get(), MPFR_RNDN);
        mpfr_neg(x.get(), x.get(), MPFR_RNDN);
        const DoubleWord w = x.split();
        t.logHi[j] = w.hi;
        t.logLo[j] = w.lo;
    }
    for (int j = 0; j < kExpTable; ++j) {
        Big x;
        mpfr_set_d(x.get(), static_cast<double>(j) / kExpTable, MPFR_RNDN);
        mpfr_exp2(x.get(), x.get(), MPFR_RNDN);
        const DoubleWord w = x.split();
        t.exp2Hi[j] = w.hi;
        t.exp2Lo[j] = w.lo;
    }
    Big ln2;
    mpfr_const_log2(ln2.get(), MPFR_RNDN);
    {
        Big head;
        mpfr_set(head.get(), ln2.get(), MPFR_RNDN);
        mpfr_prec_round(head.get(), 42, MPFR_RNDN);
        t.ln2Head = mpfr_get_d(head.get(), MPFR_RNDN);
        Big tail;
        mpfr_sub_d(tail.get(), ln2.get(), t.ln2Head, MPFR_RNDN);
        t.ln2Tail = mpfr_get_d(tail.get(), MPFR_RNDN);
    }
    Big step; // ln2/64 in parts
    mpfr_div_ui(step.get(), ln2.get(), kExpTable, MPFR_RNDN);
    for (double &part : t.ln2Over64) {
        Big rounded;
        mpfr_set(rounded.get(), step.get(), MPFR_RNDN);
        mpfr_prec_round(rounded.get(), &part == t.ln2Over64 ? 32 : 53, MPFR_RNDN);
        part = mpfr_get_d(rounded.get(), MPFR_RNDN);
        mpfr_sub_d(step.get(), step.get(), part, MPFR_RNDN);
    }
    mpfr_ui_div(ln2.get(), kExpTable, ln2.get(), MPFR_RNDN);
    t.invLn2Over64 = mpfr_get_d(ln2.get(), MPFR_RNDN);

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
