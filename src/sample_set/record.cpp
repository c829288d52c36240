#include "sample_set/record.hpp"

#include "model/memory.hpp"

#include <algorithm>
#include <limits>
#include <new>
#include <optional>

#include "sample_set/number_text.hpp"

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

// ---- JSON ----

void write_u64_array(JsonWriter& w, std::span<const std::uint64_t> values) {
    w.begin_array();
    for (std::uint64_t n : values) w.number(n);
    w.end_array();
}

void write_coo(JsonWriter& w, const CooFormat& entry) {
    w.begin_array();
    w.begin_array();
    for (const auto& list : entry.non_zero_indices) write_u64_array(w, list);
    w.end_array();
    w.float_array(entry.non_zero_values);
    write_u64_array(w, entry.shape);
    w.end_array();
}

void write_dense(JsonWriter& w, const DenseArray& a) {
    w.begin_object();
    w.key("v");
    w.number(std::uint64_t{1});
    w.key("dim");
    write_u64_array(w, a.shape);
    w.key("data");
    w.float_array(a.data);
    w.end_object();
}

template <class Sample, class Write>
void write_samples(JsonWriter& w, const SampleMap<Sample>& map, Write&& write) {
    w.begin_object();
    for (const auto& [name, samples] : map) {
        w.key(name);
        w.begin_array();
        for (const Sample& s : samples) write(w, s);
        w.end_array();
    }
    w.end_object();
}

constexpr RecordField kRecordFields[] = {{"solution", false}, {"num_occurrences", false}};
constexpr RecordShape kRecordShape{"PyRecord", kRecordFields};
constexpr RecordField kCooFields[] = {
    {"non_zero_indices", false}, {"non_zero_values", false}, {"shape", false}};
constexpr RecordShape kCooShape{"COOFormat", kCooFields};

Result<void> read_u64_list(JsonReader& r, std::vector<std::uint64_t>& out, std::string_view expected) {
    out.clear();
    return r.read_seq([&]() -> Result<void> {
        FV_ASSIGN_OR_RETURN(std::uint64_t n, r.read_u64(expected));
        out.push_back(n);
        return {};
    });
}

Result<void> read_f64_list(JsonReader& r, std::vector<double>& out) {
    out.clear();
    return r.read_seq([&]() -> Result<void> {
        FV_ASSIGN_OR_RETURN(double x, r.read_f64());
        out.push_back(x);
        return {};
    });
}

Result<CooFormat> read_coo(JsonReader& r) {
    CooFormat entry;
    FV_TRY(r.read_record(kCooShape, [&](std::size_t i) -> Result<void> {
        switch (i) {
            case 0:
                entry.non_zero_indices.clear();
                return r.read_seq([&]() -> Result<void> {
                    std::vector<std::uint64_t> list;
                    FV_TRY(read_u64_list(r, list, "usize"));
                    entry.non_zero_indices.push_back(std::move(list));
                    return {};
                });
            case 1: return read_f64_list(r, entry.non_zero_values);
            default: return read_u64_list(r, entry.shape, "usize");
        }
    }));
    return entry;
}

// One member of a dense array, by index: 0 "v", 1 "dim", 2 "data".
struct DenseParts {
    std::optional<std::uint64_t> version;
    std::optional<std::vector<std::uint64_t>> dim;
    std::optional<std::vector<double>> data;
};

Result<void> read_dense_part(JsonReader& r, DenseParts& parts, std::size_t i) {
    switch (i) {
        case 0: {
            FV_ASSIGN_OR_RETURN(std::uint64_t v, r.read_u64("u8"));
            if (v > 255) {
                std::string message = "invalid value: integer `";
                append_unsigned(message, v);
                message += "`, expected u8";
                auto e = r.custom_error(std::move(message));
                r.fix_position();
                return std::unexpected(std::move(e));
            }
            if (v != 1) {
                std::string message = "unknown array version: ";
                append_unsigned(message, v);
                return std::unexpected(r.custom_error(std::move(message)));
            }
            parts.version = v;
            return {};
        }
        case 1: {
            std::vector<std::uint64_t> dim;
            FV_TRY(read_u64_list(r, dim, "usize"));
            parts.dim = std::move(dim);
            return {};
        }
        default: {
            std::vector<double> data;
            FV_TRY(read_f64_list(r, data));
            parts.data = std::move(data);
            return {};
        }
    }
}

constexpr std::string_view kDenseMembers[] = {"v", "dim", "data"};

