// Evaluation: what a solver reports after evaluating a model on a batch of
// samples (energies, objectives, constraint violations, forall index rows,
// constraint values and penalties). Every map is ordered by name, byte-wise.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "sample_set/json_reader.hpp"
#include "sample_set/json_writer.hpp"

namespace forvela {

using FloatList = std::vector<double>;
using FloatListMap = std::map<std::string, FloatList, std::less<>>;
using IndexRow = std::vector<std::uint64_t>;
using IndexRows = std::vector<IndexRow>;
using IndexRowsMap = std::map<std::string, IndexRows, std::less<>>;

struct Evaluation {
    FloatList energy;
    FloatList objective;
    FloatListMap constraint_violations;
    IndexRowsMap constraint_forall;
    std::vector<FloatListMap> constraint_values;
    FloatListMap penalty;
};

// Field by field in declared order; floats by IEEE equality.
bool evaluations_equal(const Evaluation& a, const Evaluation& b);

// "Evaluation(energy=[1.0], objective=[...], ...)"
void evaluation_display(std::string& out, const Evaluation& e);

void write_evaluation(JsonWriter& w, const Evaluation& e);
// All six fields are required.
Result<Evaluation> read_evaluation(JsonReader& r);

// The common length of the rows (0 without rows), or a TypeError naming
// the first row of another length.
Result<std::size_t> forall_width(const IndexRows& rows);

}  // namespace forvela
