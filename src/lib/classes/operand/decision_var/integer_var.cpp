// The Python class IntegerVar: an integer variable.
#include "lib/classes/operand/decision_var/decision_var.hpp"

namespace forvela::py {

namespace {

const std::string kDoc = bounded_var_doc("IntegerVar", "an integer", "integer");

ClassDef kClass = DecisionVarClass<ClassId::IntegerVar, DecisionVarKind::Integer>::definition(
    kBoundedVarSignature, kDoc.c_str());

const bool registered = register_class(ClassId::IntegerVar, &kClass);

}  // namespace

}  // namespace forvela::py
