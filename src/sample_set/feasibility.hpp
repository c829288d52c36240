// The feasibility test of the samples of an Evaluation: a sample is
// feasible when the sum of its violations over all constraints is finite
// and close to zero, |v| * rtol + atol >= |0 - v|.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "sample_set/evaluation.hpp"

namespace forvela {

// False for NaN and the infinities, whatever the tolerances.
bool is_close_to_zero(double v, double rtol, double atol);

// The ascending indices of the samples that pass (or fail) the test. Fails
// with ValueError when there is no constraint or when the violation lists
// do not all hold one value per sample.
Result<std::vector<std::size_t>> feasible_sample_indices(const Evaluation& e, double rtol, double atol);
Result<std::vector<std::size_t>> infeasible_sample_indices(const Evaluation& e, double rtol, double atol);

// The violation lists in name order, after the checks above.
Result<std::vector<const double*>> violation_columns(const Evaluation& e);
// The test of sample `j` alone, summing as the indices above do.
bool sample_is_feasible(std::span<const double* const> columns, std::size_t j, double rtol, double atol);

}  // namespace forvela
