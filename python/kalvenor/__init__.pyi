# Types of the kalvenor package, for editors and mypy: the module itself has
# them in its docstrings.

from typing import Any, Optional, Sequence, Union

import numpy as np
import numpy.typing as npt

__version__: str

Floats = npt.NDArray[np.float64]
Notes = npt.NDArray[np.object_]
Branches = Union[str, Sequence[str], npt.NDArray[np.str_]]

class Ratios:
    M: Floats
    T: Floats
    p: Floats
    rho: Floats
    V: Floats
    T0: Floats
    p0: Floats
    s: Floats
    @property
    def note(self) -> Notes: ...

class Solution(Ratios):
    branch: npt.NDArray[np.str_]

class Heat:
    M1: Floats
    T02_T01: Floats
    M2: Floats
    p2_p1: Floats
    T2_T1: Floats
    rho2_rho1: Floats
    V2_V1: Floats
    p02_p01: Floats
    ds_R: Floats
    q_choke: Floats
    T1: Optional[Floats]
    T2: Optional[Floats]
    T02: Optional[Floats]
    p2: Optional[Floats]
    p02: Optional[Floats]
    q: Optional[Floats]
    q_star: Optional[Floats]
    @property
    def note(self) -> Notes: ...

def ratios(M: npt.ArrayLike, gamma: npt.ArrayLike = ...) -> Ratios: ...
def solve(
    quantity: str, value: npt.ArrayLike, gamma: npt.ArrayLike = ..., branch: Optional[Branches] = ...
) -> Solution: ...
def heat(
    M1: npt.ArrayLike,
    T0_ratio: Optional[npt.ArrayLike] = ...,
    q_ratio: Optional[npt.ArrayLike] = ...,
    gamma: npt.ArrayLike = ...,
    T01: Optional[npt.ArrayLike] = ...,
    p1: Optional[npt.ArrayLike] = ...,
    cp: Optional[npt.ArrayLike] = ...,
) -> Heat: ...

# matplotlib has no types of its own: the Axes is given as Any.
def plot_heat(
    M1: float,
    T0_ratio: Optional[float] = ...,
    q_ratio: Optional[float] = ...,
    gamma: float = ...,
    ax: Any = ...,
) -> Any: ...
