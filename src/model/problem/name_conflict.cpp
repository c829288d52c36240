#include "model/problem/name_conflict.hpp"

#include <algorithm>

#include "model/depth_guard.hpp"
#include "model/expression/cell_memo.hpp"
#include "model/expression/equality.hpp"

namespace forvela {

namespace {

bool same_node(const NamedNode& a, const NamedNode& b) {
    if (a.index() != b.index()) return false;
    return std::visit(
        [&](const auto* x) {
            const auto* y = std::get<std::decay_t<decltype(x)>>(b);
            return x == y || equal(*x, *y);
        },
        a);
}

// One walk for both uses: without a conflict list it only records.
class NameWalker {
public:
    NameWalker(NameTable& table, std::vector<std::string>* conflicts)
        : table_(table), conflicts_(conflicts) {}

    // A cell met again adds nothing: its names went in at its first visit.
    void expression(const Expression& e, bool in_shared_list = false) {
        const NodeBase* cell = e.cell_key();
        if (!cell || (may_meet_again(cell, in_shared_list) && !seen_.insert({cell}))) return;
        DepthGuard guard;
        switch (e.kind()) {
            case ExprKind::NumberLit: return;
            case ExprKind::Placeholder: return visit_node(&e.as<Placeholder>(), e.as<Placeholder>().name);
            case ExprKind::Element: return element(e.as<Element>());
            case ExprKind::DecisionVar: return visit_node(&e.as<DecisionVar>(), e.as<DecisionVar>().name);
            case ExprKind::Subscript: return subscript(e.as<Subscript>());
            case ExprKind::ArrayLength:
                std::visit([&](const auto& a) { array_operand(a); }, e.as<ArrayLength>().array);
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
                element(*r.index);
                if (r.condition) condition(**r.condition);
                expression(*r.operand);
                return;
            }
        }
    }

private:
    void condition(const ConditionalExpr& c) {
        if (may_meet_again(c.cell_key()) && !seen_.insert({c.cell_key()})) return;
        DepthGuard guard;
        if (c.is_comparison()) {
            expression(*c.as<ComparisonOp>().left);
            expression(*c.as<ComparisonOp>().right);
            return;
        }
        for (const ConditionalExpr& t : c.as<LogicalOp>().terms) condition(t);
    }

    void element(const Element& e) {
        DepthGuard guard;
        std::visit(
            [&](const auto& set) {
                using V = std::decay_t<decltype(set)>;
                if constexpr (std::is_same_v<V, Range>) {
                    expression(*set.start);
                    expression(*set.end);
                } else if constexpr (std::is_same_v<V, Box<Placeholder>>) {
                    visit_node(&*set, set->name);
                } else if constexpr (std::is_same_v<V, Box<Element>>) {
                    element(*set);
                } else {
                    subscript(*set);
                }
            },
            e.belong_to);
        visit_node(&e, e.name);
    }

    void subscript(const Subscript& s) {
        DepthGuard guard;
        std::visit(
            [&](const auto& v) {
                using V = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<V, Box<Placeholder>>)
                    visit_node(&*v, v->name);
                else if constexpr (std::is_same_v<V, Box<Element>>)
                    element(*v);
                else if constexpr (std::is_same_v<V, Box<DecisionVar>>)
                    visit_node(&*v, v->name);
                else
                    subscript(*v);
            },
            s.variable);
        for (const Expression& sub : s.subscripts) expression(sub);
    }

    void array_operand(const Box<Placeholder>& p) { visit_node(&*p, p->name); }
    void array_operand(const Box<Element>& e) { element(*e); }
    void array_operand(const Box<Subscript>& s) { subscript(*s); }

    void visit_node(NamedNode node, const std::string& name) {
        auto [at, inserted] = table_.try_emplace(std::string_view(name), node);
        if (inserted || !conflicts_ || same_node(at->second, node)) return;
        if (std::find(conflicts_->begin(), conflicts_->end(), name) == conflicts_->end())
            conflicts_->push_back(name);
    }

    NameTable& table_;
    std::vector<std::string>* conflicts_;
    CellSet seen_;
};

}  // namespace

void collect_problem_names(NameTable& table, const Expression& e) {
    NameWalker(table, nullptr).expression(e);
}

void check_name_conflicts(NameTable& table, const Expression& e, std::vector<std::string>& conflicts) {
    NameWalker(table, &conflicts).expression(e);
}

Error duplicated_name_error(const std::vector<std::string>& names) {
    std::string text = "Duplicated name -- different variables share the same name(s): ";
    for (std::size_t k = 0; k < names.size(); ++k) {
        if (k) text += ", ";
        text += names[k];
    }
    return Error{ErrorKind::ModelingError, std::move(text)};
}

}  // namespace forvela
