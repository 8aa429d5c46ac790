"""Rayleigh flow for Python and numpy: one-dimensional flow of a perfect gas
with heat added or taken away in a constant-area duct.

Every ratio of a flow state to its sonic state (marked *), from the Mach
number or back from any ratio, and the exit state of a heat process, each
correctly rounded to a double.  The functions take numbers or arrays,
broadcast them against each other like numpy, and return a result whose
fields are float64 arrays of the broadcast shape (0-d for numbers).  An
element without an answer is NaN, and the field ``note`` (an array of
dtype object holding one str per element) says why in the words of
``kalvenor-cli``; it is '' where every value is given.  One bad element
never fails the call.

gamma, the ratio of specific heats, must be above 1 and at most 1e6 in every
element, or the call raises ValueError.

>>> import kalvenor
>>> r = kalvenor.ratios([0.5, 2.0])
>>> print(r.p0)
[1.1140525  1.50309598]
"""

import numpy as np

from . import _core
from ._plot import plot_heat
from ._version import __version__

__all__ = ["ratios", "solve", "heat", "plot_heat", "Ratios", "Solution", "Heat", "__version__"]

# The quantities' names here, in the order of flow's Quantity.
_QUANTITIES = ("M", "T", "p", "rho", "V", "T0", "p0", "s")
_TWO_ROOTS = {"T", "T0", "p0", "s"}
_BRANCHES = {"sub": False, "low": False, "sup": True, "high": True}
_BRANCH_NAMES = np.array(_core.branch_names)


class _Result:
    """Fields as attributes, in the order of ``_fields``."""

    _fields = ()
    __slots__ = ()

    def __init__(self, **fields):
        for name in self._fields:
            object.__setattr__(self, name, fields[name])

    def __setattr__(self, name, value):
        raise AttributeError(f"{type(self).__name__} is read-only")

    def __repr__(self):
        inner = ",\n".join(f"    {name}={getattr(self, name)!r}" for name in self._fields)
        return f"{type(self).__name__}(\n{inner})"


class Ratios(_Result):
    """A flow state at each element: M, the ratios to the sonic state T = T/T*,
    p = p/p*, rho = rho/rho*, V = V/V*, T0 = T0/T0*, p0 = p0/p0*, the entropy
    s = (s* - s)/R, and note."""

    _fields = ("M", "T", "p", "rho", "V", "T0", "p0", "s", "note")
    __slots__ = _fields


class Solution(_Result):
    """The fields of Ratios at each root, and branch: 'sub', 'sonic' or 'sup'
    by the side of M = 1, 'low' or 'high' for T."""

    _fields = Ratios._fields[:-1] + ("branch", "note")
    __slots__ = _fields


class Heat(_Result):
    """Exit over inlet for each process: M1, T02_T01, M2, p2_p1, T2_T1,
    rho2_rho1, V2_V1, p02_p01, ds_R = (s2 - s1)/R, q_choke = q*/(cp T01), the
    heat that chokes the duct, and note."""

    _fields = ("M1", "T02_T01", "M2", "p2_p1", "T2_T1", "rho2_rho1", "V2_V1", "p02_p01", "ds_R", "q_choke", "note")
    __slots__ = _fields


def _flat(*inputs):
    """float64 arrays of one broadcast shape, each flat: a single value stays
    one value, so that the loops read it without a copy per element."""
    arrays = [np.asarray(x, dtype=np.float64) for x in inputs]
    shape = np.broadcast_shapes(*(a.shape for a in arrays))
    flat = [
        a.reshape(1) if a.size == 1 else np.ascontiguousarray(np.broadcast_to(a, shape)).reshape(-1) for a in arrays
    ]
    return shape, flat


def _unpack(kind, names, shape, out):
    *values, note_index, note_text, extra = out
    fields = {name: v.reshape(shape) for name, v in zip(names, values)}
    note = np.full(int(np.prod(shape)), "", dtype=object)
    note[note_index] = note_text
    fields["note"] = note.reshape(shape)
    if extra is not None:
        fields["branch"] = _BRANCH_NAMES[extra].reshape(shape)
    return kind(**fields)


def ratios(M, gamma=1.4):
    """The flow state at Mach number M: every ratio to the sonic state.

    M and gamma are numbers or arrays, broadcast against each other.  Returns
    a Ratios with fields M, T (T/T*), p (p/p*), rho (rho/rho*), V (V/V*),
    T0 (T0/T0*), p0 (p0/p0*), s ((s* - s)/R, never negative) and note.  An M
    that is not above 0, infinite or NaN gives NaN and a note for that
    element; a ratio beyond a double's range is inf, with a note.

    Raises ValueError when gamma is not above 1 and at most 1e6 anywhere.

    >>> r = kalvenor.ratios(2.0)
    >>> print(r.T, r.p, r.T0, r.p0, r.s)
    0.5289256198347108 0.36363636363636365 0.7933884297520661 1.5030959785260412 1.2175752061512626
    >>> kalvenor.ratios([1.0, -1.0], gamma=1.3).note
    array(['', 'M must be a number above 0, not -1'], dtype=object)
    """
    shape, (m, g) = _flat(M, gamma)
    return _unpack(Ratios, _QUANTITIES, shape, _core.ratios(m, g, int(np.prod(shape))))


