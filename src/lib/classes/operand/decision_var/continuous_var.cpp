// The Python class ContinuousVar: a continuous variable.
#include "lib/classes/operand/decision_var/decision_var.hpp"

namespace forvela::py {

namespace {

const std::string kDoc = bounded_var_doc("ContinuousVar", "a continuous", "continuous");

ClassDef kClass = DecisionVarClass<ClassId::ContinuousVar, DecisionVarKind::Continuous>::definition(
    kBoundedVarSignature, kDoc.c_str());

const bool registered = register_class(ClassId::ContinuousVar, &kClass);

}  // namespace

}  // namespace forvela::py
