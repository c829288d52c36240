// The Python enumeration class ConstraintSense: EQUAL (0), LESS_THAN_EQUAL (1)
// and GREATER_THAN_EQUAL (2).
#include "lib/classes/problem/sense_enum.hpp"
#include "lib/convert/problem_py.hpp"

namespace forvela::py {

namespace {

struct Traits {
    using Value = ConstraintSense;
    static constexpr ClassId kId = ClassId::ConstraintSense;
    static constexpr const char* kPrefix = "ConstraintSense.";
    static std::span<const SenseMember<Value>> members() {
        static constexpr SenseMember<Value> list[] = {
            {"EQUAL", ConstraintSense::Equal},
            {"LESS_THAN_EQUAL", ConstraintSense::LessThanEqual},
            {"GREATER_THAN_EQUAL", ConstraintSense::GreaterThanEqual},
        };
        return list;
    }
};

ClassDef kClass = SenseEnumClass<Traits>::definition(
    "ConstraintSense",
    "The sense of a constraint\n"
    "\n"
    "Attributes:\n"
    "    EQUAL: The constraint is an equality (`==`).\n"
    "    LESS_THAN_EQUAL: The left side is at most the right side (`<=`).\n"
    "    GREATER_THAN_EQUAL: The left side is at least the right side (`>=`).\n");

const bool registered = register_class(Traits::kId, &kClass);

}  // namespace

PyResult constraint_sense_into_python(ConstraintSense sense) {
    return new_object(ClassId::ConstraintSense, sense);
}

}  // namespace forvela::py