def solve(quantity, value, gamma=1.4, branch=None):
    """The flow state where a ratio to the sonic state has the given value.

    quantity is one of "T", "p", "rho", "V", "T0", "p0", "s" (T/T*, p/p*,
    rho/rho*, V/V*, T0/T0*, p0/p0* and (s* - s)/R); value and gamma are
    numbers or arrays, broadcast against each other.

    T0, p0 and s have a root either side of M = 1: for these branch must be
    "sub" (M < 1) or "sup" (M > 1).  T has one either side of its maximum at
    M = 1/sqrt(gamma), chosen by "low" or "high" (other names for "sub" and
    "sup", as on the command line).  p, rho and V have one root, returned
    whatever branch says.

    Returns a Solution: the fields of ratios() at the root, branch ('sub',
    'sonic', 'sup', or 'low'/'high' for T) and note.  Where there is no root
    the ratios are NaN but for the value asked, and note says why.

    Raises ValueError for an unknown quantity or branch, a missing branch,
    or gamma not above 1 and at most 1e6 anywhere.

    >>> r = kalvenor.solve("p0", [1.1, 1.3], branch="sub")
    >>> print(r.M)
    [0.53467575        nan]
    >>> print(r.note[1])
    p0/p0* = 1.3 is above 1.2679, the largest a subsonic flow has at gamma = 1.4
    >>> print(kalvenor.solve("T", 0.8, gamma=1.3, branch="high").M)
    1.4461402332789344
    """
    if quantity not in _QUANTITIES[1:]:
        raise ValueError(f"quantity must be one of {', '.join(_QUANTITIES[1:])}, not {quantity!r}")
    name = _core.quantity_names[_QUANTITIES.index(quantity)]
    if branch is None:
        if quantity in _TWO_ROOTS:
            choices, where = ("'low' or 'high'", "1/sqrt(gamma)") if quantity == "T" else ("'sub' or 'sup'", "1")
            raise ValueError(f"{name} has a root either side of M = {where}: give branch={choices}")
        branch = "sub"
    if branch not in _BRANCHES:
        raise ValueError(f"branch must be 'sub', 'sup', 'low' or 'high', not {branch!r}")
    shape, (v, g) = _flat(value, gamma)
    out = _core.solve(_QUANTITIES.index(quantity), v, g, _BRANCHES[branch], int(np.prod(shape)))
    return _unpack(Solution, _QUANTITIES, shape, out)


def heat(M1, T0_ratio=None, q_ratio=None, gamma=1.4):
    """The exit state of heat added to (or, negative, taken from) a gas
    entering a constant-area duct at Mach number M1.

    Give the heat as T0_ratio = T02/T01 or as q_ratio = q/(cp T01) =
    T02/T01 - 1, not both.  M1, the heat and gamma are numbers or arrays,
    broadcast against each other.  The exit is on the inlet's branch.

    Returns a Heat with fields M1, T02_T01, M2, p2_p1, T2_T1, rho2_rho1,
    V2_V1, p02_p01, ds_R ((s2 - s1)/R), q_choke (q*/(cp T01), the heat that
    chokes the duct) and note.  Where there is no exit state (the duct
    chokes, a bad M1 or heat) the exit fields are NaN and note says why.

    Raises ValueError when both heats or none are given, or gamma is not
    above 1 and at most 1e6 anywhere.

    >>> r = kalvenor.heat(0.3, T0_ratio=1.5)
    >>> print(r.M2, r.p2_p1, r.q_choke)
    0.39504759659391675 0.9240963620897922 1.8830040748017174
    >>> print(kalvenor.heat(0.3, q_ratio=2.0).note)
    the duct chokes: at M1 = 0.3 and gamma = 1.4 at most q/(cp*T01) = 1.883 can be added; more heat changes the inlet flow
    """
    if T0_ratio is not None and q_ratio is not None:
        raise ValueError("T0_ratio and q_ratio both given: the heat is one or the other")
    if T0_ratio is None and q_ratio is None:
        raise ValueError("no heat: give T0_ratio or q_ratio")
    q_given = q_ratio is not None
    shape, (m, h, g) = _flat(M1, q_ratio if q_given else T0_ratio, gamma)
    return _unpack(Heat, Heat._fields[:-1], shape, _core.heat(m, h, g, q_given, int(np.prod(shape))))
