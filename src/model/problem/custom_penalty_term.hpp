// A named penalty expression added to a problem beside its constraints,
// optionally repeated over a forall list; it holds a decision variable.
#pragma once

#include <string>

#include "model/error.hpp"
#include "model/expression/expression.hpp"
#include "model/problem/forall_list.hpp"

namespace forvela {

struct CustomPenaltyTerm {
    std::string name;
    Expression expression;
    ForallList forall;
};

// Refuses an expression with no decision variable.
Result<CustomPenaltyTerm> make_custom_penalty_term(std::string name, Expression expression,
                                                   ForallList forall);

// The whole construction: element usage, the fit of the forall list, the
// decision variable.
Result<CustomPenaltyTerm> custom_penalty_term_checked(std::string name, Expression expression,
                                                      ForallList forall);

}  // namespace forvela
