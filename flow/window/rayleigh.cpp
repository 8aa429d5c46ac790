#include "flow/window/rayleigh.h"

#include "flow/window/checked.h"

namespace flow {

using namespace checked;

RayleighRatios RatiosFromMach(double gama, double M)
{
    const double g = gama;
    const double m2 = mul(M, M);
    const double f = add(2.0, mul(sub(g, 1.0), m2));

    RayleighRatios r {};
    r.PPstar = div(add(1.0, g), add(1.0, mul(g, m2)));
    r.TTstar = mul(m2, pow(r.PPstar, 2.0));
    r.RoRoStar = div(div(1.0, m2), r.PPstar);
    r.PoPoStar = mul(r.PPstar, pow(div(f, add(1.0, g)), div(g, sub(g, 1.0))));
    r.ToToStar = div(mul(r.TTstar, f), add(1.0, g));
    return r;
}

MachNumbers MachFromToToStar(double gama, double ToToStar)
{
    // With x = M^2 the T0/T0* relation is the quadratic a x^2 - 2 b x + c = 0.
    const double g = gama;
    const double t = ToToStar;
    const double a = sub(mul(div(pow(g, 2.0), add(g, 1.0)), t), sub(g, 1.0));
    const double b = sub(1.0, mul(div(g, add(g, 1.0)), t));
    const double c = div(t, add(g, 1.0));
    // b^2 - a c is 1 - t for every gama; written so it does not cancel near
    // M = 1, where its digits are the distance of both roots from 1.
    const double D = sub(1.0, t);
    const double root = sqrt(D);

    // c / (b + root) equals (b - root) / a but keeps its digits as a -> 0,
    // where the supersonic branch runs off to infinity.
    const double x1 = div(c, add(b, root));
    MachNumbers result {sqrt(x1), std::nullopt};
    if (a != 0.0) {
        const double x2 = div(add(b, root), a);
        if (x2 >= 0.0)
            result.Msup = sqrt(x2);
    }
    return result;
}

} // namespace flow
