"""The heat process drawn on the Rayleigh line in T-s axes."""

import numpy as np


def plot_heat(M1, T0_ratio=None, q_ratio=None, gamma=1.4, ax=None):
    """Draw one heat process on the Rayleigh line, T/T* against (s - s*)/cp.

    M1, the heat (T0_ratio = T02/T01 or q_ratio = q/(cp T01), as for heat())
    and gamma are numbers.  Draws on ax, or on a new figure's axes, and
    returns the Axes: the line through M from below the inlet to past the
    sonic point, the inlet state 1, the exit state 2 and the sonic point *
    marked on it, the process from 1 to 2 with an arrow, and a title with
    gamma, M1 and M2.  Each point has its exact ratios, so the marks' y are
    T1/T*, T2/T* and 1; the line and the marks can be told apart by their
    gid ("rayleigh line", "process", "inlet", "exit", "sonic").

    Raises ValueError for what heat() refuses, for arrays, and when the
    process has no exit state (the note says why); a process with one is
    drawn whatever else its note says.  matplotlib is imported
    only here.

    >>> ax = kalvenor.plot_heat(0.3, T0_ratio=1.5)
    >>> ax.get_title()
    'Heat added at γ = 1.4: M1 = 0.3 → M2 = 0.39505'
    """
    import matplotlib.pyplot as plt

    from . import heat, ratios

    if any(np.ndim(x) != 0 for x in (M1, T0_ratio, q_ratio, gamma)):
        raise ValueError("plot_heat draws one process: M1, the heat and gamma must be numbers")
    process = heat(M1, T0_ratio=T0_ratio, q_ratio=q_ratio, gamma=gamma)
    # A note about q* alone leaves the process to draw.
    if np.isnan(process.M2):
        raise ValueError(str(process.note))
    M1, M2, gamma = float(M1), float(process.M2), float(gamma)

    def point(M):
        r = ratios(M, gamma)
        # (s - s*)/cp from (s* - s)/R, as cp = R gamma/(gamma - 1).
        return -r.s * (gamma - 1) / gamma, r.T

    # Both branches around the sonic point, and the process on them.
    lo, hi = min(M1, M2, 1.0) / 2, max(M1, M2, 1.0) * 2
    x, y = point(np.unique(np.concatenate([np.geomspace(lo, hi, 400), [M1, M2, 1.0]])))
    path = point(np.geomspace(M1, M2, 100))

    if ax is None:
        ax = plt.figure(figsize=(6.4, 4.8)).add_subplot()
    ax.plot(x, y, color="0.45", lw=1.2, gid="rayleigh line", label=f"Rayleigh line, γ = {gamma:g}")
    ax.plot(*path, color="tab:red", lw=2.5, gid="process", label="process 1 → 2")
    ax.annotate(
        "",
        xy=(path[0][-1], path[1][-1]),
        xytext=(path[0][-2], path[1][-2]),
        arrowprops=dict(arrowstyle="-|>", color="tab:red", lw=2.5, mutation_scale=18),
    )
    for gid, M, label, colour in (
        ("inlet", M1, f"1: inlet, M1 = {M1:.5g}", "tab:blue"),
        ("exit", M2, f"2: exit, M2 = {M2:.5g}", "tab:red"),
        ("sonic", 1.0, "*: sonic, M = 1", "black"),
    ):
        px, py = point(M)
        ax.plot([px], [py], "o", color=colour, ms=7, zorder=3, gid=gid, label=label)
        ax.annotate(label[0], (px, py), xytext=(6, 4), textcoords="offset points", fontsize=12, color=colour)
    for i, text, offset in ((0, "M < 1", (0, 8)), (-1, "M > 1", (4, -12))):
        ax.annotate(text, (x[i], y[i]), xytext=offset, textcoords="offset points", color="0.45")
    ax.set_xlabel("(s − s*)/cp")
    ax.set_ylabel("T/T*")
    what = "Heat added" if process.T02_T01 > 1 else "Heat taken away" if process.T02_T01 < 1 else "No heat"
    ax.set_title(f"{what} at γ = {gamma:g}: M1 = {M1:.5g} → M2 = {M2:.5g}")
    ax.grid(True, color="0.9")
    ax.legend(loc="lower right")
    return ax
