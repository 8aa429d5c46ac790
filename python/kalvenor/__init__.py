"""Rayleigh flow for Python and numpy: one-dimensional flow of a perfect gas
with heat added or taken away in a constant-area duct.

Every ratio of a flow state to its sonic state (marked *), from the Mach
number or back from any ratio, and the exit state of a heat process.  Every
ratio and Mach number is the double nearest its exact value, for every
gamma in (1, 1e6]: from M, each ratio at M; back from a ratio, M is the
double nearest the exact root of the value given, and every other ratio
is at that exact root (bar one case left to a precision cap, which no test
has met); for heat, the exit state, T02/T01, the choking heat
and the cooling limit.  The absolute values at the two stations (kelvin,
pascal, J/kg) are products of these within a few ulps, not correctly
rounded.  The functions take numbers or arrays,
broadcast them against each other like numpy, and return a result whose
fields are float64 arrays of the broadcast shape (0-d for numbers).
Inputs are integers or floats (a longdouble is rounded to the nearest
double); anything else raises TypeError.  Where an input is a masked array
the fields are masked arrays with its mask, and the masked elements are
not computed.  Results are read-only, and pickle and copy.  An
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

import dataclasses
import numbers
import typing

import numpy as np

from . import _core
from ._plot import plot_heat
from ._version import __version__

__all__ = ["ratios", "solve", "heat", "plot_heat", "Ratios", "Solution", "Heat", "__version__"]

# The quantities' names here, in the order of flow's Quantity.
_QUANTITIES = tuple(q["field"] for q in _core.quantities)
_TWO_ROOTS = {q["field"] for q in _core.quantities if q["two_roots"]}
_NAMES = {q["field"]: q["name"] for q in _core.quantities}
_BRANCHES = dict(_core.branch_choices)
_BRANCH_NAMES = np.array(_core.branch_names)
_NO_BRANCH = _core.branch_names.index("")


class _Result:
    """Fields as attributes, in the order of ``_fields``; frozen dataclasses
    with slots, so that they pickle and copy yet cannot be changed."""

    __slots__ = ()

    def __repr__(self):
        inner = ",\n".join(f"    {name}={getattr(self, name)!r}" for name in self._fields)
        return f"{type(self).__name__}(\n{inner})"


def _read_only(self, name, *value):
    raise AttributeError(f"{type(self).__name__} is read-only")


class _Notes:
    """The note field, built when first read: most elements have none, and
    an array of a million empty strings costs a third of the arithmetic."""

    __slots__ = ("index", "text", "shape", "mask", "array")

    def __init__(self, index, text, shape, mask=None):
        self.index, self.text, self.shape, self.mask, self.array = index, text, shape, mask, None

    @classmethod
    def of(cls, array):
        """The notes of an array already built."""
        notes = cls(None, None, np.shape(array))
        notes.array = array
        return notes

    def read(self):
        if self.array is None:
            note = np.full(int(np.prod(self.shape)), "", dtype=object)
            note[self.index] = self.text
            note = note.reshape(self.shape)
            self.array = note if self.mask is None else np.ma.masked_array(note, mask=self.mask)
        return self.array


def _note(self):
    return self._notes.read()


def _result(cls):
    cls = dataclasses.dataclass(frozen=True, slots=True, eq=False, repr=False)(cls)
    # note is read through _notes, and shown last.
    cls._fields = tuple(f.name for f in dataclasses.fields(cls) if f.name != "_notes") + ("note",)
    cls.note = property(_note, doc="Why an element has no value, '' where every value is given.")
    # The dataclass's own refusal fails with TypeError for a name that is no
    # field (Python 3.11).
    cls.__setattr__ = cls.__delattr__ = _read_only
    return cls


@_result
class Ratios(_Result):
    """A flow state at each element: M, the ratios to the sonic state T = T/T*,
    p = p/p*, rho = rho/rho*, V = V/V*, T0 = T0/T0*, p0 = p0/p0*, the entropy
    s = (s* - s)/R, and note."""

    M: np.ndarray
    T: np.ndarray
    p: np.ndarray
    rho: np.ndarray
    V: np.ndarray
    T0: np.ndarray
    p0: np.ndarray
    s: np.ndarray
    _notes: _Notes


@_result
class Solution(Ratios):
    """The fields of Ratios at each root, and branch: 'sub', 'sonic' or 'sup'
    by the side of M = 1, 'low' or 'high' for T."""

    branch: np.ndarray


@_result
class Heat(_Result):
    """Exit over inlet for each process: M1, T02_T01, M2, p2_p1, T2_T1,
    rho2_rho1, V2_V1, p02_p01, ds_R = (s2 - s1)/R, q_choke = q*/(cp T01), the
    heat that chokes the duct, and note; with T01 also T1, T2 and T02 in K, p2
    and p02 in Pa (with p1), and q and q_star in J/kg, else None."""

    M1: np.ndarray
    T02_T01: np.ndarray
    M2: np.ndarray
    p2_p1: np.ndarray
    T2_T1: np.ndarray
    rho2_rho1: np.ndarray
    V2_V1: np.ndarray
    p02_p01: np.ndarray
    ds_R: np.ndarray
    q_choke: np.ndarray
    _notes: _Notes
    T1: typing.Optional[np.ndarray] = None
    T2: typing.Optional[np.ndarray] = None
    T02: typing.Optional[np.ndarray] = None
    p2: typing.Optional[np.ndarray] = None
    p02: typing.Optional[np.ndarray] = None
    q: typing.Optional[np.ndarray] = None
    q_star: typing.Optional[np.ndarray] = None


def _what(x):
    """How an error names a value that is not a number."""
    if x is None:
        return "None"
    if isinstance(x, np.ndarray):
        if x.ndim > 0:
            return f"an array of {x.dtype}"
        x = x[()]
    text = repr(x) if isinstance(x, (str, bytes)) else str(x)
    if len(text) > 40:
        text = text[:40] + "…"
    return f"{type(x).__name__} {text}"


def _numbers(name, x):
    """x as float64 (a longdouble rounded to the nearest double) and its mask,
    or None; TypeError for anything but integers and floats."""
    mask = None
    if isinstance(x, np.ma.MaskedArray):
        mask = np.ma.getmaskarray(x)
        x = x.data
    if x is None or isinstance(x, (str, bytes, bool)):
        raise TypeError(f"{name} must be a number or an array of numbers, not {_what(x)}")
    a = np.asarray(x)
    if a.dtype.kind == "O":
        for item in a.flat:
            if isinstance(item, bool) or not isinstance(item, numbers.Real) or isinstance(item, np.bool_):
                raise TypeError(f"{name} must be a number or an array of numbers, not {'an array holding ' if a.ndim else ''}{_what(item)}")
    elif a.dtype.kind not in "iuf":
        raise TypeError(f"{name} must be a number or an array of numbers, not {_what(a)}")
    return a.astype(np.float64), mask


def _inputs(**named):
    """The named inputs as float64 arrays, their broadcast shape, and the
    broadcast mask of the elements to leave out, or None."""
    arrays, masks = {}, []
    for name, x in named.items():
        arrays[name], mask = _numbers(name, x)
        if mask is not None:
            masks.append(mask)
    shape = np.broadcast_shapes(*(a.shape for a in arrays.values()), *(m.shape for m in masks))
    mask = None
    if masks:
        mask = np.zeros(shape, dtype=bool)
        for m in masks:
            mask = mask | m
    return shape, arrays, mask


def _flat(a, shape, keep=None):
    """a of the broadcast shape, flat: a single value stays one value, so
    that the loops read it without a copy per element."""
    if a.size == 1:
        return a.reshape(1)
    flat = np.ascontiguousarray(np.broadcast_to(a, shape)).reshape(-1)
    return flat if keep is None else flat[keep]


def _compute(shape, arrays, parts):
    """Runs each of parts, (keep, call): call(flat arrays, n) on the elements
    keep selects (all for None), and puts their answers together: _core's
    fields by name, note_index, note_text and branch (codes, or None)."""
    n = int(np.prod(shape))
    if len(parts) == 1 and parts[0][0] is None:
        return parts[0][1]([_flat(a, shape) for a in arrays], n)
    def unset(part):
        """part's fields, each all NaN (no branch) over the n elements."""
        return {name: None if v is None else np.full(n, _NO_BRANCH if name == "branch" else np.nan, dtype=v.dtype)
                for name, v in part.items() if name not in ("note_index", "note_text")}

    out, index, text = None, [], []
    for keep, call in parts:
        where = np.flatnonzero(keep)
        if where.size == 0:
            continue
        part = call([_flat(a, shape, keep) for a in arrays], where.size)
        out = unset(part) if out is None else out
        for name, full in out.items():
            if full is not None:
                full[where] = part[name]
        index.append(where[part["note_index"]])
        text.extend(part["note_text"])
    if out is None:  # every element left out: a call on none gives the fields
        out = unset(parts[0][1]([np.full(1, 2.0) for _ in arrays], 0))  # 2 is a valid gamma
    out["note_index"] = np.concatenate(index) if index else np.zeros(0, dtype=np.intp)
    out["note_text"] = text
    return out


