#include "print/problem_forms.hpp"

#include "analysis/decision_vars_by_kind.hpp"
#include "model/depth_guard.hpp"
#include "model/expression/expression.hpp"
#include "print/printer.hpp"

namespace forvela {

std::string to_text(const ConditionalExpr& c) { return render(c, PrintMode::Str); }

std::string to_latex(const ConditionalExpr& c) {
    const OptText& own = c.is_comparison() ? c.as<ComparisonOp>().latex : c.as<LogicalOp>().latex;
    if (own) return *own;
    return render(c, PrintMode::Latex);
}

std::string to_text(const ForallList& forall) {
    std::string out = "[";
    for (std::size_t k = 0; k < forall.size(); ++k) {
        if (k) out += ", ";
        const ForallIndex& entry = forall[k];
        if (entry.condition) {
            out += "(";
            out += to_text(*entry.element);
            out += ", ";
            out += to_text(*entry.condition);
            out += ")";
        } else {
            out += to_text(*entry.element);
        }
    }
    out += "]";
    return out;
}

namespace {

void append_set_latex(std::string& out, const ElementBelongTo& set) {
    std::visit(
        [&](const auto& v) {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, Range>) {
                out += "\\left\\{";
                out += to_latex(*v.start);
                out += ",\\ldots,";
                out += to_latex(subtract(*v.end, Expression(NumericValue::of_integer(1))));
                out += "\\right\\}";
            } else {
                out += to_latex(*v);
            }
        },
        set);
}

}  // namespace

std::string to_latex(const ForallList& forall) {
    std::string out;
    for (std::size_t k = 0; k < forall.size(); ++k) {
        if (k) out += " ";
        const ForallIndex& entry = forall[k];
        std::string e = to_latex(*entry.element);
        out += "\\forall ";
        out += e;
        if (entry.condition) {
            out += " \\in \\left\\{";
            out += e;
            out += " \\in ";
            append_set_latex(out, entry.element->belong_to);
            out += " \\mid ";
            out += to_latex(*entry.condition);
            out += " \\right\\}";
        } else {
            out += " \\in ";
            append_set_latex(out, entry.element->belong_to);
        }
    }
    return out;
}

std::string to_text(const Constraint& c) {
    std::string out = "{'expression': ";
    out += to_text(constraint_condition(c));
    if (!c.forall.empty()) {
        out += ", 'forall': ";
        out += to_text(c.forall);
    }
    out += "}";
    return out;
}

void append_text_escaped(std::string& out, std::string_view text) {
    for (char ch : text) {
        switch (ch) {
            case '_': out += "\\_"; break;
            case '%': out += "\\%"; break;
            case '&': out += "\\&"; break;
            case '#': out += "\\#"; break;
            case '$': out += "\\$"; break;
            case '{': out += "\\{"; break;
            case '}': out += "\\}"; break;
            case '~': out += "\\textasciitilde{}"; break;
            case '^': out += "\\textasciicircum{}"; break;
            case '\\': out += "\\textbackslash{}"; break;
            default: out += ch; break;
        }
    }
}

namespace {

void append_row(std::string& out, const std::string& name, const std::string& body,
                const ForallList& forall) {
    out += " & \\text{";
    append_text_escaped(out, name);
    out += "} & \\displaystyle ";
    out += body;
    out += " & ";
    out += to_latex(forall);
    out += " \\\\";
}

std::string in_array(const std::string& row) {
    std::string out = "\\begin{array}{cccc}\n";
    out += row;
    out += "\n\\end{array}";
    return out;
}

}  // namespace

std::string constraint_latex_row(const Constraint& c) {
    std::string out;
    append_row(out, c.name, to_latex(constraint_condition(c)), c.forall);
    return out;
}

std::string custom_penalty_term_latex_row(const CustomPenaltyTerm& t) {
    std::string out;
    append_row(out, t.name, to_latex(t.expression), t.forall);
    return out;
}

std::string to_latex(const Constraint& c) { return in_array(constraint_latex_row(c)); }
std::string to_latex(const CustomPenaltyTerm& t) { return in_array(custom_penalty_term_latex_row(t)); }

std::string to_latex(const DecisionVarBound& bound) {
    return std::visit(
        [](const auto& v) -> std::string {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, Box<Placeholder>>)
                return v->name;
            else
                return to_latex(*v);
        },
        bound);
}

namespace {

const char* kind_word(DecisionVarKind kind) {
    switch (kind) {
        case DecisionVarKind::Binary: return "binary";
        case DecisionVarKind::Integer: return "integer";
        case DecisionVarKind::Continuous: return "continuous";
        case DecisionVarKind::SemiInteger: return "semi-integer";
        case DecisionVarKind::SemiContinuous: return "semi-continuous";
    }
    __builtin_unreachable();
}

void append_var_line(std::string& out, const DecisionVar& v) {
    out += "& ";
    out += v.name;
    out += " & ";
    out += std::to_string(v.shape.size());
    out += "\\text{-dim ";
    out += kind_word(v.kind);
    out += " variable}";
    if (v.description) {
        out += "& \\text{";
        append_text_escaped(out, *v.description);
        out += "}";
    }
    if (v.kind != DecisionVarKind::Binary) {
        out += "\\\\ & & \\text{lower bound: }";
        out += to_latex(v.lower_bound);
        out += " & \\\\ & & \\text{upper bound: }";
        out += to_latex(v.upper_bound);
        out += " & ";
    }
    out += "\\\\";
}

}  // namespace

std::string decision_var_latex_line(const DecisionVar& v) {
    std::string out;
    append_var_line(out, v);
    return out;
}

std::string decision_vars_latex_lines(const std::vector<DecisionVar>& set) {
    std::string out;
    for (const DecisionVar& v : set) append_var_line(out, v);
    return out;
}

std::string to_latex(const Problem& p) {
    std::string out = "\\begin{array}{cccc}\n\\text{Problem:} & \\text{";
    append_text_escaped(out, p.name);
    out += "} & & \\\\\n& & ";
    out += p.sense == ProblemSense::Minimize ? "\\min" : "\\max";
    out += " \\quad \\displaystyle ";
    out += to_latex(p.objective);
    out += " & \\\\\n";

    if (!p.constraints.empty()) {
        out += "\\text{s.t.} & & & \\\\";
        for (const auto& [name, c] : p.constraints) {
            append_row(out, c.name, to_latex(constraint_condition(c)), c.forall);
        }
    }
    out += "\n";
    if (!p.custom_penalty_terms.empty()) {
        out += "\\text{penalty terms} & & & \\\\";
        for (const auto& [name, t] : p.custom_penalty_terms)
            append_row(out, t.name, to_latex(t.expression), t.forall);
    }
    out += "\n";

    DecisionVarSets sets;
    collect_decision_vars_by_kind(sets, p.objective);
    for (const auto& [name, c] : p.constraints) {
        collect_decision_vars_by_kind(sets, c.left);
        collect_decision_vars_by_kind(sets, c.right);
    }
    for (const auto& [name, t] : p.custom_penalty_terms) collect_decision_vars_by_kind(sets, t.expression);
    bool any = false;
    for (const auto& set : sets.by_kind) any = any || !set.empty();
    if (any) out += "\\text{{where}} & & & \\\\";
    for (const auto& set : sets.by_kind) {
        out += "\n";
        for (const DecisionVar& v : set) append_var_line(out, v);
    }
    out += "\n\\end{array}";
    return out;
}

}  // namespace forvela
