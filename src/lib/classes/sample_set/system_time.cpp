// The Python class SystemTime.
#include "lib/classes/sample_set/float_record_class.hpp"
#include "sample_set/system_time.hpp"

namespace forvela::py {

namespace {

using Class = FloatRecordClass<SystemTime, ClassId::SystemTime>;

constexpr FloatRecordDocs kDocs{
    FORVELA_TO_DICT_DOC("dict: A dict whose keys are name of the SystemTime's fields."),
    FORVELA_FROM_DICT_DOC("SystemTime",
                          "If a key is not the name of the SystemTime fields, the value value is "
                          "ignored."),
    FORVELA_TO_JSON_DOC("SystemTime"),
    FORVELA_FROM_JSON_DOC("SystemTime"),
};

ClassDef kClass{
    .name = "SystemTime",
    .signature =
        "(post_problem_and_instance_data=None, request_queue=None, "
        "fetch_problem_and_instance_data=None, fetch_result=None, deserialize_solution=None)",
    .doc =
        "A class for storing time of skyvane running.\n"
        "\n"
        "Attributes:\n"
        "    post_problem_and_instance_data (float, optional): Time to upload problem and "
        "instance_data to blob. Defaults to None.\n"
        "    request_queue (float, optional): Time to send request to queue. Defaults to None.\n"
        "    fetch_problem_and_instance_data (float, optional): Time to fetch problme and "
        "instance_data from blob. Defaults to None.\n"
        "    fetch_result (float, optional): Time to fetch result. Defaults to None.\n"
        "    deserialize_solution (float, optional): Time to deserialize json object. Defaults to None.",
    .basicsize = object_size<SystemTime>(),
    .dealloc = dealloc_object<SystemTime>,
    .groups = {Class::group(kDocs)},
};

const bool registered = register_class(ClassId::SystemTime, &kClass);

}  // namespace

}  // namespace forvela::py
