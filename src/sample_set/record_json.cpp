// The JSON form of a Record: {"solution": {"Sparse"|"Dense": {name:
// [sample, ...]}}, "num_occurrences": [...]}, a sparse sample as the array
// [indices, values, shape] (or its object form), a dense one as
// {"v": 1, "dim": [...], "data": [...]} (or the array [v, dim, data]).
#include <algorithm>
#include <optional>

#include "model/number_text.hpp"
#include "sample_set/record.hpp"

namespace forvela {

namespace {

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

Result<CooFormat> read_coo(JsonReader& r) {
    CooFormat entry;
    FV_TRY(r.read_record(kCooShape, [&](std::size_t i) -> Result<void> {
        switch (i) {
            case 0:
                entry.non_zero_indices.clear();
                return r.read_seq([&]() -> Result<void> {
                    std::vector<std::uint64_t> list;
                    FV_TRY(r.read_u64_list(list, "usize"));
                    entry.non_zero_indices.push_back(std::move(list));
                    return {};
                });
            case 1: return r.read_f64_list(entry.non_zero_values);
            default: return r.read_u64_list(entry.shape, "usize");
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

constexpr std::string_view kDenseMembers[] = {"v", "dim", "data"};

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

}  // namespace

// The readers that work the JSON reader's tokens directly: a dense array,
// whose two forms have their own messages, and the solution's tagged
// variant.
class RecordJsonReader {
public:
    static Result<void> read_dense_part(JsonReader& r, DenseParts& parts, std::size_t i) {
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
                FV_TRY(r.read_u64_list(dim, "usize"));
                parts.dim = std::move(dim);
                return {};
            }
            default: {
                std::vector<double> data;
                FV_TRY(r.read_f64_list(data));
                parts.data = std::move(data);
                return {};
            }
        }
    }

    // The array form [v, dim, data] or the object form with exactly the
    // members v, dim and data; the element count must match the dimensions.
    static Result<DenseArray> read_dense(JsonReader& r) {
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
                std::string message =
                    "unexpected dimensionality: an array has at most 32 axes, but `dim` has ";
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

    static Error unknown_variant(JsonReader& r, const std::string& name) {
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
    static Result<Solution> read_solution(JsonReader& r) {
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
};

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
        if (i == 1) return r.read_u64_list(record.num_occurrences, "u64");
        FV_ASSIGN_OR_RETURN(record.solution, RecordJsonReader::read_solution(r));
        return {};
    }));
    return record;
}

}  // namespace forvela