def _fields(shape, out):
    """The result's fields from _core's, by name."""
    fields = {name: v.reshape(shape) for name, v in out.items() if name not in ("note_index", "note_text", "branch")}
    fields["_notes"] = _Notes(out["note_index"], out["note_text"], shape)
    if out["branch"] is not None:
        fields["branch"] = _BRANCH_NAMES[out["branch"]].reshape(shape)
    return fields


def _masked(fields, mask):
    """The fields masked where the inputs are, when any input was masked."""
    if mask is None:
        return fields
    notes = fields["_notes"]
    if notes.array is None:
        notes.mask = mask
    else:
        notes.array = np.ma.masked_array(notes.array, mask=mask)
    return {name: v if v is None or name == "_notes" else np.ma.masked_array(v, mask=mask) for name, v in fields.items()}


def _keep(shape, mask):
    return None if mask is None else ~mask.reshape(-1)


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
    shape, arrays, mask = _inputs(M=M, gamma=gamma)
    out = _compute(shape, arrays.values(), [(_keep(shape, mask), lambda a, n: _core.ratios(*a, n))])
    return Ratios(**_masked(_fields(shape, out), mask))


def solve(quantity, value, gamma=1.4, branch=None):
    """The flow state where a ratio to the sonic state has the given value.

    quantity is one of "T", "p", "rho", "V", "T0", "p0", "s" (T/T*, p/p*,
    rho/rho*, V/V*, T0/T0*, p0/p0* and (s* - s)/R); value and gamma are
    numbers or arrays, broadcast against each other.

    T0, p0 and s have a root either side of M = 1: for these branch must be
    "sub" (M < 1) or "sup" (M > 1).  T has one either side of its maximum at
    M = 1/sqrt(gamma), chosen by "low" or "high" (other names for "sub" and
    "sup", as on the command line).  p, rho and V have one root, returned
    whatever branch says.  branch may be an array of these names, broadcast
    against value and gamma; "both" gives both roots along a new leading
    axis of length 2, the sub root first (for p, rho and V the one root
    twice).

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
    if isinstance(branch, str) and branch == "both":
        sub, sup = (solve(quantity, value, gamma, side) for side in ("sub", "sup"))
        stack = np.ma.stack if isinstance(sub.M, np.ma.MaskedArray) else np.stack
        both = {name: stack([getattr(sub, name), getattr(sup, name)]) for name in Solution._fields}
        both["_notes"] = _Notes.of(both.pop("note"))
        return Solution(**both)
    sup = _sup(quantity, branch)
    shape, arrays, mask = _inputs(value=value, gamma=gamma)
    shape = np.broadcast_shapes(shape, sup.shape)
    mask = None if mask is None else np.broadcast_to(mask, shape)
    keep = _keep(shape, mask)
    def side(flag):
        return lambda a, n: _core.solve(quantity, *a, flag, n)

    if sup.size == 1 or sup.all() or not sup.any():
        parts = [(keep, side(bool(sup.flat[0]) if sup.size else False))]
    else:
        flags = np.broadcast_to(sup, shape).reshape(-1)
        every = np.ones(flags.shape, dtype=bool) if keep is None else keep
        parts = [(every & ~flags, side(False)), (every & flags, side(True))]
    out = _compute(shape, arrays.values(), parts)
    return Solution(**_masked(_fields(shape, out), mask))


def _sup(quantity, branch):
    """branch as an array of flags, True for the root above M = 1 (or
    1/sqrt(gamma) for T)."""
    if branch is None:
        if quantity in _TWO_ROOTS:
            name = _NAMES[quantity]
            choices, where = ("'low' or 'high'", "1/sqrt(gamma)") if quantity == "T" else ("'sub' or 'sup'", "1")
            raise ValueError(f"{name} has a root either side of M = {where}: give branch={choices}")
        return np.zeros((), dtype=bool)
    names = np.asarray(branch, dtype=object)
    for name in names.flat:
        if name == "both" and names.ndim > 0:
            raise ValueError("branch='both' stands alone, not in an array of branch names")
        if not isinstance(name, str) or name not in _BRANCHES:
            raise ValueError(f"branch must be 'sub', 'sup', 'low', 'high' or 'both', not {name!r}")
    return np.isin(names, ("sup", "high"))


def heat(M1, T0_ratio=None, q_ratio=None, gamma=1.4, T01=None, p1=None, cp=None):
    """The exit state of heat added to (or, negative, taken from) a gas
    entering a constant-area duct at Mach number M1.

    Give the heat as T0_ratio = T02/T01 or as q_ratio = q/(cp T01) =
    T02/T01 - 1, not both.  M1, the heat and gamma are numbers or arrays,
    broadcast against each other.  The exit is on the inlet's branch.

    Returns a Heat with fields M1, T02_T01, M2, p2_p1, T2_T1, rho2_rho1,
    V2_V1, p02_p01, ds_R ((s2 - s1)/R), q_choke (q*/(cp T01), the heat that
    chokes the duct) and note.  Where there is no exit state (the duct
    chokes, a bad M1 or heat) the exit fields are NaN and note says why.

    With T01, the inlet stagnation temperature in K, as on the command line,
    it adds T1, T2 and T02 in K, q and q_star (the heat that chokes the
    duct) in J/kg with cp (J/(kg K), 1005 when not given), and with p1, the
    inlet static pressure in Pa, p2 and p02 in Pa; fields not asked for are
    None.  T01, p1 and cp broadcast with the rest.

    Raises ValueError when both heats or none are given, for p1 or cp
    without T01, for T01, p1 or cp not finite and above 0, or gamma not
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
    if T01 is None and (p1 is not None or cp is not None):
        raise ValueError("p1 and cp need T01")
    q_given = q_ratio is not None
    named = {"M1": M1, "q_ratio" if q_given else "T0_ratio": q_ratio if q_given else T0_ratio, "gamma": gamma}
    if T01 is not None:
        named.update(T01=T01, cp=1005.0 if cp is None else cp)
        if p1 is not None:
            named["p1"] = p1
    shape, arrays, mask = _inputs(**named)
    keep = _keep(shape, mask)
    for name in ("T01", "cp", "p1"):
        if name in arrays:
            given = _flat(arrays[name], shape, keep)
            bad = given[~(np.isfinite(given) & (given > 0))]
            if bad.size:
                raise ValueError(f"{name} must be a finite number above 0, not {float(bad[0])!r}")
    # One call, one solve a row: the ratios and, with T01, the stations.
    names = [name for name in ("T01", "p1", "cp") if name in arrays]
    inputs = list(arrays.values())[:3] + [arrays[name] for name in names]

    def call(a, n):
        extra = dict(zip(names, a[3:]))
        return _core.heat(*a[:3], q_given, extra.get("T01"), extra.get("p1"), extra.get("cp"), n)

    fields = _fields(shape, _compute(shape, inputs, [(keep, call)]))
    if T01 is not None and p1 is None:
        fields["p2"] = fields["p02"] = None
    return Heat(**_masked(fields, mask))
