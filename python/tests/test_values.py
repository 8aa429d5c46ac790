"""Every function against values from mpmath at 50 digits for the doubles
given, pasted in: each double should be the exact value correctly rounded."""

import numpy as np
import pytest

import kalvenor

FIELDS = ("M", "T", "p", "rho", "V", "T0", "p0", "s")

# M, gamma, (M, T/T*, p/p*, rho/rho*, V/V*, T0/T0*, p0/p0*, (s*-s)/R)
RATIOS = [
    (0.5, 1.4, (0.5, 0.79012345679012342, 1.7777777777777777, 2.25, 0.44444444444444444, 0.69135802469135801, 1.1140525031800884, 1.3998453944982463)),
    (2, 1.4, (2.0, 0.52892561983471076, 0.36363636363636364, 0.68749999999999999, 1.4545454545454546, 0.79338842975206609, 1.5030959785260411, 1.2175752061512626)),
    (0.1, 1.3, (0.10000000000000001, 0.051550962853097304, 2.2704837117472853, 44.04347826086956, 0.022704837117472856, 0.044894164606414739, 1.2471400175467155, 13.669125257156118)),
    (3, 1.67, (3.0, 0.24968818213198974, 0.16656269494697443, 0.66708281315022887, 1.4990642545227698, 0.75093486985763202, 2.5913123216577606, 1.6661177393841103)),
    (1.0001, 1.4, (1.0001, 0.99996665916789807, 0.99988334111088425, 0.99991667916500022, 1.0000833277779398, 0.99999999305648142, 1.0000000048611111, 2.9163426197311724e-8)),
    (501, 1.01, (501.0, 1.5778673488349767e-5, 7.9286184508576142e-6, 0.50248954430242404, 1.990091159783712, 0.019719495318144047, 4.7703855120580647e+307, 1104.9969504455997)),
    (1e-5, 1.4, (1.0000000000000001e-5, 5.7599999983872005e-10, 2.3999999996639999, 4166666667.2499995, 2.3999999996640003e-10, 4.7999999987520006e-10, 1.2678762904324665, 75.337665831508211)),
]

# quantity, value, gamma, branch, M at the root
SOLVE = [
    ("T", 0.8, 1.3, "low", 0.53191990066318723),
    ("T", 0.8, 1.3, "high", 1.4461402332789343),
    ("p", 1.5, 1.4, None, 0.65465367070797714),
    ("rho", 0.7, 1.4, None, 1.8898223650461364),
    ("V", 0.9, 1.4, None, 0.88852331663863854),
    ("T0", 0.9, 1.4, "sub", 0.68843806338255048),
    ("T0", 0.9, 1.4, "sup", 1.5368389402954595),
    ("p0", 1.3, 1.4, "sup", 1.780159948523285),
    ("p0", 1.1, 1.4, "sub", 0.53467575221111757),
    ("s", 1.2, 1.4, "sub", 0.52726073508613885),
    ("s", 1.2, 1.4, "sup", 1.9889535239491775),
    ("p0", 50, 1.4, "sup", 6.3654179852877015),
]

# M1, T02/T01, gamma, (M2, p2/p1, T2/T1, rho2/rho1, V2/V1, p02/p01, (s2-s1)/R, q*/(cp T01))
HEAT = [
    (0.3, 1.5, 1.4, (0.39504759659391678, 0.92409636208979223, 1.4807810895676005, 0.62406007788743133, 1.6024098246841887, 0.96675996805933412, 1.4529329160298154, 1.8830040748017175)),
    (2, 1.1, 1.4, (1.6463740439104736, 1.3765008190755994, 1.2839555180327071, 1.0720782766561036, 0.93276771087935725, 0.80117234327750885, 0.55526482422583711, 0.2604166666666667)),
    (2.5, 0.8, 1.3, (3.84604382945955, 0.45107015661563163, 0.48154472528349393, 0.93671497772108005, 1.0675605961088453, 4.0695086369617871, -2.3704776531753147, 0.49481065918653572)),
    (0.5, 0.7, 1.4, (0.37472133628023072, 1.1282130456335614, 0.71492267219300386, 1.5780910153161065, 0.63367701247553873, 1.0479185117422912, -1.2951681306901652, 0.44642857142857145)),
]

ULP = 2.3e-16


def test_ratios_one_at_a_time_and_as_one_array():
    for M, gamma, expected in RATIOS:
        r = kalvenor.ratios(M, gamma=gamma)
        assert r.note == ""
        np.testing.assert_allclose([getattr(r, f) for f in FIELDS], expected, rtol=ULP, atol=0)
    together = kalvenor.ratios([row[0] for row in RATIOS], [row[1] for row in RATIOS])
    np.testing.assert_allclose(np.stack([getattr(together, f) for f in FIELDS], axis=1), [row[2] for row in RATIOS], rtol=ULP, atol=0)


def test_solve_finds_the_root_and_keeps_the_value_asked():
    for quantity, value, gamma, branch, M in SOLVE:
        r = kalvenor.solve(quantity, value, gamma=gamma, branch=branch)
        assert r.note == "", quantity
        assert getattr(r, quantity) == value
        np.testing.assert_allclose(r.M, M, rtol=2 * ULP, atol=0, err_msg=quantity)
        side = "sub" if M < 1 else "sup"
        assert r.branch == ({"low": "low", "high": "high"}.get(branch, side)), quantity


def test_heat_given_as_either_ratio():
    fields = ("M2", "p2_p1", "T2_T1", "rho2_rho1", "V2_V1", "p02_p01", "ds_R", "q_choke")
    for M1, t0, gamma, expected in HEAT:
        for r in (kalvenor.heat(M1, T0_ratio=t0, gamma=gamma), kalvenor.heat(M1, q_ratio=t0 - 1, gamma=gamma)):
            assert r.note == "" and r.M1 == M1
            np.testing.assert_allclose(r.T02_T01, t0, rtol=ULP)
            # q = t0 - 1 rounds, which moves the exit by a few units.
            np.testing.assert_allclose([getattr(r, f) for f in fields], expected, rtol=4 * ULP, atol=0)
