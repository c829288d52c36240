#include "model/expression/expression.hpp"

#include <new>
#include <vector>

namespace forvela {

namespace {

// Cells whose last reference dropped while another cell was being freed:
// freed by the outermost release, one at a time. Like the reference counts
// and the slabs of the cells (cell_memory.hpp), it serves one thread at a
// time, and so it is one block, not one per thread: a release finds it
// without a lookup.
struct Releases {
    std::vector<NodeBase*> pending;
    bool freeing = false;
    std::size_t leaked = 0;  // cells left unfreed for want of memory
};
Releases releases;

}  // namespace

void destroy_node(NodeBase* n) noexcept {
    switch (n->kind) {
#define FORVELA_EXPR_KIND(kind, type)                                                          \
    case NodeKind::kind:                                                                       \
        if constexpr (!std::is_same_v<type, NumericValue>) delete static_cast<Node<type>*>(n); \
        return;
#include "model/expression/expr_kinds.def"
        case NodeKind::ComparisonOp: delete static_cast<Node<ComparisonOp>*>(n); return;
        case NodeKind::LogicalOp: delete static_cast<Node<LogicalOp>*>(n); return;
        case NodeKind::TermBuffer: destroy_term_buffer(n); return;
    }
}

void release_node(NodeBase* n) noexcept {
    if (--n->refs != 0) return;
    Releases& r = releases;
    if (r.freeing) {
        // Freeing this cell now would recurse: it waits for the outermost
        // release. With no memory left to note it, it is left unfreed: a
        // leak, where freeing it here could recurse without bound.
        try {
            r.pending.push_back(n);
        } catch (const std::bad_alloc&) {
            ++r.leaked;
        }
        return;
    }
    r.freeing = true;
    destroy_node(n);
    while (!r.pending.empty()) {
        NodeBase* next = r.pending.back();
        r.pending.pop_back();
        destroy_node(next);
    }
    r.freeing = false;
}

const OptText* custom_latex_field(const Expression& e);

const std::string* custom_latex_of(const Expression& e) {
    const OptText* text = custom_latex_field(e);
    return text && *text ? &**text : nullptr;
}

const OptText* custom_latex_field(const Expression& e) {
    return visit(e, [](const auto& v) -> const OptText* {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, NumericValue> || std::is_same_v<T, Subscript>)
            return nullptr;
        else
            return &v.latex;
    });
}

OptText* custom_latex_slot(Expression& e) {
    switch (e.kind()) {
        case ExprKind::NumberLit:
        case ExprKind::Subscript: return nullptr;
        case ExprKind::Placeholder: return &e.mut<Placeholder>().latex;
        case ExprKind::Element: return &e.mut<Element>().latex;
        case ExprKind::DecisionVar: return &e.mut<DecisionVar>().latex;
        case ExprKind::ArrayLength: return &e.mut<ArrayLength>().latex;
        case ExprKind::UnaryOp: return &e.mut<UnaryOp>().latex;
        case ExprKind::BinaryOp: return &e.mut<BinaryOp>().latex;
        case ExprKind::CommutativeOp: return &e.mut<CommutativeOp>().latex;
        case ExprKind::ReductionOp: return &e.mut<ReductionOp>().latex;
    }
    return nullptr;
}

namespace {

bool find_decision_var(const Expression& e) {
    switch (e.kind()) {
        case ExprKind::DecisionVar: return true;
        case ExprKind::Subscript: return e.as<Subscript>().variable.is<DecisionVar>();
        case ExprKind::BinaryOp: {
            const auto& op = e.as<BinaryOp>();
            return contains_decision_var(*op.left) || contains_decision_var(*op.right);
        }
        case ExprKind::CommutativeOp:
            for (const auto& t : e.as<CommutativeOp>().terms)
                if (contains_decision_var(t)) return true;
            return false;
        case ExprKind::ReductionOp: return contains_decision_var(*e.as<ReductionOp>().operand);
        case ExprKind::NumberLit:
        case ExprKind::Placeholder:
        case ExprKind::Element:
        case ExprKind::ArrayLength:
        case ExprKind::UnaryOp: return false;
    }
    return false;
}

// The answer kept in the cell, worked out once per cell.
template <class Find, class Value>
bool cached_decision_var_fact(const NodeBase* cell, const Value& v, Find find) {
    if (cell->facts & node_facts::kKnown) return cell->facts & node_facts::kDecisionVar;
    bool found;
    {
        DepthGuard guard;
        found = find(v);
    }
    cell->facts = node_facts::kKnown | (found ? node_facts::kDecisionVar : 0);
    return found;
}

bool find_decision_var_in_condition(const ConditionalExpr& c) {
    if (c.is_comparison()) {
        const auto& cmp = c.as<ComparisonOp>();
        return contains_decision_var(*cmp.left) || contains_decision_var(*cmp.right);
    }
    for (const auto& t : c.as<LogicalOp>().terms)
        if (condition_contains_decision_var(t)) return true;
    return false;
}

}  // namespace

bool contains_decision_var(const Expression& e) {
    const NodeBase* cell = e.cell_key();
    if (!cell) return false;
    return cached_decision_var_fact(cell, e, find_decision_var);
}

bool condition_contains_decision_var(const ConditionalExpr& c) {
    return cached_decision_var_fact(c.cell_key(), c, find_decision_var_in_condition);
}

const char* decision_var_kind_name(DecisionVarKind kind) {
    switch (kind) {
        case DecisionVarKind::Binary: return "Binary";
        case DecisionVarKind::Integer: return "Integer";
        case DecisionVarKind::Continuous: return "Continuous";
        case DecisionVarKind::SemiInteger: return "SemiInteger";
        case DecisionVarKind::SemiContinuous: return "SemiContinuous";
    }
    return "";
}

}  // namespace forvela
