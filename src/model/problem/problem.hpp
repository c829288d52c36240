// A problem: a name, a sense, one objective, and its constraints and penalty
// terms, each kept under its own name in byte-wise name order. It grows by
// replacing the objective or adding (or replacing) a named part, after a
// check that no two different variables of the whole problem share a name.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "model/error.hpp"
#include "model/expression/expression.hpp"
#include "model/problem/constraint.hpp"
#include "model/problem/custom_penalty_term.hpp"

namespace forvela {

enum class ProblemSense : std::uint8_t { Minimize = 0, Maximize = 1 };

// std::string orders its bytes as unsigned char: "c10" < "c2", "B" < "a".
template <class T>
using NameMap = std::map<std::string, T, std::less<>>;

struct Problem {
    std::string name;
    ProblemSense sense = ProblemSense::Minimize;
    Expression objective = Expression(NumericValue::of_integer(0));
    NameMap<Constraint> constraints;
    NameMap<CustomPenaltyTerm> custom_penalty_terms;
};

Problem make_problem(std::string name, ProblemSense sense);

// `problem += ...`: the change is made only when the name check passes.
Result<void> problem_set_objective(Problem& problem, Expression objective);
Result<void> problem_add_constraint(Problem& problem, Constraint constraint);
Result<void> problem_add_custom_penalty_term(Problem& problem, CustomPenaltyTerm term);

}  // namespace forvela
