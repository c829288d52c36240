// The Python class SemiIntegerVar: a semi-integer variable.
#include "lib/classes/operand/decision_var/decision_var.hpp"

namespace forvela::py {

namespace {

const std::string kDoc = bounded_var_doc("SemiIntegerVar", "a semi-integer", "semi-integer");

ClassDef kClass = DecisionVarClass<ClassId::SemiIntegerVar, DecisionVarKind::SemiInteger>::definition(
    kBoundedVarSignature, kDoc.c_str());

const bool registered = register_class(ClassId::SemiIntegerVar, &kClass);

}  // namespace

}  // namespace forvela::py
