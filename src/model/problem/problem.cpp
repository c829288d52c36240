#include "model/problem/problem.hpp"
#include "model/result_macros.hpp"

#include <vector>

#include "model/problem/name_conflict.hpp"

namespace forvela {

namespace {

void collect_constraints(NameTable& table, const Problem& p, const std::string* except) {
    for (const auto& [name, c] : p.constraints) {
        if (except && name == *except) continue;
        collect_problem_names(table, c.left);
        collect_problem_names(table, c.right);
    }
}

void collect_terms(NameTable& table, const Problem& p, const std::string* except) {
    for (const auto& [name, t] : p.custom_penalty_terms) {
        if (except && name == *except) continue;
        collect_problem_names(table, t.expression);
    }
}

Result<void> report(const std::vector<std::string>& conflicts) {
    if (conflicts.empty()) return {};
    return std::unexpected(duplicated_name_error(conflicts));
}

}  // namespace

Problem make_problem(std::string name, ProblemSense sense) {
    Problem p;
    p.name = std::move(name);
    p.sense = sense;
    return p;
}

Result<void> problem_set_objective(Problem& problem, Expression objective) {
    std::vector<std::string> conflicts;
    {
        NameTable table;
        collect_constraints(table, problem, nullptr);
        collect_terms(table, problem, nullptr);
        check_name_conflicts(table, objective, conflicts);
    }
    FV_TRY(report(conflicts));
    problem.objective = std::move(objective);
    return {};
}

Result<void> problem_add_constraint(Problem& problem, Constraint constraint) {
    std::vector<std::string> conflicts;
    {
        NameTable table;
        collect_problem_names(table, problem.objective);
        collect_constraints(table, problem, &constraint.name);
        collect_terms(table, problem, nullptr);
        check_name_conflicts(table, constraint.left, conflicts);
        if (conflicts.empty()) check_name_conflicts(table, constraint.right, conflicts);
    }
    FV_TRY(report(conflicts));
    std::string key = constraint.name;
    problem.constraints.insert_or_assign(std::move(key), std::move(constraint));
    return {};
}

Result<void> problem_add_custom_penalty_term(Problem& problem, CustomPenaltyTerm term) {
    std::vector<std::string> conflicts;
    {
        NameTable table;
        collect_problem_names(table, problem.objective);
        collect_constraints(table, problem, nullptr);
        collect_terms(table, problem, &term.name);
        check_name_conflicts(table, term.expression, conflicts);
    }
    FV_TRY(report(conflicts));
    std::string key = term.name;
    problem.custom_penalty_terms.insert_or_assign(std::move(key), std::move(term));
    return {};
}

}  // namespace forvela
