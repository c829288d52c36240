// SystemTime: the times of the stages of one request to the solving service.
#pragma once

#include "sample_set/float_record.hpp"

namespace forvela {

struct SystemTime {
    OptionalFloat post_problem_and_instance_data;
    OptionalFloat request_queue;
    OptionalFloat fetch_problem_and_instance_data;
    OptionalFloat fetch_result;
    OptionalFloat deserialize_solution;
};

template <>
struct FloatRecordTraits<SystemTime> {
    static constexpr std::string_view name = "SystemTime";
    static constexpr FloatField<SystemTime> fields[] = {
        {"post_problem_and_instance_data", &SystemTime::post_problem_and_instance_data},
        {"request_queue", &SystemTime::request_queue},
        {"fetch_problem_and_instance_data", &SystemTime::fetch_problem_and_instance_data},
        {"fetch_result", &SystemTime::fetch_result},
        {"deserialize_solution", &SystemTime::deserialize_solution},
    };
    static constexpr RecordField json_fields[] = {{"post_problem_and_instance_data", true},
                                                  {"request_queue", true},
                                                  {"fetch_problem_and_instance_data", true},
                                                  {"fetch_result", true},
                                                  {"deserialize_solution", true}};
    static constexpr RecordShape shape{"PySystemTime", json_fields};
};

}  // namespace forvela
