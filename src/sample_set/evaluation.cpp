#include "sample_set/evaluation.hpp"

#include <algorithm>
#include <span>

#include "model/number_text.hpp"
#include "sample_set/debug_text.hpp"

namespace forvela {

namespace {

bool float_lists_equal(const FloatList& a, const FloatList& b) {
    return std::ranges::equal(a, b);  // IEEE ==: NaN unequal, 0.0 == -0.0
}

template <class Map, class Equal>
bool maps_equal(const Map& a, const Map& b, Equal&& equal_values) {
    if (a.size() != b.size()) return false;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j)
        if (i->first != j->first || !equal_values(i->second, j->second)) return false;
    return true;
}

bool float_list_maps_equal(const FloatListMap& a, const FloatListMap& b) {
    return maps_equal(a, b, float_lists_equal);
}

void display_float_list(std::string& out, const FloatList& list) {
    out += '[';
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i) out += ", ";
        append_fraction_float(out, list[i]);
    }
    out += ']';
}

void display_rows(std::string& out, const IndexRows& rows) {
    out += '[';
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i) out += ", ";
        out += '[';
        for (std::size_t k = 0; k < rows[i].size(); ++k) {
            if (k) out += ", ";
            append_unsigned(out, rows[i][k]);
        }
        out += ']';
    }
    out += ']';
}

template <class Map, class Display>
void display_map(std::string& out, const Map& map, Display&& display_value) {
    out += '{';
    bool first = true;
    for (const auto& [name, value] : map) {
        if (!first) out += ", ";
        first = false;
        append_debug_quoted(out, name);
        out += ": ";
        display_value(out, value);
    }
    out += '}';
}

void display_float_list_map(std::string& out, const FloatListMap& map) {
    display_map(out, map, display_float_list);
}

constexpr RecordField kFields[] = {
    {"energy", false},
    {"objective", false},
    {"constraint_violations", false},
    {"constraint_forall", false},
    {"constraint_values", false},
    {"penalty", false},
};
constexpr RecordShape kShape{"PyEvaluation", kFields};

// A name repeated inside one object keeps its last value.
Result<void> read_float_list_map(JsonReader& r, FloatListMap& out) {
    out.clear();
    return r.read_map([&](std::string name) -> Result<void> {
        FloatList list;
        FV_TRY(r.read_f64_list(list));
        out.insert_or_assign(std::move(name), std::move(list));
        return {};
    });
}

Result<void> read_index_rows_map(JsonReader& r, IndexRowsMap& out) {
    out.clear();
    return r.read_map([&](std::string name) -> Result<void> {
        IndexRows rows;
        FV_TRY(r.read_seq([&]() -> Result<void> {
            IndexRow row;
            FV_TRY(r.read_u64_list(row));
            rows.push_back(std::move(row));
            return {};
        }));
        out.insert_or_assign(std::move(name), std::move(rows));
        return {};
    });
}

}  // namespace

bool evaluations_equal(const Evaluation& a, const Evaluation& b) {
    return float_lists_equal(a.energy, b.energy) && float_lists_equal(a.objective, b.objective) &&
           float_list_maps_equal(a.constraint_violations, b.constraint_violations) &&
           maps_equal(a.constraint_forall, b.constraint_forall,
                      [](const IndexRows& x, const IndexRows& y) { return x == y; }) &&
           std::ranges::equal(a.constraint_values, b.constraint_values, float_list_maps_equal) &&
           float_list_maps_equal(a.penalty, b.penalty);
}

void evaluation_display(std::string& out, const Evaluation& e) {
    out += "Evaluation(energy=";
    display_float_list(out, e.energy);
    out += ", objective=";
    display_float_list(out, e.objective);
    out += ", constraint_violations=";
    display_float_list_map(out, e.constraint_violations);
    out += ", constraint_forall=";
    display_map(out, e.constraint_forall, display_rows);
    out += ", constraint_values=[";
    for (std::size_t i = 0; i < e.constraint_values.size(); ++i) {
        if (i) out += ", ";
        display_float_list_map(out, e.constraint_values[i]);
    }
    out += "], penalty=";
    display_float_list_map(out, e.penalty);
    out += ')';
}

void write_evaluation(JsonWriter& w, const Evaluation& e) {
    w.begin_object();
    w.key("energy");
    w.float_array(e.energy);
    w.key("objective");
    w.float_array(e.objective);
    w.key("constraint_violations");
    w.float_array_map(e.constraint_violations);
    w.key("constraint_forall");
    w.begin_object();
    for (const auto& [name, rows] : e.constraint_forall) {
        w.key(name);
        w.begin_array();
        for (const IndexRow& row : rows) {
            w.begin_array();
            for (std::uint64_t index : row) w.number(index);
            w.end_array();
        }
        w.end_array();
    }
    w.end_object();
    w.key("constraint_values");
    w.begin_array();
    for (const FloatListMap& values : e.constraint_values) w.float_array_map(values);
    w.end_array();
    w.key("penalty");
    w.float_array_map(e.penalty);
    w.end_object();
}

Result<Evaluation> read_evaluation(JsonReader& r) {
    Evaluation e;
    FV_TRY(r.read_record(kShape, [&](std::size_t i) -> Result<void> {
        switch (i) {
            case 0: return r.read_f64_list(e.energy);
            case 1: return r.read_f64_list(e.objective);
            case 2: return read_float_list_map(r, e.constraint_violations);
            case 3: return read_index_rows_map(r, e.constraint_forall);
            case 4:
                e.constraint_values.clear();
                return r.read_seq([&]() -> Result<void> {
                    FloatListMap values;
                    FV_TRY(read_float_list_map(r, values));
                    e.constraint_values.push_back(std::move(values));
                    return {};
                });
            default: return read_float_list_map(r, e.penalty);
        }
    }));
    return e;
}

Result<std::size_t> forall_width(const IndexRows& rows) {
    if (rows.empty()) return std::size_t{0};
    const std::size_t width = rows.front().size();
    for (const IndexRow& row : rows) {
        if (row.size() == width) continue;
        std::string message = "invalid length: ";
        append_unsigned(message, row.size());
        message += ", but expected ";
        append_unsigned(message, width);
        return fail(ErrorKind::TypeError, std::move(message));
    }
    return width;
}

}  // namespace forvela
