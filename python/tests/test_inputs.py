"""Results that travel and inputs that are numbers: pickling, copying,
odd arrays, masks, branches and the heat's absolute values."""

import copy
import datetime
import multiprocessing
import pickle
import re

import numpy as np
import pytest

import kalvenor

RESULTS = [
    lambda: kalvenor.ratios([0.5, 2.0, -1.0]),
    lambda: kalvenor.solve("T0", [[0.9], [0.95]], branch="both"),
    lambda: kalvenor.heat([0.3, 0.3], q_ratio=[0.5, 2.0], T01=300, p1=1e5),
]


def same(a, b):
    assert type(a) is type(b) and a._fields == b._fields
    for name in a._fields:
        x, y = getattr(a, name), getattr(b, name)
        assert (x is None and y is None) or np.array_equal(x, y, equal_nan=x.dtype.kind == "f"), name


@pytest.mark.parametrize("make", RESULTS)
def test_results_pickle_copy_and_stay_read_only(make):
    r = make()
    for twin in (pickle.loads(pickle.dumps(r)), copy.copy(r), copy.deepcopy(r)):
        same(r, twin)
    for change in (lambda: setattr(r, "note", None), lambda: delattr(r, "note"), lambda: setattr(r, "other", 1)):
        with pytest.raises(AttributeError):
            change()


def test_a_process_pool_returns_results():
    with multiprocessing.get_context("spawn").Pool(2) as pool:
        # A result that cannot travel kills the pool's result thread: wait for
        # a while, not for ever.
        got = pool.map_async(kalvenor.ratios, [0.5, 2.0], chunksize=1).get(timeout=60)
    same(got[1], kalvenor.ratios(2.0))


NOT_NUMBERS = [
    (None, "None"),
    ("2", "str '2'"),
    (b"2", "bytes b'2'"),
    (True, "bool True"),
    (1 + 2j, "complex128 (1+2j)"),
    (np.array([1, 2j]), "an array of complex128"),
    (np.datetime64("2020-01-01"), "datetime64 2020-01-01"),
    (np.timedelta64(3, "s"), "timedelta64 3 seconds"),
    (datetime.timedelta(days=1), "timedelta 1 day, 0:00:00"),
    (["2", "3"], "an array of <U1"),
    ([1.0, None], "an array holding None"),
    (np.array([1.0, "x" * 50], dtype=object), "an array holding str '" + "x" * 39 + "…"),
    ({"heat": 1.5}, "dict {'heat': 1.5}"),
]


@pytest.mark.parametrize("bad, what", NOT_NUMBERS)
def test_what_is_not_a_number_raises_type_error_naming_it(bad, what):
    # None leaves out a heat's argument: as one in a list it is an element.
    optional = [None] if bad is None else bad
    for name, call in (("M", lambda: kalvenor.ratios(bad)), ("gamma", lambda: kalvenor.ratios(2, bad)),
                       ("value", lambda: kalvenor.solve("p", bad)),
                       ("q_ratio", lambda: kalvenor.heat(0.3, q_ratio=optional)),
                       ("T01", lambda: kalvenor.heat(0.3, T0_ratio=1.5, T01=optional))):
        got = "an array holding None" if name in ("q_ratio", "T01") and bad is None else what
        with pytest.raises(TypeError, match="^" + re.escape(f"{name} must be a number or an array of numbers, not {got}") + "$"):
            call()


def test_integers_floats_and_longdouble_are_numbers():
    just_above_one = np.longdouble(1) + np.longdouble(0.75) * np.longdouble(2.0) ** -52
    assert kalvenor.ratios(just_above_one).M == 1 + 2.0 ** -52  # nearest, not truncated
    for M in (2, np.int8(2), np.uint64(2), np.float32(2), [2], np.array([2.0], dtype=object)):
        assert kalvenor.ratios(M).T == kalvenor.ratios(2.0).T


