#include "model/expression/expression.hpp"

namespace forvela {

Expression::Expression(const Expression& other)
    : node([&]() -> Node {
          DepthGuard guard;
          return other.node;
      }()) {}

Expression& Expression::operator=(const Expression& other) {
    if (this != &other) *this = Expression(other);
    return *this;
}

namespace {

// Moves the boxed operator children of `e` onto `stack`, so that destroying
// `e` afterwards recurses no further than its leaf payloads.
void detach_children(Expression& e, std::vector<Expression>& stack) {
    auto take = [&](Box<Expression>& b) {
        if (!b.empty()) stack.push_back(b.take());
    };
    switch (e.kind()) {
        case ExprKind::UnaryOp:
            take(e.as<UnaryOp>().operand);
            break;
        case ExprKind::BinaryOp: {
            auto& op = e.as<BinaryOp>();
            take(op.left);
            take(op.right);
            break;
        }
        case ExprKind::CommutativeOp: {
            auto& terms = e.as<CommutativeOp>().terms;
            for (auto& t : terms) stack.push_back(std::move(t));
            terms.clear();
            break;
        }
        case ExprKind::ReductionOp:
            take(e.as<ReductionOp>().operand);
            break;
        default:
            break;
    }
}

bool has_operator_children(const Expression& e) {
    switch (e.kind()) {
        case ExprKind::UnaryOp:
        case ExprKind::BinaryOp:
        case ExprKind::CommutativeOp:
        case ExprKind::ReductionOp:
            return true;
        default:
            return false;
    }
}

}  // namespace

Expression::~Expression() {
    if (!has_operator_children(*this)) return;
    std::vector<Expression> stack;
    detach_children(*this, stack);
    while (!stack.empty()) {
        Expression child = std::move(stack.back());
        stack.pop_back();
        detach_children(child, stack);
    }
}

ConditionalExpr::ConditionalExpr(const ConditionalExpr& other)
    : node([&]() -> Node {
          DepthGuard guard;
          return other.node;
      }()) {}

ConditionalExpr& ConditionalExpr::operator=(const ConditionalExpr& other) {
    if (this != &other) *this = ConditionalExpr(other);
    return *this;
}

ConditionalExpr::~ConditionalExpr() {
    if (node.index() != 1) return;
    auto& terms = std::get<LogicalOp>(node).terms;
    if (terms.empty()) return;
    std::vector<ConditionalExpr> stack;
    for (auto& t : terms) stack.push_back(std::move(t));
    terms.clear();
    while (!stack.empty()) {
        ConditionalExpr c = std::move(stack.back());
        stack.pop_back();
        if (c.node.index() == 1) {
            auto& inner = std::get<LogicalOp>(c.node).terms;
            for (auto& t : inner) stack.push_back(std::move(t));
            inner.clear();
        }
    }
}

const std::string* custom_latex_of(const Expression& e) {
    const OptText* text = custom_latex_slot(const_cast<Expression&>(e));
    return text && *text ? &**text : nullptr;
}

OptText* custom_latex_slot(Expression& e) {
    return std::visit(
        [](auto& v) -> OptText* {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, NumericValue> || std::is_same_v<T, Subscript>)
                return nullptr;
            else
                return &v.latex;
        },
        e.node);
}

bool contains_decision_var(const Expression& e) {
    DepthGuard guard;
    switch (e.kind()) {
        case ExprKind::DecisionVar:
            return true;
        case ExprKind::Subscript:
            return std::holds_alternative<Box<DecisionVar>>(e.as<Subscript>().variable);
        case ExprKind::BinaryOp: {
            const auto& op = e.as<BinaryOp>();
            return contains_decision_var(*op.left) || contains_decision_var(*op.right);
        }
        case ExprKind::CommutativeOp:
            for (const auto& t : e.as<CommutativeOp>().terms)
                if (contains_decision_var(t)) return true;
            return false;
        case ExprKind::ReductionOp:
            return contains_decision_var(*e.as<ReductionOp>().operand);
        case ExprKind::NumberLit:
        case ExprKind::Placeholder:
        case ExprKind::Element:
        case ExprKind::ArrayLength:
        case ExprKind::UnaryOp:
            return false;
    }
    return false;
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
