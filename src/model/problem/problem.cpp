#include "model/problem/problem.hpp"
#include "model/result_macros.hpp"

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "model/problem/name_conflict.hpp"

namespace forvela {

namespace {

// The part an addition replaces, whose names no longer count.
struct Replaced {
    enum class Part : std::uint8_t { None, Objective, Constraint, Term } part = Part::None;
    const std::string* name = nullptr;
};

void collect_all(NameTable& table, const Problem& p, const Replaced& replaced) {
    using Part = Replaced::Part;
    if (replaced.part != Part::Objective) collect_problem_names(table, p.objective);
    for (const auto& [name, c] : p.constraints) {
        if (replaced.part == Part::Constraint && name == *replaced.name) continue;
        collect_problem_names(table, c.left);
        collect_problem_names(table, c.right);
    }
    for (const auto& [name, t] : p.custom_penalty_terms) {
        if (replaced.part == Part::Term && name == *replaced.name) continue;
        collect_problem_names(table, t.expression);
    }
}

// Checks the expressions of an added part against the names of the rest of
// the problem. The kept index serves when nothing is replaced; otherwise it is
// built anew without the replaced part. Once the check passes, the index holds
// the problem as it is after the addition, and the caller marks it valid once
// the part is stored.
Result<void> check_added(Problem& p, const Replaced& replaced,
                         std::initializer_list<const Expression*> added) {
    ProblemNameIndex& index = p.names;
    const bool rebuild = !index.valid || replaced.part != Replaced::Part::None;
    // Not valid until the part is in the problem: a refused part leaves its
    // names behind, a walk cut short by the depth guard leaves a partial
    // table, and a store that fails for memory would leave names pointing
    // into a part the problem never kept.
    index.valid = false;
    if (rebuild) {
        index.table.clear();
        collect_all(index.table, p, replaced);
    }
    std::vector<std::string> conflicts;
    for (const Expression* e : added) {
        check_name_conflicts(index.table, *e, conflicts);
        if (!conflicts.empty()) return std::unexpected(duplicated_name_error(conflicts));
    }
    return {};
}

}  // namespace

Problem make_problem(std::string name, ProblemSense sense) {
    Problem p;
    p.name = std::move(name);
    p.sense = sense;
    return p;
}

Result<void> problem_set_objective(Problem& problem, Expression objective) {
    // An objective without variables (a fresh problem's 0) has no names to drop.
    const Replaced replaced{problem.objective.kind() == ExprKind::NumberLit ? Replaced::Part::None
                                                                            : Replaced::Part::Objective};
    FV_TRY(check_added(problem, replaced, {&objective}));
    problem.objective = std::move(objective);
    problem.names.valid = true;
    return {};
}

Result<void> problem_add_constraint(Problem& problem, Constraint constraint) {
    const Replaced replaced{
        problem.constraints.contains(constraint.name) ? Replaced::Part::Constraint : Replaced::Part::None,
        &constraint.name};
    FV_TRY(check_added(problem, replaced, {&constraint.left, &constraint.right}));
    std::string key = constraint.name;
    problem.constraints.insert_or_assign(std::move(key), std::move(constraint));
    problem.names.valid = true;
    return {};
}

Result<void> problem_add_custom_penalty_term(Problem& problem, CustomPenaltyTerm term) {
    const Replaced replaced{
        problem.custom_penalty_terms.contains(term.name) ? Replaced::Part::Term : Replaced::Part::None,
        &term.name};
    FV_TRY(check_added(problem, replaced, {&term.expression}));
    std::string key = term.name;
    problem.custom_penalty_terms.insert_or_assign(std::move(key), std::move(term));
    problem.names.valid = true;
    return {};
}

}  // namespace forvela
