// MeasuringTime: the times of one solver run, the solver's and the
// service's, and an optional total.
#pragma once

#include <string>
#include <string_view>

#include "sample_set/solving_time.hpp"
#include "sample_set/system_time.hpp"

namespace forvela {

struct MeasuringTime {
    SolvingTime solve;
    SystemTime system;
    OptionalFloat total;
};

bool measuring_times_equal(const MeasuringTime& a, const MeasuringTime& b);
void append_measuring_time_text(std::string& out, const MeasuringTime& v);
void write_measuring_time(JsonWriter& w, const MeasuringTime& v);
// Both nested records are required in the object form, `total` is not.
Result<MeasuringTime> read_measuring_time(JsonReader& r);

}  // namespace forvela
