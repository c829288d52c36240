// Structural sameness of the model containers: problems, constraints, custom
// penalty terms and forall lists. Like the equality of expressions it
// ignores custom LaTeX texts and descriptions.
#pragma once

#include "model/problem/constraint.hpp"
#include "model/problem/custom_penalty_term.hpp"
#include "model/problem/forall_list.hpp"
#include "model/problem/problem.hpp"

namespace forvela {

bool same_forall_list(const ForallList& a, const ForallList& b);
bool same_constraint(const Constraint& a, const Constraint& b);
bool same_custom_penalty_term(const CustomPenaltyTerm& a, const CustomPenaltyTerm& b);
// Name, sense, objective, then both name-keyed maps pair by pair in name
// order, keys included.
bool same_problem(const Problem& a, const Problem& b);

}  // namespace forvela
