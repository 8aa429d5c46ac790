"""Shapes, notes, refusals, the GIL and installing."""

import os
import re
import subprocess
import sys
import threading
import time

import numpy as np
import pytest

import kalvenor


def test_results_take_the_broadcast_shape_and_scalars_give_0d():
    r = kalvenor.ratios(np.linspace(0.5, 3, 6).reshape(2, 3, 1), gamma=[1.2, 1.4])
    assert all(getattr(r, f).shape == (2, 3, 2) and getattr(r, f).dtype == np.float64 for f in r._fields[:-1])
    assert r.note.shape == (2, 3, 2) and r.M[1, 2, 0] == 3 and r.T[0, 0, 1] == kalvenor.ratios(0.5, 1.4).T
    s = kalvenor.solve("V", [[0.5], [1.2]], gamma=[1.3, 1.4, 1.5])
    assert s.M.shape == s.branch.shape == s.note.shape == (2, 3)
    assert list(s.branch[:, 0]) == ["sub", "sup"]
    h = kalvenor.heat([0.3, 2.0], T0_ratio=[[1.0], [1.1]])
    assert h.M2.shape == (2, 2) and h.M2[0, 1] == 2.0
    one = kalvenor.heat(0.3, T0_ratio=1.5)
    assert one.M2.shape == () and one.note.shape == () and isinstance(one.M2, np.ndarray)
    assert kalvenor.ratios([]).M.shape == (0,)
    with pytest.raises(ValueError):  # numpy's: shapes that do not broadcast
        kalvenor.ratios([1, 2, 3], gamma=[1.3, 1.4])


def test_a_bad_element_gets_nan_and_its_note_only():
    r = kalvenor.ratios([2.0, -1.0, np.nan, 0.0, 0.5])
    assert np.isnan(r.T[1:4]).all() and not np.isnan(r.T[[0, 4]]).any()
    assert list(r.note) == ["", "M must be a number above 0, not -1", "M must be a number above 0, not nan",
                            "M must be a number above 0, not 0", ""]
    assert r.M[1] == -1.0  # the value asked stays, as in the command line's rows
    s = kalvenor.solve("p0", [1.1, 1.3, 1.2], branch="sub")
    assert s.note[1] == "p0/p0* = 1.3 is above 1.2679, the largest a subsonic flow has at gamma = 1.4"
    assert np.isnan(s.M[1]) and s.p0[1] == 1.3 and s.note[0] == s.note[2] == ""
    h = kalvenor.heat([0.3, 0.3], q_ratio=[0.5, 2.0])
    assert h.note[1] == ("the duct chokes: at M1 = 0.3 and gamma = 1.4 at most q/(cp*T01) = 1.883 can be added;"
                         " more heat changes the inlet flow")
    assert np.isnan(h.M2[1]) and h.q_choke[1] == h.q_choke[0] and h.T02_T01[1] == 3.0 and h.note[0] == ""
    # A value no flow has names no branch; one without a root names its side.
    p = kalvenor.solve("p", [2.0, np.nan, 2.5, 0.0])
    assert list(p.branch) == ["sub", "", "sub", "sup"]
    assert p.note[1] == "p/p* must be a number, not nan"