def test_a_masked_element_is_masked_and_not_computed():
    M = np.ma.masked_array([2.0, -1.0, 3.0], mask=[False, True, False])
    gamma = np.ma.masked_array([1.4, 0.5, 1.4], mask=[False, True, False])  # 0.5 would raise
    for r in (kalvenor.ratios(M, gamma), kalvenor.solve("p0", M, gamma, branch="sup"),
              kalvenor.heat(M, T0_ratio=1.1, gamma=gamma, T01=300)):
        for name in r._fields:
            field = getattr(r, name)
            if name in ("p2", "p02"):
                continue  # not asked for
            assert isinstance(field, np.ma.MaskedArray) and list(field.mask) == [False, True, False], name
        assert list(r.note.filled("masked")) == ["", "masked", ""]
    assert kalvenor.ratios(M).T[2] == kalvenor.ratios(3.0).T
    hidden = np.ma.masked_array([1.0, 2.0], mask=True)
    assert kalvenor.solve("T0", hidden, branch=["sub", "sup"]).M.mask.all()  # nothing to compute
    row = np.ma.masked_array([[1.5], [2.0]], mask=[[True], [False]])
    assert kalvenor.ratios(row, [1.3, 1.4]).T.mask.tolist() == [[True, True], [False, False]]


def test_branch_arrays_broadcast_and_both_stacks_sub_then_sup():
    value = [0.9, 0.95]
    sub, sup = (kalvenor.solve("T0", value, branch=b) for b in ("sub", "sup"))
    mixed = kalvenor.solve("T0", value, branch=["sup", "sub"])
    assert list(mixed.M) == [sup.M[0], sub.M[1]] and list(mixed.branch) == ["sup", "sub"]
    grid = kalvenor.solve("T", 0.8, gamma=[1.3, 1.4], branch=[["low"], ["high"]])
    assert grid.M.shape == (2, 2) and list(grid.branch[:, 0]) == ["low", "high"]
    both = kalvenor.solve("T0", value, branch="both")
    assert both.M.shape == both.branch.shape == both.note.shape == (2, 2)
    np.testing.assert_array_equal(both.M, [sub.M, sup.M])
    assert kalvenor.solve("p", 1.5, branch="both").M.shape == (2,)  # one root, in both places
    for bad, text in (("upper", "'upper'"), (["sub", "upper"], "'upper'"), ([None], "None")):
        with pytest.raises(ValueError, match=f"^branch must be 'sub', 'sup', 'low', 'high' or 'both', not {text}$"):
            kalvenor.solve("T0", 0.9, branch=bad)
    with pytest.raises(ValueError, match="^branch='both' stands alone"):
        kalvenor.solve("T0", 0.9, branch=["both", "sub"])


@pytest.mark.parametrize("quantity, where", [("T", "1/sqrt(gamma)"), ("T0", "1"), ("p0", "1"), ("s", "1")])
def test_two_roots_need_a_branch(quantity, where):
    with pytest.raises(ValueError, match=re.escape(f"has a root either side of M = {where}: give branch=")):
        kalvenor.solve(quantity, 1.0)


def test_heat_in_absolute_values_as_the_command_line():
    r = kalvenor.heat(0.3, T0_ratio=1.5, T01=300, p1=1e5)
    assert r.note == "" and r.T02 == 450 and r.q == 150750
    assert r.T1 == pytest.approx(300 / 1.018, rel=1e-15) and r.T2 == pytest.approx(r.T1 * r.T2_T1, rel=1e-15)
    assert r.p2 == pytest.approx(1e5 * r.p2_p1, rel=1e-15) and r.q_star == pytest.approx(1005 * 300 * r.q_choke, rel=1e-15)
    # From the command line's help: its p02 and q*.
    assert round(float(r.p02), 5) == 102904.85894 and round(float(r.q_star), 5) == 567725.72855
    no_p = kalvenor.heat(0.3, q_ratio=[0.5, 2.0], T01=[300, 400], cp=1000)
    assert no_p.p2 is None and no_p.p02 is None and list(no_p.q) == [150000, 800000]
    assert np.isnan(no_p.T2[1]) and no_p.note[1].startswith("the duct chokes")
    plain = kalvenor.heat(0.3, T0_ratio=1.5)
    assert all(getattr(plain, name) is None for name in ("T1", "T2", "T02", "p2", "p02", "q", "q_star"))
    huge = kalvenor.heat(0.3, T0_ratio=1.5, T01=1e307, cp=1e10)
    assert huge.note == "q in J/kg and q* in J/kg are above 1.7977e+308, the largest a double holds"
    for kwargs, message in (({"p1": 1e5}, "p1 and cp need T01"), ({"T01": [300, -1]}, "T01 must be a finite number above 0, not -1.0"),
                            ({"T01": 300, "cp": np.inf}, "cp must be a finite number above 0, not inf")):
        with pytest.raises(ValueError, match="^" + re.escape(message) + "$"):
            kalvenor.heat(0.3, T0_ratio=1.5, **kwargs)
