// SampleSet: the result of one solve, its record, the record's evaluation
// and the measured times (the metadata dict that the Python object adds is
// no part of this value). A sample is a position in the per-sample lists:
// num_occurrences and each variable's samples in the record; energy,
// objective, constraint_values and each list of constraint_violations and
// penalty in the evaluation. constraint_forall is shared by all samples.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "sample_set/evaluation.hpp"
#include "sample_set/measuring_time.hpp"
#include "sample_set/record.hpp"

namespace forvela {

struct SampleSet {
    Record record;
    Evaluation evaluation;
    MeasuringTime measuring_time;
};

// Record, evaluation and measuring time, in this order.
bool sample_set_parts_equal(const SampleSet& a, const SampleSet& b);

// The samples at `indices`, in that order, picked out of every per-sample
// list. A list that is empty counts as not given: selecting from it gives
// the empty record (or the empty evaluation, or an empty
// constraint_values) when any index is selected. A non-empty list too
// short for a selected index fails with ValueError naming the list, its
// length, the index and `sample_count`, the number of samples the indices
// were chosen from.
Result<SampleSet> select_samples(const SampleSet& s, std::span<const std::size_t> indices,
                                 std::size_t sample_count);

// The filters. Without constraints `feasible` keeps every sample and
// `infeasible` none; `lowest` then fails as the feasibility test does.
Result<SampleSet> feasible_samples(const SampleSet& s, double rtol, double atol);
Result<SampleSet> infeasible_samples(const SampleSet& s, double rtol, double atol);
// The feasible samples whose objective equals the smallest feasible one
// (NaN never counts). ValueError when the objective list does not cover the
// samples of the constraint violations (an empty one only matters when a
// sample is feasible).
Result<SampleSet> lowest_samples(const SampleSet& s, double rtol, double atol);

// The record converted into dense form, the rest copied.
Result<SampleSet> sample_set_to_dense(const SampleSet& s);

}  // namespace forvela
