#include "analysis/walk.hpp"

#include <type_traits>

#include "model/depth_guard.hpp"
#include "model/expression/cell_memo.hpp"

namespace forvela {

namespace {

class Walk {
public:
    explicit Walk(NodeVisitor& v) : v_(v) {}

    void expression(const Expression& e, bool in_shared_list = false) {
        DepthGuard guard;
        if (!v_.expression(e, may_meet_again(e.cell_key(), in_shared_list))) return;
        parts(e);
        v_.leave();
    }

    void condition(const ConditionalExpr& c) {
        DepthGuard guard;
        if (!v_.condition(c, may_meet_again(c.cell_key()))) return;
        if (c.is_comparison()) {
            expression(*c.as<ComparisonOp>().left);
            expression(*c.as<ComparisonOp>().right);
        } else {
            for (const ConditionalExpr& t : c.as<LogicalOp>().terms) condition(t);
        }
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
    void parts(const Expression& e) {
        switch (e.kind()) {
            case ExprKind::NumberLit:
            case ExprKind::Placeholder: return;
            case ExprKind::Element: return element_set(e.as<Element>().belong_to);
            case ExprKind::DecisionVar:
                for (const Expression& s : e.as<DecisionVar>().shape) expression(s);
                return;
            case ExprKind::Subscript: {
                const Subscript& s = e.as<Subscript>();
                std::visit([&](const auto& var) { embedded(var); }, s.variable);
                for (const Expression& sub : s.subscripts) expression(sub);
                return;
            }
            case ExprKind::ArrayLength:
                std::visit([&](const auto& array) { embedded(array); }, e.as<ArrayLength>().array);
                return;
            case ExprKind::UnaryOp: return expression(*e.as<UnaryOp>().operand);
            case ExprKind::BinaryOp:
                expression(*e.as<BinaryOp>().left);
                expression(*e.as<BinaryOp>().right);
                return;
            case ExprKind::CommutativeOp: {
                const TermList& terms = e.as<CommutativeOp>().terms;
                const bool shared_list = terms.buffer_shared();
                for (const Expression& t : terms) expression(t, shared_list);
                return;
            }
            case ExprKind::ReductionOp: {
                const ReductionOp& r = e.as<ReductionOp>();
                embedded(r.index);
                if (r.condition) condition(**r.condition);
                expression(*r.operand);
                return;
            }
        }
    }

    // An operand held in its own cell, visited as the expression node it is.
    template <class T>
    void embedded(const Box<T>& box) {
        expression(Expression(Box<T>(box)));
    }

    void element_set(const ElementBelongTo& set) {
        if (const Range* r = std::get_if<Range>(&set)) {
            expression(*r->start);
            expression(*r->end);
            return;
        }
        std::visit(
            [&](const auto& held) {
                if constexpr (!std::is_same_v<std::decay_t<decltype(held)>, Range>) embedded(held);
            },
            set);
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
