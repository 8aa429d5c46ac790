"""The heat process on T-s axes: its marks carry the exact states."""

import matplotlib

matplotlib.use("Agg")

import matplotlib.pyplot as plt
import numpy as np
import pytest

import kalvenor


def by_gid(ax):
    return {line.get_gid(): line for line in ax.get_lines()}


def test_marks_title_and_labels_of_the_combustor():
    fig, given = plt.subplots()
    ax = kalvenor.plot_heat(0.3, T0_ratio=1.5, ax=given)
    assert ax is given
    lines = by_gid(ax)
    # From mpmath: T/T* and (s - s*)/cp at M1 = 0.3 and at M2.
    for gid, x, y in (("inlet", -1.1105789669894698, 0.40887279197650239),
                      ("exit", -0.69545527669523675, 0.6054510983975122),
                      ("sonic", 0.0, 1.0)):
        np.testing.assert_allclose(lines[gid].get_xydata(), [[x, y]], rtol=4e-16, atol=0, err_msg=gid)
    line = lines["rayleigh line"].get_xydata()
    for gid in ("inlet", "exit", "sonic"):
        assert (line == lines[gid].get_xydata()).all(axis=1).any(), gid  # on the line
    assert line[:, 0].max() == 0.0 and line[:, 1].max() > 1  # the nose at M = 1, T/T* peaks below it
    process = lines["process"].get_xydata()
    np.testing.assert_array_equal(process[[0, -1]], [lines["inlet"].get_xydata()[0], lines["exit"].get_xydata()[0]])
    assert any(a.arrow_patch is not None for a in ax.texts if hasattr(a, "arrow_patch"))
    assert ax.get_title() == "Heat added at γ = 1.4: M1 = 0.3 → M2 = 0.39505"
    assert (ax.get_xlabel(), ax.get_ylabel()) == ("(s − s*)/cp", "T/T*")
    plt.close(fig)


def test_cooling_a_supersonic_flow_and_what_cannot_be_drawn():
    ax = kalvenor.plot_heat(2.5, q_ratio=-0.2, gamma=1.3)
    assert ax.get_title() == "Heat taken away at γ = 1.3: M1 = 2.5 → M2 = 3.846"
    assert by_gid(ax)["exit"].get_xydata()[0, 1] == kalvenor.ratios(kalvenor.heat(2.5, q_ratio=-0.2, gamma=1.3).M2, 1.3).T
    plt.close(ax.figure)
    # q* is past a double's range there, the process is not: it is drawn.
    ax = kalvenor.plot_heat(1e-300, T0_ratio=2)
    assert ax.get_title() == "Heat added at γ = 1.4: M1 = 1e-300 → M2 = 1.4142e-300"
    plt.close(ax.figure)
    with pytest.raises(ValueError, match="^the duct chokes: at M1 = 0.3 and gamma = 1.4"):
        kalvenor.plot_heat(0.3, T0_ratio=3)
    with pytest.raises(ValueError, match="draws one process"):
        kalvenor.plot_heat([0.3, 0.4], T0_ratio=1.5)
    with pytest.raises(ValueError, match="^no heat"):
        kalvenor.plot_heat(0.3)
