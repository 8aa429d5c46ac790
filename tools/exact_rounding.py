# Correct rounding of exact values to doubles, shared by the scripts that write the reference tables: rationals as
# Fractions, mpmath values through their exact binary value.
import math
from fractions import Fraction

import mpmath


def scaled(x):
    """(q, e) with x = q * 2^e, q in [2^52, 2^53) or e at the subnormal floor."""
    n, d = x.numerator, x.denominator
    e = max(n.bit_length() - d.bit_length() - 53, -1074)
    q = Fraction(n, d << e) if e >= 0 else Fraction(n << -e, d)
    if q >= 2**53:
        e += 1
        q /= 2
    return q, e


def nearest(x):
    """The double nearest the positive rational x, ties to even, past the largest double infinity."""
    q, e = scaled(x)
    whole = math.floor(q)
    rest = q - whole
    if rest > Fraction(1, 2) or (rest == Fraction(1, 2) and whole % 2):
        whole += 1
    try:
        return math.ldexp(whole, e)
    except OverflowError:
        return math.inf


def tie_distance(x):
    """How far x is from the nearest midpoint between doubles, in ulps (0.5 for a double)."""
    q, _ = scaled(x)
    return abs(q - math.floor(q) - Fraction(1, 2))


def to_fraction(x):
    """An mpmath value exactly, as it is rather than rounded to the working precision, clamped past either end of the
    doubles so the integers stay small."""
    x = x if isinstance(x, mpmath.mpf) else mpmath.mpf(x)
    man, exp = x.man_exp  # |x| = man 2^exp
    if man == 0:
        return Fraction(0)
    sign = -1 if x < 0 else 1
    if man.bit_length() + exp > 1100:  # past any double; p0 at gamma next to 1 reaches 2^(2^62)
        return sign * Fraction(2**1100)
    if man.bit_length() + exp < -1200:  # rounds to 0
        return sign * Fraction(1, 2**1200)
    return sign * (Fraction(man * 2**exp) if exp >= 0 else Fraction(man, 2**-exp))


def mp(x):
    """A Fraction as an mpmath value at the working precision."""
    return mpmath.mpf(x.numerator) / x.denominator
