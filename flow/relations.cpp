#include "flow/relations.h"

namespace flow {

std::string_view QuantityName(Quantity q)
{
    switch (q) {
    case Quantity::M:
        return "M";
    case Quantity::T:
        return "T/T*";
    case Quantity::p:
        return "p/p*";
    case Quantity::rho:
        return "rho/rho*";
    case Quantity::V:
        return "V/V*";
    case Quantity::T0:
        return "T0/T0*";
    case Quantity::p0:
        return "p0/p0*";
    case Quantity::s:
        return "(s*-s)/R";
    }
    return "";
}

std::string_view BranchName(Branch b)
{
    switch (b) {
    case Branch::Subsonic:
        return "sub";
    case Branch::Sonic:
        return "sonic";
    case Branch::Supersonic:
        return "sup";
    case Branch::Low:
        return "low";
    case Branch::High:
        return "high";
    }
    return "";
}

double FlowState::operator[](Quantity q) const
{
    switch (q) {
    case Quantity::M:
        return M;
    case Quantity::T:
        return T;
    case Quantity::p:
        return p;
    case Quantity::rho:
        return rho;
    case Quantity::V:
        return V;
    case Quantity::T0:
        return T0;
    case Quantity::p0:
        return p0;
    case Quantity::s:
        return s;
    }
    return M;
}

std::optional<std::string> GammaProblem(double gama)
{
    if (!(gama > 1.0) || gama > 1e300)
        return "gamma must be above 1";
    return std::nullopt;
}

Solution FromMach(double, double) { return {Branch::Sonic, std::nullopt, "not yet"}; }

std::vector<Solution> Solve(double, Quantity, double, BranchChoice) { return {}; }

} // namespace flow
