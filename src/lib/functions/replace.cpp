// The module function replace: the model side walks and rebuilds the tree,
// this side offers each node to the Python replacer and reads its answer.
#include "analysis/replace.hpp"

#include <array>

#include "lib/convert/condition_py.hpp"
#include "lib/convert/expression_py.hpp"
#include "lib/convert/operand_py.hpp"
#include "lib/convert/problem_py.hpp"
#include "model/result_macros.hpp"

namespace forvela::py {

namespace {

// Offers go out as new objects (sharing the node's cells: a change through
// `set_latex` copies the node first, so the tree is never touched), and the
// walk holds no borrow of any object while the replacer runs.
//
// An offered object that nobody but the walk holds once the replacer has
// answered can be told from a new one by no one, so it carries the next
// offer of its class instead of a new object being made. An answer that is
// the offered object itself, still holding the offered cell, is that node:
// it needs no conversion.
class PyReplacer final : public Replacer {
public:
    explicit PyReplacer(PyObject* fn) : fn_(fn) {}

    Result<Expression> offer(const Expression& node) override {
        return ask(node, node, [](PyObject* got) { return expression_from_python(got); });
    }
    Result<Box<Placeholder>> offer_placeholder(const Box<Placeholder>& node) override {
        return ask(Expression(Box<Placeholder>(node)), node,
                   [](PyObject* got) { return held_box<Placeholder>(got, ClassId::Placeholder); });
    }
    Result<Box<Element>> offer_element(const Box<Element>& node) override {
        return ask(Expression(Box<Element>(node)), node,
                   [](PyObject* got) { return held_box<Element>(got, ClassId::Element); });
    }
    Result<Box<DecisionVar>> offer_decision_var(const Box<DecisionVar>& node) override {
        return ask(Expression(Box<DecisionVar>(node)), node,
                   [](PyObject* got) { return decision_var_from_python(got); });
    }
    Result<Box<Subscript>> offer_subscript(const Box<Subscript>& node) override {
        return ask(Expression(Box<Subscript>(node)), node,
                   [](PyObject* got) { return held_box<Subscript>(got, ClassId::Subscript); });
    }
    Result<ConditionalExpr> offer_condition(const ConditionalExpr& node) override {
        FV_ASSIGN_OR_RETURN(Ref arg, conditional_expr_into_python(node));
        FV_ASSIGN_OR_RETURN(Ref got, call(arg.get()));
        // Comparison and logical objects alike hold a ConditionalExpr.
        if (got.get() == arg.get() && object_of<ComparisonOp>(arg.get())->value.same_cell(node)) return node;
        return conditional_expr_from_python(got.get());
    }

    // Only an exception that is an instance of Exception may be dropped;
    // KeyboardInterrupt, SystemExit and internal failures stop the call.
    Result<void> set_aside(const Error& error) override {
        if (error.kind == ErrorKind::PythonPending || PyErr_Occurred()) return discard_pending();
        return {};
    }

private:
    PyResult call(PyObject* arg) { return checked(PyObject_CallOneArg(fn_, arg)); }

    // Offers `node` and reads the answer through `read`; `unchanged` is the
    // answer when the replacer hands back the object it was offered as it was.
    template <class T, class Read>
    Result<T> ask(const Expression& node, const T& unchanged, Read&& read) {
        ClassId id = class_of(node);
        FV_ASSIGN_OR_RETURN(Ref arg, object_for(id, node));
        FV_ASSIGN_OR_RETURN(Ref got, call(arg.get()));
        Result<T> answer =
            got.get() == arg.get() && holds(arg.get(), node) ? Result<T>(unchanged) : read(got.get());
        got = Ref();
        keep_spare(id, std::move(arg));
        return answer;
    }

    // Whether an object offered for `node` still holds it. A NumberLit
    // object never changes; every other one holds its node's cell until a
    // change makes the node its own.
    static bool holds(PyObject* obj, const Expression& node) {
        return node.kind() == ExprKind::NumberLit || object_of<Expression>(obj)->value.same_cell(node);
    }

