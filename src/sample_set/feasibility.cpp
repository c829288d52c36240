#include "sample_set/feasibility.hpp"

#include <algorithm>
#include <cmath>

#include "model/result_macros.hpp"

namespace forvela {

namespace {

// Per sample, the violations of all constraints summed in name order.
Result<std::vector<double>> violation_totals(const Evaluation& e) {
    const auto& violations = e.constraint_violations;
    FV_ASSIGN_OR_RETURN(std::vector<const double*> columns, violation_columns(e));
    const std::size_t samples = violations.begin()->second.size();
    std::vector<double> totals(samples, 0.0);
    // Block by block of samples, so that the running totals stay in the
    // first-level cache while every list adds to them in name order.
    constexpr std::size_t kBlock = 1024;
    for (std::size_t begin = 0; begin < samples; begin += kBlock) {
        const std::size_t end = std::min(samples, begin + kBlock);
        double* __restrict sum = totals.data();
        for (const double* column : columns) {
            const double* __restrict values = column;
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

Result<std::vector<const double*>> violation_columns(const Evaluation& e) {
    const auto& violations = e.constraint_violations;
    if (violations.empty()) return fail(ErrorKind::ValueError, "constraint violation is empty");
    const std::size_t samples = violations.begin()->second.size();
    std::size_t total = 0;
    for (const auto& [name, list] : violations) total += list.size();
    std::size_t expected = 0;
    if (__builtin_mul_overflow(violations.size(), samples, &expected) || total < expected)
        return fail(ErrorKind::ValueError, "ShapeError/OutOfBounds: out of bounds indexing");
    std::vector<const double*> columns;
    columns.reserve(violations.size());
    for (const auto& [name, list] : violations) {
        if (list.size() != samples)
            return fail(ErrorKind::ValueError, "ShapeError/IncompatibleShape: incompatible shapes");
        columns.push_back(list.data());
    }
    return columns;
}

bool sample_is_feasible(std::span<const double* const> columns, std::size_t j, double rtol, double atol) {
    double total = 0.0;
    for (const double* column : columns) total += column[j];
    return is_close_to_zero(total, rtol, atol);
}

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
