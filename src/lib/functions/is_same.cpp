// The module function is_same.
#include "analysis/sameness.hpp"

#include "lib/convert/condition_py.hpp"
#include "lib/convert/expression_py.hpp"
#include "lib/convert/model_object_py.hpp"
#include "lib/convert/operand_py.hpp"
#include "lib/convert/problem_py.hpp"
#include "model/expression/equality.hpp"
#include "model/result_macros.hpp"

namespace forvela::py {

namespace {

// One step: both objects read as T and compared, or nullopt when either does
// not convert (the second is not read when the first fails).
template <class T, class Read, class Same>
Result<std::optional<bool>> step(PyObject* src, PyObject* dst, Read read, Same same) {
    FV_ASSIGN_OR_RETURN(std::optional<T> a, attempt<T>(read(src)));
    if (!a) return std::optional<bool>{};
    FV_ASSIGN_OR_RETURN(std::optional<T> b, attempt<T>(read(dst)));
    if (!b) return std::optional<bool>{};
    return std::optional<bool>(same(*a, *b));
}

template <class T>
auto copy_of(ClassId id) {
    return [id](PyObject* obj) { return copy_value_of<T>(obj, id); };
}

constexpr auto kEqual = [](const auto& a, const auto& b) { return equal(a, b); };

Result<bool> same_object(PyObject* src, PyObject* dst) {
    using Step = Result<std::optional<bool>> (*)(PyObject*, PyObject*);
    static constexpr Step kSteps[] = {
        [](PyObject* s, PyObject* d) { return step<Problem>(s, d, problem_from_python, same_problem); },
        [](PyObject* s, PyObject* d) {
            return step<Constraint>(s, d, constraint_from_python, same_constraint);
        },
        [](PyObject* s, PyObject* d) {
            return step<CustomPenaltyTerm>(s, d, custom_penalty_term_from_python, same_custom_penalty_term);
        },
        [](PyObject* s, PyObject* d) { return step<Expression>(s, d, expression_from_python, kEqual); },
        [](PyObject* s, PyObject* d) {
            return step<ConditionalExpr>(s, d, conditional_expr_from_python, kEqual);
        },
        [](PyObject* s, PyObject* d) {
            return step<Placeholder>(s, d, copy_of<Placeholder>(ClassId::Placeholder), kEqual);
        },
        [](PyObject* s, PyObject* d) {
            return step<Element>(s, d, copy_of<Element>(ClassId::Element), kEqual);
        },
        [](PyObject* s, PyObject* d) { return step<Range>(s, d, copy_of<Range>(ClassId::Range), kEqual); },
        [](PyObject* s, PyObject* d) {
            return step<DecisionVar>(s, d, copy_of<DecisionVar>(ClassId::BinaryVar), kEqual);
        },
        [](PyObject* s, PyObject* d) {
            return step<DecisionVar>(s, d, copy_of<DecisionVar>(ClassId::IntegerVar), kEqual);
        },
        [](PyObject* s, PyObject* d) {
            return step<DecisionVar>(s, d, copy_of<DecisionVar>(ClassId::ContinuousVar), kEqual);
        },
        [](PyObject* s, PyObject* d) {
            return step<DecisionVar>(s, d, copy_of<DecisionVar>(ClassId::SemiIntegerVar), kEqual);
        },
        [](PyObject* s, PyObject* d) {
            return step<DecisionVar>(s, d, copy_of<DecisionVar>(ClassId::SemiContinuousVar), kEqual);
        },
        [](PyObject* s, PyObject* d) {
            return step<Subscript>(s, d, copy_of<Subscript>(ClassId::Subscript), kEqual);
        },
    };
    for (Step run : kSteps) {
        FV_ASSIGN_OR_RETURN(std::optional<bool> answer, run(src, dst));
        if (answer) return *answer;
    }
    return fail(ErrorKind::TypeError, "the type of src (= " + type_qualname(src) +
                                          ") is different from the type of dst (= " + type_qualname(dst) +
                                          "), or one of them is unsupported type");
}

PyObject* is_same_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return boundary([&]() -> PyResult {
        static constexpr Param params[] = {{"src", true, false}, {"dst", true, false}};
        Args<2> a;
        FV_TRY(parse_args(Signature{"is_same", params}, args, nargs, kwnames, a));
        FV_ASSIGN_OR_RETURN(bool same, same_object(a[0], a[1]));
        return Ref::borrowed(same ? Py_True : Py_False);
    });
}

PyMethodDef kIsSame{"is_same", fastcall(is_same_function), METH_FASTCALL | METH_KEYWORDS,
                    "is_same(src, dst)\n--\n\n"
                    "Return true if the two objects are structurally the same.\n"
                    "\n"
                    "The `description` and `latex` of the objects are not checked.\n"
                    "\n"
                    "Args:\n"
                    "    src: A model object: a problem, a constraint, a custom penalty term, an\n"
                    "        expression, a condition, or an operand.\n"
                    "    dst: The model object to compare with.\n"
                    "\n"
                    "Returns:\n"
                    "    bool: Whether the two objects are the same.\n"
                    "\n"
                    "Examples:\n"
                    "    >>> import forvela\n"
                    "    >>> a = forvela.Placeholder(\"a\", latex=\"A\")\n"
                    "    >>> forvela.is_same(a, forvela.Placeholder(\"a\"))\n"
                    "    True\n"
                    "\n"
                    "Raises:\n"
                    "    TypeError: If the types of the two objects differ, or one of them is not\n"
                    "        an object of this module.\n"};

const bool registered = register_function(FunctionId::is_same, &kIsSame);

}  // namespace

}  // namespace forvela::py