    // An object of class `id` holding `node`: the spare of that class, or a new one.
    PyResult object_for(ClassId id, const Expression& node) {
        Ref& spare = spares_[static_cast<std::size_t>(id)];
        if (!spare) return expression_into_python(node);
        Ref obj = std::move(spare);
        if (node.kind() == ExprKind::NumberLit)
            object_of<NumericValue>(obj.get())->value = node.as<NumericValue>();
        else
            object_of<Expression>(obj.get())->value = node;
        return obj;
    }

    // Keeps an offered object for the next offer of its class when the walk
    // holds the only reference to it.
    void keep_spare(ClassId id, Ref obj) {
        if (Py_REFCNT(obj.get()) != 1 || !is_instance(obj.get(), id) ||
            reinterpret_cast<ObjectHead*>(obj.get())->borrow != 0)
            return;
        spares_[static_cast<std::size_t>(id)] = std::move(obj);
    }

    // The cell held by an object of exactly the class, shared.
    template <class T>
    static Result<Box<T>> held_box(PyObject* obj, ClassId id) {
        if (!is_instance(obj, id)) return cannot_convert(obj, class_name(id));
        return with_held<T>(obj, [](const Held<T>& h) -> Result<Box<T>> { return h.template box<T>(); });
    }

    PyObject* fn_;  // borrowed from the arguments of the call
    std::array<Ref, static_cast<std::size_t>(ClassId::Count)> spares_;
};

PyObject* replace_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return boundary([&]() -> PyResult {
        static constexpr Param params[] = {{"expr", true, false}, {"replacer", true, false}};
        Args<2> a;
        FV_TRY(parse_args(Signature{"replace", params}, args, nargs, kwnames, a));
        // A handle of its own: the object may change (or go) while the replacer runs.
        FV_ASSIGN_OR_RETURN(Expression expr, argument("expr", expression_from_python(a[0])));
        if (!PyCallable_Check(a[1]))
            return std::unexpected(
                argument_error("replacer", Error{ErrorKind::TypeError, "replacer must be callable"}));
        Ref replacer = Ref::borrowed(a[1]);
        PyReplacer r(replacer.get());
        FV_ASSIGN_OR_RETURN(Expression result, replace_expression(r, expr));
        return expression_into_python(std::move(result));
    });
}

PyMethodDef kReplace{"replace", fastcall(replace_function), METH_FASTCALL | METH_KEYWORDS,
                     "replace(expr, replacer)\n--\n\n"
                     "Replace the expression node with the result of calling the replacer.\n"
                     "\n"
                     "The replacer is offered every node from the root downwards. When it returns\n"
                     "a node that differs from the one offered, that node takes its place with its\n"
                     "whole subtree; otherwise the node is rebuilt from its parts, each offered in\n"
                     "turn. The input is never changed.\n"
                     "\n"
                     "Args:\n"
                     "    expr (Expression): The expression to rewrite.\n"
                     "    replacer (Callable): Takes one argument, an expression node, and returns an\n"
                     "        expression node.\n"
                     "\n"
                     "Returns:\n"
                     "    Expression: The rewritten expression.\n"
                     "\n"
                     "Examples:\n"
                     "    >>> import forvela\n"
                     "    >>> a = forvela.Placeholder(\"a\")\n"
                     "    >>> x = forvela.BinaryVar(\"x\")\n"
                     "    >>> f = lambda n: x if isinstance(n, forvela.Placeholder) else n\n"
                     "    >>> forvela.is_same(forvela.replace(a + 1, f), x + 1)\n"
                     "    True\n"
                     "\n"
                     "Raises:\n"
                     "    TypeError: If `expr` is not an expression, `replacer` is not callable, or\n"
                     "        the replacer returns what cannot stand in the place of a leaf.\n"
                     "    ModelingError: If a rebuilt node is invalid.\n"};

const bool registered = register_function(FunctionId::replace, &kReplace);

}  // namespace

}  // namespace forvela::py
