// The Python class SemiContinuousVar: a semi-continuous variable.
#include "lib/classes/operand/decision_var/decision_var.hpp"

namespace forvela::py {

namespace {

const std::string kDoc = bounded_var_doc("SemiContinuousVar", "a semi-continuous", "semi-continuous");

ClassDef kClass = DecisionVarClass<ClassId::SemiContinuousVar, DecisionVarKind::SemiContinuous>::definition(
    kBoundedVarSignature, kDoc.c_str());

const bool registered = register_class(ClassId::SemiContinuousVar, &kClass);

}  // namespace

}  // namespace forvela::py
