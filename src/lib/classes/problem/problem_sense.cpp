// The Python enumeration class ProblemSense: MINIMIZE (0) and MAXIMIZE (1).
#include "lib/classes/problem/sense_enum.hpp"
#include "lib/convert/problem_py.hpp"

namespace forvela::py {

namespace {

struct Traits {
    using Value = ProblemSense;
    static constexpr ClassId kId = ClassId::ProblemSense;
    static constexpr const char* kPrefix = "ProblemSense.";
    static std::span<const SenseMember<Value>> members() {
        static constexpr SenseMember<Value> list[] = {
            {"MINIMIZE", ProblemSense::Minimize},
            {"MAXIMIZE", ProblemSense::Maximize},
        };
        return list;
    }
};

ClassDef kClass = SenseEnumClass<Traits>::definition("ProblemSense",
                                                     "The sense of a problem\n"
                                                     "\n"
                                                     "Attributes:\n"
                                                     "    MINIMIZE: The objective is minimised.\n"
                                                     "    MAXIMIZE: The objective is maximised.\n");

const bool registered = register_class(Traits::kId, &kClass);

}  // namespace

PyResult problem_sense_into_python(ProblemSense sense) { return new_object(ClassId::ProblemSense, sense); }

Result<ProblemSense> problem_sense_from_python(PyObject* obj) {
    return copy_value_of<ProblemSense>(obj, ClassId::ProblemSense);
}

}  // namespace forvela::py
