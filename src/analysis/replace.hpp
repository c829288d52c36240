// Rewriting an expression tree top-down through a replacer: each node is
// offered, from the root downwards, and an answer that differs from it takes
// its place with its whole subtree; otherwise the node is rebuilt from its
// parts, each offered in turn.
#pragma once

#include "model/error.hpp"
#include "model/expression/expression.hpp"

namespace forvela {

// The other side of a replacement. Every offer hands over a node (sharing
// its cells) and answers the replacer's choice converted back, or an error.
// The walk holds handles to every node it still reads, so whatever an offer
// does to other values cannot change the tree being walked.
class Replacer {
public:
    virtual ~Replacer() = default;
    virtual Result<Expression> offer(const Expression& node) = 0;
    // The typed offers of operands embedded in other nodes.
    virtual Result<Box<Placeholder>> offer_placeholder(const Box<Placeholder>& node) = 0;
    virtual Result<Box<Element>> offer_element(const Box<Element>& node) = 0;
    virtual Result<Box<DecisionVar>> offer_decision_var(const Box<DecisionVar>& node) = 0;
    virtual Result<Box<Subscript>> offer_subscript(const Box<Subscript>& node) = 0;
    virtual Result<ConditionalExpr> offer_condition(const ConditionalExpr& node) = 0;
    // Lets the failed offer of a non-leaf node pass, so that the node is
    // rebuilt from its parts; an error that must not be swallowed comes back.
    virtual Result<void> set_aside(const Error& error) = 0;
};

// The rewritten expression, or the first error: that of an offer of a leaf or
// a typed offer, or that of rebuilding a node from new parts.
Result<Expression> replace_expression(Replacer& replacer, const Expression& e);
Result<ConditionalExpr> replace_in_condition(Replacer& replacer, const ConditionalExpr& c);

}  // namespace forvela