def test_refusals_in_the_command_lines_words():
    gamma = "gamma must be above 1 and at most 1e6, not "
    for bad, text in ((1.0, "1"), (np.nan, "nan"), (1e7, "1e+07"), ([1.4, 0.9], "0.9")):
        for call in (lambda: kalvenor.ratios(2, bad), lambda: kalvenor.solve("p", 1, bad),
                     lambda: kalvenor.heat(0.3, T0_ratio=1.5, gamma=bad)):
            with pytest.raises(ValueError, match="^" + re.escape(gamma + text) + "$"):
                call()
    with pytest.raises(ValueError, match=r"^quantity must be one of T, p, rho, V, T0, p0, s, not 'M'$"):
        kalvenor.solve("M", 2)
    with pytest.raises(ValueError, match=r"^branch must be 'sub', 'sup', 'low', 'high' or 'both', not 'upper'$"):
        kalvenor.solve("T0", 0.5, branch="upper")
    with pytest.raises(ValueError, match=r"^p0/p0\* has a root either side of M = 1: give branch='sub' or 'sup'$"):
        kalvenor.solve("p0", 1.3)
    with pytest.raises(ValueError, match=r"either side of M = 1/sqrt\(gamma\): give branch='low' or 'high'$"):
        kalvenor.solve("T", 0.8)
    with pytest.raises(ValueError, match="^T0_ratio and q_ratio both given: the heat is one or the other$"):
        kalvenor.heat(0.3, T0_ratio=1.5, q_ratio=0.5)
    with pytest.raises(ValueError, match="^no heat: give T0_ratio or q_ratio$"):
        kalvenor.heat(0.3)
    # Text is not a number, even text numpy could read as one.
    with pytest.raises(TypeError, match="^M must be a number or an array of numbers, not an array of <U3$"):
        kalvenor.ratios(["2", "two"])
    with pytest.raises(TypeError, match="^gamma must be a number or an array of numbers, not None$"):
        kalvenor.ratios(2, gamma=None)
    with pytest.raises(TypeError):
        kalvenor.heat(0.3, T0_ratio={"heat": 1.5})


def test_one_root_ignores_the_branch_and_low_high_are_other_names():
    assert kalvenor.solve("rho", 0.7, branch="sub").M == kalvenor.solve("rho", 0.7).M > 1
    assert kalvenor.solve("p0", 1.3, branch="high").M == kalvenor.solve("p0", 1.3, branch="sup").M
    assert kalvenor.solve("T", 0.8, branch="sub").branch == "low"


def test_the_gil_is_released_while_an_array_is_computed():
    # A thread of Python code stamps the clock; were the GIL held, it would
    # stall for the whole call. Arrays grow until a call is long enough to tell.
    stamps, done = [], threading.Event()

    def tick():
        while not done.is_set():
            stamps.append(time.perf_counter())
            time.sleep(0.001)

    ticker = threading.Thread(target=tick)
    ticker.start()
    try:
        for n in (25_000, 100_000, 400_000, 1_600_000):
            start = time.perf_counter()
            kalvenor.solve("p0", np.linspace(1.01, 50, n), branch="sup")
            end = time.perf_counter()
            if end - start > 0.2:
                break
    finally:
        done.set()
        ticker.join()
    during = np.array([start] + [t for t in stamps if start < t < end] + [end])
    assert np.diff(during).max() < (end - start) / 2


def test_module_docstrings_run():
    import doctest

    failures, tried = doctest.testmod(kalvenor, extraglobs={"kalvenor": kalvenor})
    f2, t2 = doctest.testmod(sys.modules["kalvenor._plot"], extraglobs={"kalvenor": kalvenor})
    assert tried >= 4 and t2 >= 1 and failures == f2 == 0
    assert kalvenor.__version__.count(".") == 2


@pytest.mark.skipif("KALVENOR_BUILD_DIR" not in os.environ, reason="run by CTest")
def test_install_puts_the_package_where_debians_python_looks_and_import_leaves_out_matplotlib(tmp_path):
    cmake, build = os.environ["KALVENOR_CMAKE"], os.environ["KALVENOR_BUILD_DIR"]
    subprocess.run([cmake, "--install", build, "--prefix", tmp_path, "--component", "python3-kalvenor"],
                   check=True, capture_output=True)
    env = dict(os.environ, PYTHONPATH=str(tmp_path / "lib/python3/dist-packages"))
    script = "import sys, kalvenor; print(kalvenor.__file__, kalvenor.heat(0.3, T0_ratio=1.5).M2, 'matplotlib' in sys.modules)"
    out = subprocess.run([sys.executable, "-c", script], env=env, check=True, capture_output=True, text=True,
                         cwd=tmp_path).stdout.split()
    assert out == [str(tmp_path / "lib/python3/dist-packages/kalvenor/__init__.py"), "0.39504759659391675", "False"]


def test_the_result_classes_hold_the_cores_quantities_in_its_order():
    names = tuple(q["field"] for q in kalvenor._core.quantities)
    assert kalvenor.Ratios._fields == names + ("note",)
    assert kalvenor.Solution._fields == names + ("branch", "note")
