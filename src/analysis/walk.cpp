#include "analysis/walk.hpp"

#include <type_traits>

#include "model/depth_guard.hpp"
#include "model/expression/cell_memo.hpp"
#include "model/expression/children.hpp"
#include "model/overloaded.hpp"

namespace forvela {

namespace {

class Walk {
    // The callback that walks each child (defined first: its type is deduced).
    auto child() {
        return overloaded{
            [this](const Expression& e, bool in_shared_list) { expression(e, in_shared_list); },
            [this](const ConditionalExpr& c) { condition(c); },
        };
    }

public:
    explicit Walk(NodeVisitor& v) : v_(v) {}

    void expression(const Expression& e, bool in_shared_list = false) {
        DepthGuard guard;
        if (!v_.expression(e, may_meet_again(e.cell_key(), in_shared_list))) return;
        for_each_child(e, child());
        v_.leave();
    }

    void condition(const ConditionalExpr& c) {
        DepthGuard guard;
        if (!v_.condition(c, may_meet_again(c.cell_key()))) return;
        for_each_child(c, child());
        v_.leave();
    }

    void forall(const ForallList& list) {
        for (const ForallIndex& entry : list) {
            embedded(entry.element);
            if (entry.condition) condition(*entry.condition);
        }
    }

    void constraint(const Constraint& c) {
        expression(c.left);
        expression(c.right);
        forall(c.forall);
    }

    void penalty(const CustomPenaltyTerm& t) {
        expression(t.expression);
        forall(t.forall);
    }

    void problem(const Problem& p) {
        expression(p.objective);
        for (const auto& [name, c] : p.constraints) constraint(c);
        for (const auto& [name, t] : p.custom_penalty_terms) penalty(t);
    }

private:
    // An operand held in its own cell, visited as the expression node it is.
    template <class T>
    void embedded(const Box<T>& box) {
        expression(Expression(Box<T>(box)));
    }

    NodeVisitor& v_;
};

}  // namespace

void walk_nodes(NodeVisitor& visitor, const ModelObject& object) {
    Walk walk(visitor);
    std::visit(
        [&](const auto& value) {
            using V = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<V, Expression>)
                walk.expression(value);
            else if constexpr (std::is_same_v<V, ConditionalExpr>)
                walk.condition(value);
            else if constexpr (std::is_same_v<V, Problem>)
                walk.problem(value);
            else if constexpr (std::is_same_v<V, Constraint>)
                walk.constraint(value);
            else if constexpr (std::is_same_v<V, CustomPenaltyTerm>)
                walk.penalty(value);
            else
                walk.forall(value);
        },
        object);
}

}  // namespace forvela
