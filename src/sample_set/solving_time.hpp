// SolvingTime: the solver's own times before, during and after solving.
#pragma once

#include "sample_set/float_record.hpp"

namespace forvela {

struct SolvingTime {
    OptionalFloat preprocess;
    OptionalFloat solve;
    OptionalFloat postprocess;
};

template <>
struct FloatRecordTraits<SolvingTime> {
    static constexpr std::string_view name = "SolvingTime";
    static constexpr FloatField<SolvingTime> fields[] = {
        {"preprocess", &SolvingTime::preprocess},
        {"solve", &SolvingTime::solve},
        {"postprocess", &SolvingTime::postprocess},
    };
    static constexpr RecordField json_fields[] = {
        {"preprocess", true}, {"solve", true}, {"postprocess", true}};
    static constexpr RecordShape shape{"PySolvingTime", json_fields};
};

}  // namespace forvela
