# A user's script as mypy --strict must accept it: the package's stubs name
# every function, argument and field.
import numpy as np
import numpy.typing as npt

import kalvenor

M: npt.NDArray[np.float64] = np.linspace(0.5, 3.0, 6)
r: kalvenor.Ratios = kalvenor.ratios(M, gamma=1.3)
p0: npt.NDArray[np.float64] = r.p0
notes: npt.NDArray[np.object_] = r.note
s: kalvenor.Solution = kalvenor.solve("p0", [1.1, 1.3], branch="sub")
branches: npt.NDArray[np.str_] = kalvenor.solve("T0", 0.9, branch=["sub", "sup"]).branch
h: kalvenor.Heat = kalvenor.heat(0.3, T0_ratio=1.5, T01=300.0, p1=1e5)
T2 = h.T2
if T2 is not None:
    print(float(T2) + 1.0, s.M, branches, p0, notes)
