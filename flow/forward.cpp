// The forward kernel's entry points, compiled once per instruction set by
// Highway. Every step is an IEEE operation on each lane (add, multiply,
// divide, fused multiply-add) or a select, so every lane width gives the
// same bits.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "flow/forward.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include <hwy/highway.h>

#include "flow/forward.h"
#include "flow/kernel-inl.h"

HWY_BEFORE_NAMESPACE();
namespace flow::forward {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

void RatiosOf(
    const double *M, const double *gamma, bool gammaPerElement, size_t n, const Columns &out, std::vector<size_t> &rest)
{
    if (n == 0) // gamma may hold nothing to read
        return;
    using K = Wide;
    const Tables &t = tables();
    const K::Gamma shared = K::GammaOf(hn::Set(hn::ScalableTag<double>(), gamma[0]));
    Batch<hn::ScalableTag<double>>({M, gamma}, {true, gammaPerElement}, n,
        {out.T, out.p, out.rho, out.V, out.T0, out.p0, out.s}, rest, [&](const K::V(&x)[2], K::V(&y)[7]) {
            const K::Evaluated e = K::Evaluate(gammaPerElement ? K::GammaOf(x[1]) : shared, x[0], t);
            auto settled = e.inDomain;
            for (int k = 0; k < 7; ++k) {
                settled = hn::And(settled, K::Decided(e.ratio[k], e.bound[k]));
                y[k] = e.ratio[k].hi;
            }
            return settled;
        });
}

// One value in one lane: a single call costs one element's work.
bool OneOf(double gamma, double M, double *ratio)
{
    using K = One;
    const hn::CappedTag<double, 1> d;
    const K::Evaluated e = K::Evaluate(K::GammaOf(hn::Set(d, gamma)), hn::Set(d, M), tables());
    auto settled = e.inDomain;
    for (int k = 0; k < 7; ++k) {
        settled = hn::And(settled, K::Decided(e.ratio[k], e.bound[k]));
        ratio[k] = hn::GetLane(e.ratio[k].hi);
    }
    return hn::AllTrue(d, settled);
}

void BoundedOf(double gamma, double M, Bounded &out)
{
    using K = One;
    const hn::CappedTag<double, 1> d;
    const K::Evaluated e = K::Evaluate(K::GammaOf(hn::Set(d, gamma)), hn::Set(d, M), tables());
    for (int k = 0; k < 7; ++k) {
        out.hi[k] = hn::GetLane(e.ratio[k].hi);
        out.lo[k] = hn::GetLane(e.ratio[k].lo);
        out.bound[k] = hn::GetLane(e.bound[k]);
    }
    out.inDomain = hn::AllTrue(d, e.inDomain);
}

} // namespace HWY_NAMESPACE
} // namespace flow::forward
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace flow::forward {

HWY_EXPORT(RatiosOf);
HWY_EXPORT(BoundedOf);
HWY_EXPORT(OneOf);

void ratios(const double *M, const double *gamma, bool gammaPerElement, std::size_t n, const Columns &out,
    std::vector<std::size_t> &rest)
{
    HWY_DYNAMIC_DISPATCH(RatiosOf)(M, gamma, gammaPerElement, n, out, rest);
}

bool one(double gamma, double M, double ratio[7]) { return HWY_DYNAMIC_DISPATCH(OneOf)(gamma, M, ratio); }

Bounded bounded(double gamma, double M)
{
    Bounded out {};
    HWY_DYNAMIC_DISPATCH(BoundedOf)(gamma, M, out);
    return out;
}

std::vector<std::int64_t> targets() { return hwy::SupportedAndGeneratedTargets(); }

const char *targetName(std::int64_t target) { return hwy::TargetName(target); }

void forceTarget(std::int64_t target) { hwy::SetSupportedTargetsForTest(target); }

} // namespace flow::forward
#endif
