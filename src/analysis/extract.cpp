#include "analysis/extract.hpp"

#include <cstdint>
#include <unordered_map>

#include "model/expression/cell_memo.hpp"

#include "model/expression/equality.hpp"

namespace forvela {

NodeClass node_class_of(const Expression& e) {
    switch (e.kind()) {
        case ExprKind::NumberLit: return NodeClass::NumberLit;
        case ExprKind::Placeholder: return NodeClass::Placeholder;
        case ExprKind::Element: return NodeClass::Element;
        case ExprKind::DecisionVar:
            switch (e.as<DecisionVar>().kind) {
                case DecisionVarKind::Binary: return NodeClass::BinaryVar;
                case DecisionVarKind::Integer: return NodeClass::IntegerVar;
                case DecisionVarKind::Continuous: return NodeClass::ContinuousVar;
                case DecisionVarKind::SemiInteger: return NodeClass::SemiIntegerVar;
                case DecisionVarKind::SemiContinuous: return NodeClass::SemiContinuousVar;
            }
            break;
        case ExprKind::Subscript: return NodeClass::Subscript;
        case ExprKind::ArrayLength: return NodeClass::ArrayLength;
        case ExprKind::UnaryOp:
            switch (e.as<UnaryOp>().kind) {
                case UnaryOpKind::Abs: return NodeClass::AbsOp;
                case UnaryOpKind::Ceil: return NodeClass::CeilOp;
                case UnaryOpKind::Floor: return NodeClass::FloorOp;
                case UnaryOpKind::Ln: return NodeClass::LnOp;
                case UnaryOpKind::Log10: return NodeClass::Log10Op;
                case UnaryOpKind::Log2: return NodeClass::Log2Op;
            }
            break;
        case ExprKind::BinaryOp:
            return e.as<BinaryOp>().kind == BinaryOpKind::Pow ? NodeClass::PowOp : NodeClass::ModOp;
        case ExprKind::CommutativeOp:
            switch (e.as<CommutativeOp>().kind) {
                case CommutativeOpKind::Add: return NodeClass::AddOp;
                case CommutativeOpKind::Mul: return NodeClass::MulOp;
                case CommutativeOpKind::Min: return NodeClass::MinOp;
                case CommutativeOpKind::Max: return NodeClass::MaxOp;
            }
            break;
        case ExprKind::ReductionOp:
            return e.as<ReductionOp>().kind == ReductionOpKind::Sum ? NodeClass::SumOp
                                                                     : NodeClass::ProdOp;
    }
    __builtin_unreachable();
}

NodeClass node_class_of(const ConditionalExpr& c) {
    if (c.is_comparison()) {
        switch (c.as<ComparisonOp>().kind) {
            case ComparisonOpKind::Equal: return NodeClass::EqualOp;
            case ComparisonOpKind::NotEqual: return NodeClass::NotEqualOp;
            case ComparisonOpKind::LessThan: return NodeClass::LessThanOp;
            case ComparisonOpKind::LessThanEqual: return NodeClass::LessThanEqualOp;
            case ComparisonOpKind::GreaterThan: return NodeClass::GreaterThanOp;
            case ComparisonOpKind::GreaterThanEqual: return NodeClass::GreaterThanEqualOp;
        }
    }
    switch (c.as<LogicalOp>().kind) {
        case LogicalOpKind::And: return NodeClass::AndOp;
        case LogicalOpKind::Or: return NodeClass::OrOp;
        case LogicalOpKind::Xor: return NodeClass::XorOp;
    }
    __builtin_unreachable();
}

namespace {

// Counts the matches in the subtree of every cell, each cell once.
class MatchCounter final : public NodeVisitor {
public:
    explicit MatchCounter(NodeClass cls) : cls_(cls) { frames_.push_back(0); }
    bool expression(const Expression& node) override { return enter(node.cell_key(), node_class_of(node)); }
    bool condition(const ConditionalExpr& node) override { return enter(node.cell_key(), node_class_of(node)); }
    void leave() override {
        std::uint64_t count = frames_.back();
        frames_.pop_back();
        counts.insert({cells_.back()}, count);
        cells_.pop_back();
        add(count);
    }
    CellMemo<std::uint64_t> counts;

private:
    bool enter(const NodeBase* cell, NodeClass cls) {
        std::uint64_t own = cls == cls_ ? 1 : 0;
        if (!cell) {
            add(own);
            return false;
        }
        if (const std::uint64_t* known = counts.find({cell})) {
            add(*known);
            return false;
        }
        cells_.push_back(cell);
        frames_.push_back(own);
        return true;
    }
    // Saturates: a count that large is never listed anyway.
    void add(std::uint64_t n) {
        std::uint64_t& top = frames_.back();
        top = n > UINT64_MAX - top ? UINT64_MAX : top + n;
    }

    NodeClass cls_;
    std::vector<std::uint64_t> frames_;
    std::vector<const NodeBase*> cells_;
};

// Lists the matches in walking order, entering only subtrees that hold one.
class NodeCollector final : public NodeVisitor {
public:
    NodeCollector(NodeClass cls, CellMemo<std::uint64_t>& counts) : cls_(cls), counts_(counts) {}
    bool expression(const Expression& node) override {
        if (!holds_match(node.cell_key())) return false;
        if (node_class_of(node) == cls_) found.emplace_back(node);
        return node.cell_key() != nullptr;
    }
    bool condition(const ConditionalExpr& node) override {
        if (!holds_match(node.cell_key())) return false;
        if (node_class_of(node) == cls_) found.emplace_back(node);
        return true;
    }
    std::vector<ModelNode> found;

private:
    bool holds_match(const NodeBase* cell) {
        if (!cell) return true;  // a literal: tested alone
        const std::uint64_t* count = counts_.find({cell});
        return count && *count != 0;
    }

    NodeClass cls_;
    CellMemo<std::uint64_t>& counts_;
};

bool is_variable(const Expression& e) {
    switch (e.kind()) {
        case ExprKind::Placeholder:
        case ExprKind::Element:
        case ExprKind::ArrayLength:
        case ExprKind::DecisionVar: return true;
        default: return false;
    }
}

// An insertion-ordered set of variables: the items in order plus an index
// from hash to the positions of the items with that hash.
class VariableSet final : public NodeVisitor {
public:
    // A cell met again adds nothing: its variables went in at its first visit.
    bool expression(const Expression& node) override {
        if (!node.cell_key() || !seen_.insert({node.cell_key()})) return false;
        if (is_variable(node)) add(node);
        return true;
    }
    bool condition(const ConditionalExpr& node) override { return seen_.insert({node.cell_key()}); }
    std::vector<Expression> items;

private:
    void add(const Expression& node) {
        std::uint64_t h = hash_of(node);
        auto [first, last] = index_.equal_range(h);
        for (auto it = first; it != last; ++it)
            if (equal(items[it->second], node)) return;
        index_.emplace(h, items.size());
        items.push_back(node);
    }

    CellSet seen_;
    std::unordered_multimap<std::uint64_t, std::size_t> index_;
};

}  // namespace

std::vector<ModelNode> extract_nodes(const ModelObject& object, NodeClass cls) {
    MatchCounter counter(cls);
    walk_nodes(counter, object);
    NodeCollector collector(cls, counter.counts);
    walk_nodes(collector, object);
    return std::move(collector.found);
}

std::vector<Expression> extract_variables(const ModelObject& object) {
    VariableSet set;
    walk_nodes(set, object);
    return std::move(set.items);
}

}  // namespace forvela
