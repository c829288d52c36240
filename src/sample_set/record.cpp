#include "sample_set/record.hpp"

#include "model/memory.hpp"

#include <algorithm>
#include <limits>
#include <new>

#include "model/number_text.hpp"

namespace forvela {

namespace {

// ---- equality ----

bool dense_arrays_equal(const DenseArray& a, const DenseArray& b) {
    return a.shape == b.shape && std::ranges::equal(a.data, b.data);  // IEEE ==
}

bool coo_equal(const CooFormat& a, const CooFormat& b) {
    return a.non_zero_indices == b.non_zero_indices &&
           std::ranges::equal(a.non_zero_values, b.non_zero_values) && a.shape == b.shape;
}

template <class Sample, class Equal>
bool sample_maps_equal(const SampleMap<Sample>& a, const SampleMap<Sample>& b, Equal&& equal) {
    if (a.size() != b.size()) return false;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j) {
        if (i->first != j->first || i->second.size() != j->second.size()) return false;
    }
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j) {
        if (!std::ranges::equal(i->second, j->second, equal)) return false;
    }
    return true;
}

// ---- text form ----

void append_index_list(std::string& out, std::span<const std::uint64_t> list) {
    out += '[';
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i) out += ", ";
        append_unsigned(out, list[i]);
    }
    out += ']';
}

// "()", "(a,)" or "(a, b)": a Python tuple of the items.
template <class Items, class Append>
void append_tuple(std::string& out, const Items& items, Append&& append) {
    out += '(';
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i) out += ", ";
        append(items[i]);
    }
    if (items.size() == 1) out += ',';
    out += ')';
}

void display_coo(std::string& out, const CooFormat& entry) {
    out += '(';
    append_tuple(out, entry.non_zero_indices,
                 [&](const std::vector<std::uint64_t>& list) { append_index_list(out, list); });
    out += ", [";
    for (std::size_t i = 0; i < entry.non_zero_values.size(); ++i) {
        if (i) out += ", ";
        append_fraction_float(out, entry.non_zero_values[i]);
    }
    out += "], ";
    append_tuple(out, entry.shape, [&](std::uint64_t n) { append_unsigned(out, n); });
    out += ')';
}

// A large array shows at most this many entries per axis, counted from the
// last axis: the last two axes 11, every other 6.
constexpr std::size_t kSummaryThreshold = 500;

struct DenseView {
    const DenseArray& array;
    std::vector<std::uint64_t> strides;  // in elements
    bool summarize;
};

void display_axis(std::string& out, const DenseView& v, std::size_t axis, std::uint64_t offset) {
    const std::size_t ndim = v.array.shape.size();
    const std::uint64_t length = v.array.shape[axis];
    const bool last = axis + 1 == ndim;
    const std::uint64_t limit = ndim - axis <= 2 ? 11 : 6;
    const bool cut = v.summarize && limit < length;
    const std::uint64_t half = limit / 2;

    auto separator = [&] {
        if (last) {
            out += ", ";
            return;
        }
        out += ",\n";
        out.append(ndim - axis - 2, '\n');
        out.append(axis + 1, ' ');
    };
    auto item = [&](std::uint64_t i) {
        if (last)
            append_plain_float(out, v.array.data[offset + i]);
        else
            display_axis(out, v, axis + 1, offset + i * v.strides[axis]);
    };

    out += '[';
    if (!cut) {
        for (std::uint64_t i = 0; i < length; ++i) {
            if (i) separator();
            item(i);
        }
    } else {
        for (std::uint64_t i = 0; i < half; ++i) {
            if (i) separator();
            item(i);
        }
        if (half) separator();
        out += "...";
        for (std::uint64_t i = length - half; i < length; ++i) {
            separator();
            item(i);
        }
    }
    out += ']';
}

void display_dense(std::string& out, const DenseArray& a) {
    const std::size_t ndim = a.shape.size();
    if (ndim == 0) {
        append_plain_float(out, a.data.empty() ? 0.0 : a.data.front());
        return;
    }
    if (a.data.empty()) {
        out.append(ndim, '[');
        out.append(ndim, ']');
        return;
    }
    DenseView v{a, std::vector<std::uint64_t>(ndim, 1), a.data.size() >= kSummaryThreshold};
    for (std::size_t k = ndim - 1; k > 0; --k) v.strides[k - 1] = v.strides[k] * a.shape[k];
    display_axis(out, v, 0, 0);
}

template <class Sample, class Display>
void display_solution(std::string& out, const SampleMap<Sample>& map, Display&& display) {
    out += '{';
    bool first = true;
    for (const auto& [name, samples] : map) {
        if (!first) out += ", ";
        first = false;
        out += '\'';
        out += name;
        out += "': [";
        for (std::size_t i = 0; i < samples.size(); ++i) {
            if (i) out += ", ";
            display(out, samples[i]);
        }
        out += ']';
    }
    out += '}';
}

}  // namespace

bool records_equal(const Record& a, const Record& b) {
    if (a.solution.index() != b.solution.index()) return false;
    const bool same = is_dense(a) ? sample_maps_equal(std::get<DenseSolution>(a.solution),
                                                      std::get<DenseSolution>(b.solution), dense_arrays_equal)
                                  : sample_maps_equal(std::get<SparseSolution>(a.solution),
                                                      std::get<SparseSolution>(b.solution), coo_equal);
    return same && a.num_occurrences == b.num_occurrences;
}

