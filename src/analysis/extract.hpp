// Extraction of nodes and variables from a model object: every node of one
// class, in walking order with repetitions, and the distinct variables
// (placeholders, elements, array lengths, decision variables) in the order
// of their first visit.
#pragma once

#include <variant>
#include <vector>

#include "analysis/node_class.hpp"
#include "analysis/walk.hpp"

namespace forvela {

using ModelNode = std::variant<Expression, ConditionalExpr>;

// Every node of the class, in pre-order; each shares the cells of its subtree.
std::vector<ModelNode> extract_nodes(const ModelObject& object, NodeClass cls);

// The distinct variables in the order of their first visit. Two variables are
// the same when structurally equal (custom LaTeX texts and descriptions
// aside); the first one met is kept.
std::vector<Expression> extract_variables(const ModelObject& object);

}  // namespace forvela