// The array form [v, dim, data] or the object form with exactly the
// members v, dim and data; the element count must match the dimensions.
Result<DenseArray> read_dense(JsonReader& r) {
    auto peek = r.peek_token();
    if (!peek) return std::unexpected(r.peek_syntax_error("EOF while parsing a value"));
    DenseParts parts;
    Result<void> res;
    if (*peek == '[') {
        FV_TRY(r.enter_level());
        r.eat();
        bool first = true;
        for (std::size_t i = 0; i < 3; ++i) {
            Result<bool> more = r.has_next_element(first);
            if (!more) {
                res = std::unexpected(std::move(more.error()));
                break;
            }
            if (!*more) {
                std::string message = "invalid length ";
                append_unsigned(message, i);
                message += ", expected ndarray representation";
                res = std::unexpected(r.custom_error(std::move(message)));
                break;
            }
            if (res = read_dense_part(r, parts, i); !res) break;
        }
        r.leave_level();
        if (res)
            res = r.end_seq();
        else
            r.end_seq_quietly();
    } else if (*peek == '{') {
        FV_TRY(r.enter_level());
        r.eat();
        bool first = true;
        for (;;) {
            Result<std::optional<std::string>> key = r.next_key(first);
            if (!key) {
                res = std::unexpected(std::move(key.error()));
                break;
            }
            if (!*key) break;
            const auto* found = std::ranges::find(kDenseMembers, std::string_view(**key));
            if (found == std::end(kDenseMembers)) {
                res = std::unexpected(
                    r.custom_error("unknown field `" + **key + "`, expected one of `v`, `dim`, `data`"));
                r.fix_position();
                break;
            }
            const auto i = static_cast<std::size_t>(found - std::begin(kDenseMembers));
            const bool seen = i == 0   ? parts.version.has_value()
                              : i == 1 ? parts.dim.has_value()
                                       : parts.data.has_value();
            if (seen) {
                res = std::unexpected(r.custom_error("duplicate field `" + **key + "`"));
                r.fix_position();
                break;
            }
            if (res = r.expect_colon(); !res) break;
            if (res = read_dense_part(r, parts, i); !res) break;
        }
        if (res) {
            if (!parts.version)
                res = std::unexpected(r.custom_error("missing field `v`"));
            else if (!parts.data)
                res = std::unexpected(r.custom_error("missing field `data`"));
            else if (!parts.dim)
                res = std::unexpected(r.custom_error("missing field `dim`"));
        }
        r.leave_level();
        if (res)
            res = r.end_map();
        else
            r.end_map_quietly();
    } else {
        res = std::unexpected(r.invalid_type_here("ndarray representation"));
    }
    if (res) {
        if (parts.dim->size() > kMaxAxes) {
            std::string message = "unexpected dimensionality: an array has at most 32 axes, but `dim` has ";
            append_unsigned(message, parts.dim->size());
            res = std::unexpected(r.custom_error(std::move(message)));
        } else if (auto count = dense_element_count(*parts.dim); !count || *count != parts.data->size()) {
            res = std::unexpected(r.custom_error("data and dimension must match in size"));
        }
    }
    if (!res) {
        r.fix_position();
        return std::unexpected(std::move(res.error()));
    }
    return DenseArray{std::move(*parts.dim), std::move(*parts.data)};
}

// A variable name repeated in one object keeps its last samples.
template <class Sample, class ReadSample>
Result<SampleMap<Sample>> read_samples(JsonReader& r, ReadSample&& read_sample) {
    SampleMap<Sample> map;
    FV_TRY(r.read_map([&](std::string name) -> Result<void> {
        std::vector<Sample> samples;
        FV_TRY(r.read_seq([&]() -> Result<void> {
            FV_ASSIGN_OR_RETURN(Sample s, read_sample(r));
            samples.push_back(std::move(s));
            return {};
        }));
        map.insert_or_assign(std::move(name), std::move(samples));
        return {};
    }));
    return map;
}

Error unknown_variant(JsonReader& r, const std::string& name) {
    std::string message;
    if (name == "Sparse" || name == "Dense")
        message = "invalid type: unit variant, expected newtype variant";
    else
        message = "unknown variant `" + name + "`, expected `Sparse` or `Dense`";
    Error e = r.custom_error(std::move(message));
    r.fix_position();
    return e;
}

// The externally tagged variant: {"Sparse": {...}} or {"Dense": {...}}.
Result<Solution> read_solution(JsonReader& r) {
    auto peek = r.peek_token();
    if (!peek) return std::unexpected(r.peek_syntax_error("EOF while parsing a value"));
    if (*peek == '"') {
        FV_ASSIGN_OR_RETURN(std::string name, r.read_string());
        return std::unexpected(unknown_variant(r, name));
    }
    if (*peek != '{') return std::unexpected(r.peek_syntax_error("expected value"));
    FV_TRY(r.enter_level());
    r.eat();
    auto body = [&]() -> Result<Solution> {
        auto key = r.peek_token();
        if (!key) return std::unexpected(r.peek_syntax_error("EOF while parsing a value"));
        if (*key != '"') {
            Error e = r.invalid_type_here("variant identifier");
            r.fix_position();
            return std::unexpected(std::move(e));
        }
        FV_ASSIGN_OR_RETURN(std::string name, r.read_string());
        if (name != "Sparse" && name != "Dense") return std::unexpected(unknown_variant(r, name));
        FV_TRY(r.expect_colon());
        if (name == "Sparse") {
            FV_ASSIGN_OR_RETURN(SparseSolution s, read_samples<CooFormat>(r, read_coo));
            return Solution(std::move(s));
        }
        FV_ASSIGN_OR_RETURN(DenseSolution d, read_samples<DenseArray>(r, read_dense));
        return Solution(std::move(d));
    };
    Result<Solution> solution = body();
    r.leave_level();
    if (!solution) return solution;
    auto close = r.peek_token();
    if (!close) return std::unexpected(r.syntax_error("EOF while parsing an object"));
    if (*close != '}') return std::unexpected(r.syntax_error("expected value"));
    r.eat();
    return solution;
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

void write_record(JsonWriter& w, const Record& r) {
    w.begin_object();
    w.key("solution");
    w.begin_object();
    if (is_dense(r)) {
        w.key("Dense");
        write_samples(w, std::get<DenseSolution>(r.solution), write_dense);
    } else {
        w.key("Sparse");
        write_samples(w, std::get<SparseSolution>(r.solution), write_coo);
    }
    w.end_object();
    w.key("num_occurrences");
    write_u64_array(w, r.num_occurrences);
    w.end_object();
}

Result<Record> read_record(JsonReader& r) {
    Record record;
    FV_TRY(r.read_record(kRecordShape, [&](std::size_t i) -> Result<void> {
        if (i == 1) return read_u64_list(r, record.num_occurrences, "u64");
        FV_ASSIGN_OR_RETURN(record.solution, read_solution(r));
        return {};
    }));
    return record;
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
