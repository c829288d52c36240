#include "sample_set/feasibility.hpp"

#include <algorithm>
#include <cmath>

#include "model/result_macros.hpp"

namespace forvela {

namespace {

// Per sample, the violations of all constraints summed in name order.
Result<std::vector<double>> violation_totals(const Evaluation& e) {
    const auto& violations = e.constraint_violations;
    if (violations.empty()) return fail(ErrorKind::ValueError, "constraint violation is empty");
    const std::size_t samples = violations.begin()->second.size();
    std::size_t total = 0;
    for (const auto& [name, list] : violations) total += list.size();
    std::size_t expected = 0;
    if (__builtin_mul_overflow(violations.size(), samples, &expected) || total < expected)
        return fail(ErrorKind::ValueError, "ShapeError/OutOfBounds: out of bounds indexing");
    for (const auto& [name, list] : violations)
        if (list.size() != samples)
            return fail(ErrorKind::ValueError, "ShapeError/IncompatibleShape: incompatible shapes");
    std::vector<double> totals(samples, 0.0);
    // Block by block of samples, so that the running totals stay in the
    // first-level cache while every list adds to them in name order.
    constexpr std::size_t kBlock = 1024;
    for (std::size_t begin = 0; begin < samples; begin += kBlock) {
        const std::size_t end = std::min(samples, begin + kBlock);
        double* __restrict sum = totals.data();
        for (const auto& [name, list] : violations) {
            const double* __restrict values = list.data();
            for (std::size_t j = begin; j < end; ++j) sum[j] += values[j];
        }
    }
    return totals;
}

Result<std::vector<std::size_t>> sample_indices(const Evaluation& e, double rtol, double atol,
                                                bool feasible) {
    FV_ASSIGN_OR_RETURN(std::vector<double> totals, violation_totals(e));
    std::vector<std::size_t> indices;
    for (std::size_t j = 0; j < totals.size(); ++j)
        if (is_close_to_zero(totals[j], rtol, atol) == feasible) indices.push_back(j);
    return indices;
}

}  // namespace

bool is_close_to_zero(double v, double rtol, double atol) {
    if (!std::isfinite(v)) return false;
    const double a = (std::fabs(v) * rtol) + atol;
    const double b = std::fabs(0.0 - v);
    return a >= b;  // false when either side is NaN
}

Result<std::vector<std::size_t>> feasible_sample_indices(const Evaluation& e, double rtol, double atol) {
    return sample_indices(e, rtol, atol, true);
}

Result<std::vector<std::size_t>> infeasible_sample_indices(const Evaluation& e, double rtol, double atol) {
    return sample_indices(e, rtol, atol, false);
}

}  // namespace forvela
