// The str, repr and LaTeX forms of the operand kinds: placeholders,
// elements, decision variables, subscripts and array lengths, and the text
// forms of ranges and subscripts used by messages.
#include "model/depth_guard.hpp"
#include "model/error.hpp"
#include "model/overloaded.hpp"
#include "print/printer.hpp"

namespace forvela {

namespace {

void print_joined_expressions(Printer& p, std::span<const Expression> list) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i) p << ", ";
        print_expression(p, list[i]);
    }
}

// A boxed part of a node, in its own form.
void print_boxed(Printer& p, const Box<Expression>& v) { print_expression(p, *v); }
void print_boxed(Printer& p, const Box<Placeholder>& v) { print_placeholder(p, *v); }
void print_boxed(Printer& p, const Box<Element>& v) { print_element(p, *v); }
void print_boxed(Printer& p, const Box<DecisionVar>& v) { print_decision_var(p, *v); }
void print_boxed(Printer& p, const Box<Subscript>& v) { print_subscript(p, *v); }

template <class Variant>
void print_boxed_of(Printer& p, const Variant& v) {
    std::visit([&](const auto& boxed) { print_boxed(p, boxed); }, v);
}

void print_belong_to_repr(Printer& p, const ElementBelongTo& set) {
    std::visit(overloaded{[&](const Range& r) {
                              p << "(";
                              print_expression(p, *r.start);
                              p << ", ";
                              print_expression(p, *r.end);
                              p << ")";
                          },
                          [&](const auto& boxed) { print_boxed(p, boxed); }},
               set);
}

}  // namespace

void print_repr_optional_fields(Printer& p, const OptText& latex, const OptText& description) {
    if (latex) p << ", latex='" << *latex << "'";
    if (description) p << ", description='" << *description << "'";
}

void print_placeholder(Printer& p, const Placeholder& v) {
    if (p.mode != PrintMode::Repr) {
        p << v.name;
        return;
    }
    p << "Placeholder(name='" << v.name << "', ndim=" << std::to_string(v.ndim);
    print_repr_optional_fields(p, v.latex, v.description);
    p << ")";
}

void print_element(Printer& p, const Element& v) {
    DepthGuard guard;
    if (p.mode != PrintMode::Repr) {
        p << v.name;
        return;
    }
    p << "Element(name='" << v.name << "', belong_to=";
    print_belong_to_repr(p, v.belong_to);
    print_repr_optional_fields(p, v.latex, v.description);
    p << ")";
}

void print_var_bound(Printer& p, const DecisionVarBound& bound) { print_boxed_of(p, bound); }

void print_decision_var(Printer& p, const DecisionVar& v) {
    DepthGuard guard;
    if (p.mode != PrintMode::Repr) {
        p << v.name;
        return;
    }
    p << decision_var_kind_name(v.kind) << "Var(name='" << v.name << "', shape=[";
    print_joined_expressions(p, v.shape);
    p << "]";
    if (v.kind != DecisionVarKind::Binary) {
        p << ", lower_bound=";
        print_var_bound(p, v.lower_bound);
        p << ", upper_bound=";
        print_var_bound(p, v.upper_bound);
    }
    print_repr_optional_fields(p, v.latex, v.description);
    p << ")";
}

void print_subscript(Printer& p, const Subscript& v) {
    DepthGuard guard;
    std::size_t start = p.out.size();
    print_boxed_of(p, v.variable.get());
    // A name with a sub- or superscript of its own is braced, so the subscript
    // that follows is no double subscript: {x_1}_{i}.
    if (p.latex() && p.out.find_first_of("_^", start) != std::string::npos) {
        p.out.insert(start, 1, '{');
        p.out += '}';
    }
    p << (p.latex() ? "_{" : "[");
    print_joined_expressions(p, v.subscripts);
    p << (p.latex() ? "}" : "]");
}

void print_array_operand(Printer& p, const ArrayOperand& array) { print_boxed_of(p, array); }

void print_array_length(Printer& p, const ArrayLength& v) {
    DepthGuard guard;
    switch (p.mode) {
        case PrintMode::Str:
            p << "len(";
            print_array_operand(p, v.array);
            p << ", " << std::to_string(v.axis) << ")";
            break;
        case PrintMode::Repr:
            p << "ArrayLength(array=";
            print_array_operand(p, v.array);
            p << ", axis=" << std::to_string(v.axis);
            print_repr_optional_fields(p, v.latex, v.description);
            p << ")";
            break;
        case PrintMode::Latex:
            p << "\\mathrm{len}\\left(";
            print_array_operand(p, v.array);
            p << ", " << std::to_string(v.axis) << "\\right)";
            break;
    }
}

// ---- entries ----

std::string render(const Placeholder& v, PrintMode mode) { return render_root(v, mode, print_placeholder); }

std::string to_latex(const Placeholder& v) {
    if (v.latex) return *v.latex;
    return render(v, PrintMode::Latex);
}

std::string render(const Element& v, PrintMode mode) { return render_root(v, mode, print_element); }

std::string to_text(const Element& v) { return render(v, PrintMode::Str); }

std::string to_latex(const Element& v) {
    if (v.latex) return *v.latex;
    return render(v, PrintMode::Latex);
}

std::string render(const DecisionVar& v, PrintMode mode) { return render_root(v, mode, print_decision_var); }

std::string to_text(const DecisionVar& v) { return render(v, PrintMode::Str); }
std::string to_repr(const DecisionVar& v) { return render(v, PrintMode::Repr); }

std::string to_latex(const DecisionVar& v) {
    if (v.latex) return *v.latex;
    return render(v, PrintMode::Latex);
}

std::string render(const Subscript& v, PrintMode mode) { return render_root(v, mode, print_subscript); }

std::string to_latex(const Subscript& v) { return render(v, PrintMode::Latex); }

std::string render(const ArrayLength& v, PrintMode mode) { return render_root(v, mode, print_array_length); }

std::string to_latex(const ArrayLength& v) {
    if (v.latex) return *v.latex;
    return render(v, PrintMode::Latex);
}

std::string to_text(const Range& r) { return "[" + to_text(*r.start) + ".." + to_text(*r.end) + ")"; }

std::string to_repr(const Range& r) { return "(" + to_repr(*r.start) + ", " + to_repr(*r.end) + ")"; }

// ---- text forms in messages ----

namespace {

// The name of a boxed variable, or a subscript's text.
template <class Variant>
std::string display_named_or_subscript(const Variant& v) {
    return std::visit(overloaded{[](const Box<Subscript>& s) { return display_subscript(*s); },
                                 [](const auto& named) { return named->name; }},
                      v);
}

}  // namespace

std::string display_subscripted_variable(const SubscriptedVariable& v) {
    return display_named_or_subscript(v);
}

std::string display_subscript(const Subscript& s) {
    DepthGuard guard;
    std::string out = display_subscripted_variable(s.variable);
    fmt_expression_list(out, s.subscripts);
    return out;
}

std::string display_array_operand(const ArrayOperand& a) { return display_named_or_subscript(a); }

}  // namespace forvela
