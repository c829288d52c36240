#include "print/printer.hpp"

#include "model/depth_guard.hpp"
#include "model/error.hpp"

namespace forvela {

namespace {

bool is(NodeTag node, NodeClass cls) { return node == tag_of(cls); }

bool is_log(NodeTag node) {
    return is(node, NodeClass::LnOp) || is(node, NodeClass::Log10Op) || is(node, NodeClass::Log2Op);
}

// The parenthesis table: whether `child` is wrapped under `parent`.
bool needs_parentheses(NodeTag parent, NodeTag child) {
    bool under_log = is_log(parent);
    bool under_pow = is(parent, NodeClass::PowOp);
    bool under_mod = is(parent, NodeClass::ModOp);
    bool under_mul = is(parent, NodeClass::MulOp);
    bool under_reduction = parent.kind == NodeKind::ReductionOp;

    if (is(child, NodeClass::AddOp) || is(child, NodeClass::ModOp))
        return under_log || under_pow || under_mod || under_mul || under_reduction;
    if (is(child, NodeClass::MulOp)) return under_log || under_pow || under_mod;
    if (is(child, NodeClass::PowOp)) return under_log || under_pow || under_reduction;
    if (child.kind == NodeKind::ReductionOp) return under_log || under_pow;
    return false;
}

void print_plain(Printer& p, const Expression& e, NodeTag own) {
    p.push(own);
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
    NodeTag own = node_tag(e);
    if (p.stack.empty() || (p.stack.back().kind == NodeKind::UnaryOp && !p.latex())) {
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

std::string render(const NumericValue& v, PrintMode mode) { return render_root(v, mode, print_number_lit); }

std::string render(const Expression& e, PrintMode mode) {
    Printer p(mode);
    p.push(node_tag(e));
    print_expression(p, e);
    return std::move(p.out);
}

std::string to_text(const Expression& e) { return render(e, PrintMode::Str); }
std::string to_repr(const Expression& e) { return render(e, PrintMode::Repr); }

std::string to_latex(const Expression& e) {
    if (const std::string* text = custom_latex_of(e)) return *text;
    return render(e, PrintMode::Latex);
}

void fmt_expression_list(std::string& out, std::span<const Expression> list) {
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
