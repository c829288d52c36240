#include "analysis/extract.hpp"

#include <unordered_map>

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

class NodeCollector final : public NodeVisitor {
public:
    explicit NodeCollector(NodeClass cls) : cls_(cls) {}
    void expression(const Expression& node) override {
        if (node_class_of(node) == cls_) found.emplace_back(node);
    }
    void condition(const ConditionalExpr& node) override {
        if (node_class_of(node) == cls_) found.emplace_back(node);
    }
    std::vector<ModelNode> found;

private:
    NodeClass cls_;
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
    void expression(const Expression& node) override {
        if (!is_variable(node)) return;
        std::uint64_t h = hash_of(node);
        auto [first, last] = index_.equal_range(h);
        for (auto it = first; it != last; ++it)
            if (equal(items[it->second], node)) return;
        index_.emplace(h, items.size());
        items.push_back(node);
    }
    void condition(const ConditionalExpr&) override {}
    std::vector<Expression> items;

private:
    std::unordered_multimap<std::uint64_t, std::size_t> index_;
};

}  // namespace

std::vector<ModelNode> extract_nodes(const ModelObject& object, NodeClass cls) {
    NodeCollector collector(cls);
    walk_nodes(collector, object);
    return std::move(collector.found);
}

std::vector<Expression> extract_variables(const ModelObject& object) {
    VariableSet set;
    walk_nodes(set, object);
    return std::move(set.items);
}

}  // namespace forvela
