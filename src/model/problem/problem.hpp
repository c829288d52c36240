// A problem: a name, a sense, one objective, and its constraints and penalty
// terms, each kept under its own name in byte-wise name order. It grows by
// replacing the objective or adding (or replacing) a named part, after a
// check that no two different variables of the whole problem share a name.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "model/error.hpp"
#include "model/expression/expression.hpp"
#include "model/problem/constraint.hpp"
#include "model/problem/custom_penalty_term.hpp"
#include "model/problem/name_conflict.hpp"

namespace forvela {

enum class ProblemSense : std::uint8_t { Minimize = 0, Maximize = 1 };

// std::string orders its bytes as unsigned char: "c10" < "c2", "B" < "a".
template <class T>
using NameMap = std::map<std::string, T, std::less<>>;

// The names of a problem's variables, kept from one addition to the next so
// that adding a part walks that part alone. The table points into the parts'
// nodes: a copy starts empty, and an index that is not valid is rebuilt from
// the parts on its next use.
struct ProblemNameIndex {
    NameTable table;
    bool valid = false;

    ProblemNameIndex() = default;
    ProblemNameIndex(const ProblemNameIndex&) noexcept {}
    ProblemNameIndex& operator=(const ProblemNameIndex&) noexcept {
        table.clear();
        valid = false;
        return *this;
    }
    ProblemNameIndex(ProblemNameIndex&& other) noexcept
        : table(std::move(other.table)), valid(std::exchange(other.valid, false)) {}
    ProblemNameIndex& operator=(ProblemNameIndex&& other) noexcept {
        table = std::move(other.table);
        valid = std::exchange(other.valid, false);
        return *this;
    }
};

struct Problem {
    std::string name;
    ProblemSense sense = ProblemSense::Minimize;
    Expression objective = Expression(NumericValue::of_integer(0));
    NameMap<Constraint> constraints;
    NameMap<CustomPenaltyTerm> custom_penalty_terms;
    ProblemNameIndex names;
};

Problem make_problem(std::string name, ProblemSense sense);

// `problem += ...`: the change is made only when the name check passes.
Result<void> problem_set_objective(Problem& problem, Expression objective);
Result<void> problem_add_constraint(Problem& problem, Constraint constraint);
Result<void> problem_add_custom_penalty_term(Problem& problem, CustomPenaltyTerm term);

}  // namespace forvela
