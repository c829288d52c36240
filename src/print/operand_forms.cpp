// The str, repr and LaTeX forms of the operand kinds: placeholders,
// elements, decision variables, subscripts and array lengths.
#include "model/error.hpp"
#include "print/printer.hpp"

namespace forvela {

namespace {

[[noreturn]] void not_yet_printable() { throw InternalFailure("not yet implemented"); }

}  // namespace

void print_placeholder(Printer& p, const Placeholder& v) {
    if (p.mode != PrintMode::Repr) {
        p << v.name;
        return;
    }
    p << "Placeholder(name='" << v.name << "', ndim=" << std::to_string(v.ndim);
    if (v.latex) p << ", latex='" << *v.latex << "'";
    if (v.description) p << ", description='" << *v.description << "'";
    p << ")";
}

void print_element(Printer&, const Element&) { not_yet_printable(); }
void print_decision_var(Printer&, const DecisionVar&) { not_yet_printable(); }
void print_subscript(Printer&, const Subscript&) { not_yet_printable(); }
void print_array_length(Printer&, const ArrayLength&) { not_yet_printable(); }

std::string render_placeholder(const Placeholder& v, PrintMode mode) {
    Printer p(mode);
    p.push(1, 0);
    print_placeholder(p, v);
    return std::move(p.out);
}

std::string placeholder_to_latex(const Placeholder& v) {
    if (v.latex) return *v.latex;
    return render_placeholder(v, PrintMode::Latex);
}

}  // namespace forvela
