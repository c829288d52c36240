// The pre-order walk shared by the extraction tools: every node of a model
// object, a node before its parts, parts in their fixed order. Operands that
// other nodes embed (an element's set, a subscript's variable, an array
// length's array, a reduction's index) are handed over as expressions that
// share their cells, so a visitor sees one kind of value for every node.
#pragma once

#include <variant>

#include "model/expression/expression.hpp"
#include "model/problem/constraint.hpp"
#include "model/problem/custom_penalty_term.hpp"
#include "model/problem/forall_list.hpp"
#include "model/problem/problem.hpp"

namespace forvela {

// One object the tree tools accept, in the order they try to read it.
using ModelObject =
    std::variant<Expression, ConditionalExpr, Problem, Constraint, CustomPenaltyTerm, ForallList>;

// Each visit answers whether the node's parts are walked; after the parts of
// a node are walked, `leave` is called (so a visitor can skip a shared cell
// it has seen, or sum up over a cell's parts). `shared` tells whether the
// walk may meet the node's cell again (see may_meet_again).
class NodeVisitor {
public:
    virtual ~NodeVisitor() = default;
    virtual bool expression(const Expression& node, bool shared) = 0;
    virtual bool condition(const ConditionalExpr& node, bool shared) = 0;
    virtual void leave() {}
};

// Walks the object: expression and condition nodes are visited; problems,
// constraints, penalty terms and forall entries are containers only (a
// constraint's comparison is no node). Ranges are walked through their ends.
// Problems walk the objective, then constraints and penalty terms by name.
void walk_nodes(NodeVisitor& visitor, const ModelObject& object);

}  // namespace forvela
