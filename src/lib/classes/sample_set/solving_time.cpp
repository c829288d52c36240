// The Python class SolvingTime.
#include "lib/classes/sample_set/float_record_class.hpp"
#include "sample_set/solving_time.hpp"

namespace forvela::py {

namespace {

using Class = FloatRecordClass<SolvingTime, ClassId::SolvingTime>;

constexpr FloatRecordDocs kDocs{
    FORVELA_TO_DICT_DOC("dict: A dict with keys \"preprocess\", \"solve\", and \"postprocess\"."),
    FORVELA_FROM_DICT_DOC("SolvingTime",
                          "If a key is not one of \"preprocess\", \"solve\", or \"postprocess\", the "
                          "value is ignored."),
    FORVELA_TO_JSON_DOC("SolvingTime"),
    FORVELA_FROM_JSON_DOC("SolvingTime"),
};

ClassDef kClass{
    .name = "SolvingTime",
    .signature = "(preprocess=None, solve=None, postprocess=None)",
    .doc =
        "A class for storing time to solve a problem.\n"
        "\n"
        "Attributes:\n"
        "    preprocess (float, optional): Time to preprocess the problem. Defaults to None.\n"
        "    solve (float, optional): Time to solve the problem. Defaults to None.\n"
        "    postprocess (float, optional): Time to postprocess the problem. Defaults to None.",
    .basicsize = object_size<SolvingTime>(),
    .dealloc = dealloc_object<SolvingTime>,
    .groups = {Class::group(kDocs)},
};

const bool registered = register_class(ClassId::SolvingTime, &kClass);

}  // namespace

}  // namespace forvela::py
