// Record: the solutions a solver sampled, per decision variable one value
// per sample, either dense (an n-dimensional float array per sample) or
// sparse (the stored entries of each sample in coordinate form), and the
// number of times each sample was observed. Maps are ordered by name,
// byte-wise. Nothing ties the lengths of the lists together.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "sample_set/json_reader.hpp"
#include "sample_set/json_writer.hpp"

namespace forvela {

// The most axes a dense array may have (NumPy's limit on every version).
inline constexpr std::size_t kMaxAxes = 32;

// A dense sample: its dimensions and its elements in row-major order; the
// element count is the product of the dimensions (1 without any).
struct DenseArray {
    std::vector<std::uint64_t> shape;
    std::vector<double> data;
};

// A sparse sample: one coordinate list per axis (entry j of list k is the
// coordinate along axis k of value j), the values, and the dense shape.
// Stored as given; only the dense conversion looks at the coordinates.
struct CooFormat {
    std::vector<std::vector<std::uint64_t>> non_zero_indices;
    std::vector<double> non_zero_values;
    std::vector<std::uint64_t> shape;
};

template <class Sample>
using SampleMap = std::map<std::string, std::vector<Sample>, std::less<>>;
using SparseSolution = SampleMap<CooFormat>;
using DenseSolution = SampleMap<DenseArray>;
// Sparse first: the kind of an empty solution.
using Solution = std::variant<SparseSolution, DenseSolution>;

struct Record {
    Solution solution;
    std::vector<std::uint64_t> num_occurrences;
};

inline bool is_dense(const Record& r) { return std::holds_alternative<DenseSolution>(r.solution); }

// Exact: the same kind, names, samples and counts; floats by IEEE equality.
bool records_equal(const Record& a, const Record& b);

// "Record(solution={'x': [...]}, num_occurrences=[1])"
void record_display(std::string& out, const Record& r);

// The JSON form (record_json.cpp).
void write_record(JsonWriter& w, const Record& r);
Result<Record> read_record(JsonReader& r);

// ---- dense and sparse conversion ----

// The element count of a shape: the product of its dimensions, refused
// (MemoryError) when the product of the non-zero ones, or the bytes of
// that many floats, overflow a signed 64-bit size.
Result<std::uint64_t> dense_element_count(std::span<const std::uint64_t> shape);

// The dense array an entry stands for: zeros, then every value at its
// coordinates (the last of repeated coordinates wins). ValueError for more
// than kMaxAxes axes, MemoryError for a shape too large, IndexError for an
// index list shorter than the values or coordinates that do not fit.
Result<DenseArray> coo_to_dense_array(const CooFormat& entry);
// The entries x != 0.0 of the array in row-major order (NaN included).
CooFormat dense_array_to_coo(const DenseArray& array);

// The record with a dense solution: a copy when it is already dense, else
// the first entry (in name, then sample order) that does not convert fails.
Result<Record> record_to_dense(const Record& r);
Record record_to_sparse(const Record& r);

}  // namespace forvela
