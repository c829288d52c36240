#include "print/printer.hpp"

#include "model/depth_guard.hpp"
#include "model/error.hpp"

namespace forvela {

NodePrecedence node_precedence(const Expression& e) {
    auto kind = static_cast<std::uint8_t>(e.kind());
    switch (e.kind()) {
        case ExprKind::DecisionVar: return {kind, static_cast<std::uint8_t>(e.as<DecisionVar>().kind)};
        case ExprKind::UnaryOp: return {kind, static_cast<std::uint8_t>(e.as<UnaryOp>().kind)};
        case ExprKind::BinaryOp: return {kind, static_cast<std::uint8_t>(e.as<BinaryOp>().kind)};
        case ExprKind::CommutativeOp: return {kind, static_cast<std::uint8_t>(e.as<CommutativeOp>().kind)};
        case ExprKind::ReductionOp: return {kind, static_cast<std::uint8_t>(e.as<ReductionOp>().kind)};
        default: return {kind, 0};
    }
}

namespace {

constexpr std::uint8_t kUnary = 6, kBinary = 7, kCommutative = 8, kReduction = 9;

bool is_log(NodePrecedence p) {
    return p.kind == kUnary && (p.sub == static_cast<std::uint8_t>(UnaryOpKind::Ln) ||
                                p.sub == static_cast<std::uint8_t>(UnaryOpKind::Log10) ||
                                p.sub == static_cast<std::uint8_t>(UnaryOpKind::Log2));
}
bool is_binary(NodePrecedence p, BinaryOpKind k) {
    return p.kind == kBinary && p.sub == static_cast<std::uint8_t>(k);
}
bool is_commutative(NodePrecedence p, CommutativeOpKind k) {
    return p.kind == kCommutative && p.sub == static_cast<std::uint8_t>(k);
}

// The parenthesis table: whether `child` is wrapped under `parent`.
bool needs_parentheses(NodePrecedence parent, NodePrecedence child) {
    bool under_log = is_log(parent);
    bool under_pow = is_binary(parent, BinaryOpKind::Pow);
    bool under_mod = is_binary(parent, BinaryOpKind::Mod);
    bool under_mul = is_commutative(parent, CommutativeOpKind::Mul);
    bool under_reduction = parent.kind == kReduction;

    if (is_commutative(child, CommutativeOpKind::Add) || is_binary(child, BinaryOpKind::Mod))
        return under_log || under_pow || under_mod || under_mul || under_reduction;
    if (is_commutative(child, CommutativeOpKind::Mul)) return under_log || under_pow || under_mod;
    if (is_binary(child, BinaryOpKind::Pow)) return under_log || under_pow || under_reduction;
    if (child.kind == kReduction) return under_log || under_pow;
    return false;
}

void print_plain(Printer& p, const Expression& e, NodePrecedence own) {
    p.push(own.kind, own.sub);
    print_expression_node(p, e);
    p.pop();
}

}  // namespace

void print_expression(Printer& p, const Expression& e) {
    DepthGuard guard;
    if (const std::string* text = custom_latex_of(e)) {
        p << *text;
        return;
    }
    NodePrecedence own = node_precedence(e);
    if (p.stack.empty() || (p.stack.back().kind == kUnary && !p.latex())) {
        print_plain(p, e, own);
        return;
    }
    if (!needs_parentheses(p.stack.back(), own)) {
        print_plain(p, e, own);
        return;
    }
    p << (p.latex() ? "\\left(" : "(");
    print_plain(p, e, own);
    p << (p.latex() ? "\\right)" : ")");
}

void print_expression_node(Printer& p, const Expression& e) {
    switch (e.kind()) {
        case ExprKind::NumberLit: return print_number_lit(p, e.as<NumericValue>());
        case ExprKind::Placeholder: return print_placeholder(p, e.as<Placeholder>());
        case ExprKind::Element: return print_element(p, e.as<Element>());
        case ExprKind::DecisionVar: return print_decision_var(p, e.as<DecisionVar>());
        case ExprKind::Subscript: return print_subscript(p, e.as<Subscript>());
        case ExprKind::ArrayLength: return print_array_length(p, e.as<ArrayLength>());
        case ExprKind::UnaryOp: return print_unary_op(p, e.as<UnaryOp>());
        case ExprKind::BinaryOp: return print_binary_op(p, e.as<BinaryOp>());
        case ExprKind::CommutativeOp: return print_commutative_op(p, e.as<CommutativeOp>());
        case ExprKind::ReductionOp: return print_reduction_op(p, e.as<ReductionOp>());
    }
}

void print_condition(Printer& p, const ConditionalExpr& c) {
    DepthGuard guard;
    if (c.is_comparison())
        print_comparison(p, c.as<ComparisonOp>());
    else
        print_logical_op(p, c.as<LogicalOp>());
}

// ---- per-kind forms ----

void print_number_lit(Printer& p, const NumericValue& v) {
    switch (p.mode) {
        case PrintMode::Str: append_numeric_text(p.out, v); break;
        case PrintMode::Repr:
            p << "NumberLit(value=";
            append_numeric_text(p.out, v);
            p << ")";
            break;
        case PrintMode::Latex:
            if (v.sign_bit()) {
                p << "(";
                append_numeric_text(p.out, v);
                p << ")";
            } else {
                append_numeric_text(p.out, v);
            }
            break;
    }
}

// ---- entries ----

std::string render(const NumericValue& v, PrintMode mode) {
    Printer p(mode);
    p.push(0, 0);
    print_number_lit(p, v);
    return std::move(p.out);
}

std::string render(const Expression& e, PrintMode mode) {
    Printer p(mode);
    NodePrecedence own = node_precedence(e);
    p.push(own.kind, own.sub);
    print_expression(p, e);
    return std::move(p.out);
}

std::string to_text(const Expression& e) { return render(e, PrintMode::Str); }
std::string to_repr(const Expression& e) { return render(e, PrintMode::Repr); }

std::string to_latex(const Expression& e) {
    if (const std::string* text = custom_latex_of(e)) return *text;
    return render(e, PrintMode::Latex);
}

void fmt_expression_list(std::string& out, const std::vector<Expression>& list) {
    out += "[";
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i) out += ", ";
        out += to_text(list[i]);
    }
    out += "]";
}

std::string wrap_latex(std::string_view text) {
    std::string out = "$$\\displaystyle ";
    out += text;
    out += "$$";
    return out;
}

}  // namespace forvela
