#include "flow/inverse.h"

// Placeholder until the kernel lands: every element to the exact path.
namespace flow::inverse {

void roots(int, bool, const double *, const double *, bool, std::size_t n, double *, const forward::Columns &,
    std::vector<std::size_t> &rest)
{
    for (std::size_t i = 0; i < n; ++i)
        rest.push_back(i);
}

bool one(int, bool, double, double, double &, double *) { return false; }

} // namespace flow::inverse