void record_display(std::string& out, const Record& r) {
    out += "Record(solution=";
    if (is_dense(r))
        display_solution(out, std::get<DenseSolution>(r.solution), display_dense);
    else
        display_solution(out, std::get<SparseSolution>(r.solution), display_coo);
    out += ", num_occurrences=";
    append_index_list(out, r.num_occurrences);
    out += ')';
}

// ---- dense and sparse conversion ----

Result<std::uint64_t> dense_element_count(std::span<const std::uint64_t> shape) {
    constexpr std::uint64_t kMaxSize = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    std::uint64_t product = 1;
    bool empty = false;
    for (std::uint64_t d : shape) {
        if (d == 0) {
            empty = true;
            continue;
        }
        if (__builtin_mul_overflow(product, d, &product) || product > kMaxSize)
            return fail(ErrorKind::MemoryError,
                        "ndarray: Shape too large, product of non-zero axis lengths overflows isize");
    }
    // The bytes must fit a signed size as well, also for an empty array:
    // NumPy refuses a shape whose non-zero lengths it could not address.
    if (product > kMaxSize / sizeof(double)) return fail(ErrorKind::MemoryError, "capacity overflow");
    return empty ? 0 : product;
}

Result<DenseArray> coo_to_dense_array(const CooFormat& entry) {
    const std::size_t ndim = entry.shape.size();
    if (ndim > kMaxAxes) {
        std::string message = "unexpected dimensionality: an array has at most 32 axes, but the shape has ";
        append_unsigned(message, ndim);
        return fail(ErrorKind::ValueError, std::move(message));
    }
    FV_ASSIGN_OR_RETURN(std::uint64_t count, dense_element_count(entry.shape));
    DenseArray array;
    array.shape = entry.shape;
    try {
        if (!fits_in_memory(count, sizeof(double))) throw std::bad_alloc();
        array.data.assign(static_cast<std::size_t>(count), 0.0);
    } catch (const std::bad_alloc&) {
        std::string message = "cannot allocate an array of ";
        append_unsigned(message, count);
        message += " elements";
        return fail(ErrorKind::MemoryError, std::move(message));
    }
    std::vector<std::uint64_t> strides(ndim, 1);
    for (std::size_t k = ndim; k > 1; --k) strides[k - 2] = strides[k - 1] * entry.shape[k - 1];

    const auto& lists = entry.non_zero_indices;
    std::vector<std::uint64_t> coordinates(lists.size());
    for (std::size_t j = 0; j < entry.non_zero_values.size(); ++j) {
        for (std::size_t k = 0; k < lists.size(); ++k) {
            if (j >= lists[k].size()) {
                std::string message = "index out of bounds: the len is ";
                append_unsigned(message, lists[k].size());
                message += " but the index is ";
                append_unsigned(message, j);
                return fail(ErrorKind::IndexError, std::move(message));
            }
            coordinates[k] = lists[k][j];
        }
        bool fits = coordinates.size() == ndim;
        std::uint64_t offset = 0;
        for (std::size_t k = 0; fits && k < ndim; ++k) {
            fits = coordinates[k] < entry.shape[k];
            offset += coordinates[k] * strides[k];
        }
        if (!fits) {
            std::string message = "Failed to get a mutable reference to the array at ";
            append_index_list(message, coordinates);
            message += ". This might be caused by the shape mismatch. shape: ";
            append_index_list(message, entry.shape);
            return fail(ErrorKind::IndexError, std::move(message));
        }
        array.data[static_cast<std::size_t>(offset)] = entry.non_zero_values[j];
    }
    return array;
}

CooFormat dense_array_to_coo(const DenseArray& array) {
    const std::size_t ndim = array.shape.size();
    CooFormat entry;
    entry.shape = array.shape;
    entry.non_zero_indices.resize(ndim);
    std::size_t stored = 0;
    for (double x : array.data) stored += x != 0.0;
    entry.non_zero_values.reserve(stored);
    for (auto& list : entry.non_zero_indices) list.reserve(stored);
    // The coordinates of element i, advanced with the last axis fastest.
    std::vector<std::uint64_t> at(ndim, 0);
    for (std::size_t i = 0; i < array.data.size(); ++i) {
        const double x = array.data[i];
        if (x != 0.0) {
            for (std::size_t k = 0; k < ndim; ++k) entry.non_zero_indices[k].push_back(at[k]);
            entry.non_zero_values.push_back(x);
        }
        for (std::size_t k = ndim; k > 0; --k) {
            if (++at[k - 1] < array.shape[k - 1]) break;
            at[k - 1] = 0;
        }
    }
    return entry;
}

Result<Record> record_to_dense(const Record& r) {
    if (is_dense(r)) return r;
    DenseSolution dense;
    for (const auto& [name, entries] : std::get<SparseSolution>(r.solution)) {
        std::vector<DenseArray> arrays;
        arrays.reserve(entries.size());
        for (const CooFormat& entry : entries) {
            FV_ASSIGN_OR_RETURN(DenseArray a, coo_to_dense_array(entry));
            arrays.push_back(std::move(a));
        }
        dense.emplace(name, std::move(arrays));
    }
    return Record{std::move(dense), r.num_occurrences};
}

Record record_to_sparse(const Record& r) {
    if (!is_dense(r)) return r;
    SparseSolution sparse;
    for (const auto& [name, arrays] : std::get<DenseSolution>(r.solution)) {
        std::vector<CooFormat> entries;
        entries.reserve(arrays.size());
        for (const DenseArray& a : arrays) entries.push_back(dense_array_to_coo(a));
        sparse.emplace(name, std::move(entries));
    }
    return Record{std::move(sparse), r.num_occurrences};
}

}  // namespace forvela
