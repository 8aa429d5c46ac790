#pragma once

// Owners of MPFR's and GMP's numbers, so that each is cleared however its
// scope ends; for the exact path and the kernel's tables alike.

#include <gmp.h>
#include <mpfr.h>

namespace flow {

class Big {
public:
    explicit Big(mpfr_prec_t prec = 53) { mpfr_init2(m_v, prec); }
    explicit Big(double x) : Big(mpfr_prec_t {53}) { mpfr_set_d(m_v, x, MPFR_RNDN); }
    ~Big() { mpfr_clear(m_v); }
    Big(const Big &) = delete;
    Big &operator=(const Big &) = delete;
    operator mpfr_ptr() { return m_v; }
    operator mpfr_srcptr() const { return m_v; }
    mpfr_srcptr operator->() const { return m_v; } // for MPFR's macros

private:
    mpfr_t m_v;
};

class Int {
public:
    Int() { mpz_init(m_v); }
    ~Int() { mpz_clear(m_v); }
    Int(const Int &) = delete;
    Int &operator=(const Int &) = delete;
    operator mpz_ptr() { return m_v; }
    operator mpz_srcptr() const { return m_v; }
    mpz_srcptr operator->() const { return m_v; } // for GMP's macros

private:
    mpz_t m_v;
};

} // namespace flow
