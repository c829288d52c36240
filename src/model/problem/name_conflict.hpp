// The check that an object added to a problem brings no placeholder, element
// or decision variable whose name the problem already uses for a different
// one (or that the object itself uses for two different ones).
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "model/error.hpp"
#include "model/expression/expression.hpp"

namespace forvela {

// A named node of an expression; it points into the value it was found in,
// which must outlive the table.
using NamedNode = std::variant<const Placeholder*, const Element*, const DecisionVar*>;

// Name -> the first node recorded under it.
using NameTable = std::unordered_map<std::string_view, NamedNode>;

// Records the named nodes of `e` (an existing name keeps its first node).
void collect_problem_names(NameTable& table, const Expression& e);

// Walks `e` against the table, recording names not yet in it, and adds to
// `conflicts` every name under which `e` brings a node that differs from the
// table's (each name once).
void check_name_conflicts(NameTable& table, const Expression& e, std::vector<std::string>& conflicts);

Error duplicated_name_error(const std::vector<std::string>& names);

}  // namespace forvela
