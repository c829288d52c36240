#include "sample_set/measuring_time.hpp"

namespace forvela {

namespace {

constexpr RecordField kFields[] = {{"solve", false}, {"system", false}, {"total", true}};
constexpr RecordShape kShape{"PyMeasuringTime", kFields};

}  // namespace

bool measuring_times_equal(const MeasuringTime& a, const MeasuringTime& b) {
    return float_records_equal(a.solve, b.solve) && float_records_equal(a.system, b.system) &&
           optional_floats_equal(a.total, b.total);
}

void append_measuring_time_text(std::string& out, const MeasuringTime& v) {
    out += "MeasuringTime(solve=";
    append_float_record_text(out, v.solve);
    out += ", system=";
    append_float_record_text(out, v.system);
    out += ", total=";
    append_optional_float(out, v.total);
    out += ')';
}

void write_measuring_time(JsonWriter& w, const MeasuringTime& v) {
    w.begin_object();
    w.key("solve");
    write_float_record(w, v.solve);
    w.key("system");
    write_float_record(w, v.system);
    w.key("total");
    w.number(v.total);
    w.end_object();
}

Result<MeasuringTime> read_measuring_time(JsonReader& r) {
    MeasuringTime v{};
    FV_TRY(r.read_record(kShape, [&](std::size_t i) -> Result<void> {
        switch (i) {
            case 0: {
                FV_ASSIGN_OR_RETURN(v.solve, read_float_record<SolvingTime>(r));
                return {};
            }
            case 1: {
                FV_ASSIGN_OR_RETURN(v.system, read_float_record<SystemTime>(r));
                return {};
            }
            default: {
                FV_ASSIGN_OR_RETURN(v.total, r.read_optional_f64());
                return {};
            }
        }
    }));
    return v;
}

}  // namespace forvela
