// Records made of optional floats only (SolvingTime, SystemTime): their
// equality, text, JSON writing and JSON reading, driven by a table of
// fields per record type.
#pragma once

#include <cmath>
#include <optional>
#include <string>
#include <string_view>

#include "sample_set/json_reader.hpp"
#include "sample_set/json_writer.hpp"
#include "model/number_text.hpp"

namespace forvela {

// A field that is absent or holds one float.
using OptionalFloat = std::optional<double>;

// Both absent, or both present and equal as floats (NaN equals nothing).
inline bool optional_floats_equal(const OptionalFloat& a, const OptionalFloat& b) {
    if (a.has_value() != b.has_value()) return false;
    return !a || *a == *b;
}

// "None" or the plain float text.
inline void append_optional_float(std::string& out, const OptionalFloat& x) {
    if (x)
        append_plain_float(out, *x);
    else
        out += "None";
}

template <class T>
struct FloatField {
    const char* name;
    OptionalFloat T::* member;
};

// Specialised per record type with: `name` (the class name), `shape` (the
// JSON record name and fields, all optional) and `fields` (the members, in
// declared order).
template <class T>
struct FloatRecordTraits;

template <class T>
bool float_records_equal(const T& a, const T& b) {
    for (const auto& f : FloatRecordTraits<T>::fields)
        if (!optional_floats_equal(a.*f.member, b.*f.member)) return false;
    return true;
}

// "SolvingTime(preprocess=None, solve=2, postprocess=0.25)"
template <class T>
void append_float_record_text(std::string& out, const T& v) {
    out += FloatRecordTraits<T>::name;
    out += '(';
    bool first = true;
    for (const auto& f : FloatRecordTraits<T>::fields) {
        if (!first) out += ", ";
        first = false;
        out += f.name;
        out += '=';
        append_optional_float(out, v.*f.member);
    }
    out += ')';
}

template <class T>
void write_float_record(JsonWriter& w, const T& v) {
    w.begin_object();
    for (const auto& f : FloatRecordTraits<T>::fields) {
        w.key(f.name);
        w.number(v.*f.member);
    }
    w.end_object();
}

// Fields left out of the object form stay absent.
template <class T>
Result<T> read_float_record(JsonReader& r) {
    T v{};
    FV_TRY(r.read_record(FloatRecordTraits<T>::shape, [&](std::size_t i) -> Result<void> {
        FV_ASSIGN_OR_RETURN(v.*FloatRecordTraits<T>::fields[i].member, r.read_optional_f64());
        return {};
    }));
    return v;
}

}  // namespace forvela
