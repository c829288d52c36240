// The text and LaTeX forms of forall lists, constraints, penalty terms and
// problems: a constraint's dict-like text, the one-row tables of constraints
// and penalty terms, and the table of a whole problem with the declarations
// of its decision variables.
#pragma once

#include <string>
#include <string_view>

#include "model/problem/problem.hpp"

namespace forvela {

// Appends a user text (a name, a description) for use inside "\text{...}":
// the characters that LaTeX and KaTeX read as commands or math are escaped
// ("\_", "\%", "\textbackslash{}", ...); every other character is kept.
void append_text_escaped(std::string& out, std::string_view text);

std::string to_text(const ConditionalExpr& c);
// The condition's own custom LaTeX text when set, else its LaTeX render.
std::string to_latex(const ConditionalExpr& c);

// "[i, (j, j != i)]".
std::string to_text(const ForallList& forall);
// "\forall i \in ..." entries joined by a space; empty for an empty list.
std::string to_latex(const ForallList& forall);

// "{'expression': ..., 'forall': [...]}" (the forall part only when not empty).
std::string to_text(const Constraint& c);

// " & \text{name} & \displaystyle ... & forall \\", the name escaped.
std::string constraint_latex_row(const Constraint& c);
std::string custom_penalty_term_latex_row(const CustomPenaltyTerm& t);
// The row in its own array environment (`_repr_latex_`).
std::string to_latex(const Constraint& c);
std::string to_latex(const CustomPenaltyTerm& t);

std::string to_latex(const DecisionVarBound& bound);
std::string decision_var_latex_line(const DecisionVar& v);
std::string decision_vars_latex_lines(const std::vector<DecisionVar>& set);

std::string to_latex(const Problem& p);

}  // namespace forvela
