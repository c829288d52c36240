// The Python class Problem: one optimisation model that grows through `+=`.
#include "lib/convert/expression_py.hpp"
#include "model/result_macros.hpp"
#include "lib/items/node_items.hpp"
#include "lib/convert/problem_py.hpp"
#include "model/problem/problem.hpp"
#include "print/problem_forms.hpp"

namespace forvela::py {

namespace {

using Self = Problem;
constexpr ClassId kId = ClassId::Problem;

constexpr Param kNewParams[] = {{"name", true, false}, {"sense", false, true}};
constexpr Signature kNewSignature{"Problem.__new__", kNewParams};

PyObject* problem_new_slot(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    return boundary([&]() -> PyResult {
        Args<2> a;
        FV_TRY(parse_args(kNewSignature, args, kwargs, a));
        FV_ASSIGN_OR_RETURN(auto name, argument("name", to_string(a[0])));
        ProblemSense sense = ProblemSense::Minimize;
        if (a[1]) {
            FV_ASSIGN_OR_RETURN(auto read, argument("sense", problem_sense_from_python(a[1])));
            sense = read;
        }
        return new_object(type, make_problem(std::move(name), sense));
    });
}

template <class Fn>
PyObject* getter(PyObject* self, Fn fn) {
    return boundary([&]() -> PyResult {
        return with_shared<Self>(self, [&](const Self& v) -> PyResult { return fn(v); });
    });
}

// A new dict from name to a new object for a copy of each value, in the
// map's (byte-wise) name order.
template <class Map, class Into>
PyResult dict_of(const Map& map, Into into) {
    Ref out(PyDict_New());
    if (!out) return pending();
    for (const auto& [name, value] : map) {
        FV_ASSIGN_OR_RETURN(auto key, str_result(name));
        FV_ASSIGN_OR_RETURN(auto item, into(value));
        if (PyDict_SetItem(out.get(), key.get(), item.get()) < 0) return pending();
    }
    return out;
}

PyObject* get_name(PyObject* self, void*) {
    return getter(self, [](const Self& v) { return str_result(v.name); });
}
PyObject* get_sense(PyObject* self, void*) {
    return getter(self, [](const Self& v) { return problem_sense_into_python(v.sense); });
}
PyObject* get_objective(PyObject* self, void*) {
    return getter(self, [](const Self& v) { return expression_into_python(v.objective); });
}
PyObject* get_constraints(PyObject* self, void*) {
    return getter(self, [](const Self& v) { return dict_of(v.constraints, constraint_into_python); });
}
PyObject* get_custom_penalty_terms(PyObject* self, void*) {
    return getter(
        self, [](const Self& v) { return dict_of(v.custom_penalty_terms, custom_penalty_term_into_python); });
}

int set_sense(PyObject* self, PyObject* value, void*) {
    return boundary_status([&]() -> Result<void> {
        if (!value) return fail(ErrorKind::AttributeError, "can't delete attribute");
        FV_ASSIGN_OR_RETURN(auto sense, problem_sense_from_python(value));
        return with_exclusive<Self>(self, [&](Self& v) -> Result<void> {
            v.sense = sense;
            return {};
        });
    });
}

// `problem += other`: an expression replaces the objective; a constraint or a
// penalty term is added under its name (replacing one of the same name). The
// problem stays borrowed throughout, so code run by the conversions cannot
// change it midway.
PyObject* inplace_add(PyObject* self, PyObject* other) {
    return boundary([&]() -> PyResult {
        if (!is_instance(self, kId)) return not_implemented();
        auto done = with_exclusive<Self>(self, [&](Self& problem) -> Result<void> {
            auto objective = expression_from_python(other);
            if (objective) return problem_set_objective(problem, std::move(*objective));
            if (must_propagate(objective.error())) return std::unexpected(objective.error());
            FV_TRY(discard_pending());
            if (is_instance(other, ClassId::Constraint)) {
                FV_ASSIGN_OR_RETURN(auto constraint, constraint_from_python(other));
                return problem_add_constraint(problem, std::move(constraint));
            }
            if (is_instance(other, ClassId::CustomPenaltyTerm)) {
                FV_ASSIGN_OR_RETURN(auto term, custom_penalty_term_from_python(other));
                return problem_add_custom_penalty_term(problem, std::move(term));
            }
            return fail(ErrorKind::TypeError, "unsupported operand type(s) for +=");
        });
        if (!done) return std::unexpected(done.error());
        return Ref::borrowed(self);
    });
}

const ItemGroup kItems{
    {
        {"_repr_latex_", (text_method<Self, to_latex>), METH_NOARGS, kReprLatexDoc},
    },
    {
        {"name", get_name, nullptr, nullptr, nullptr},
        {"sense", get_sense, set_sense, nullptr, nullptr},
        {"objective", get_objective, nullptr, nullptr, nullptr},
        {"constraints", get_constraints, nullptr, nullptr, nullptr},
        {"custom_penalty_terms", get_custom_penalty_terms, nullptr, nullptr, nullptr},
    },
    {
        {Py_tp_new, reinterpret_cast<void*>(problem_new_slot)},
        {Py_nb_inplace_add, reinterpret_cast<void*>(inplace_add)},
    },
};

ClassDef kClass{.name = "Problem",
                .signature = "(name, *, sense=...)",
                .doc =
                    "A class for creating an optimization problem\n"
                    "\n"
                    "A problem holds one objective, and constraints and custom penalty terms under\n"
                    "their names. It starts with the objective 0 and no constraints, and grows\n"
                    "with `+=`: an expression replaces the objective, a `Constraint` or a\n"
                    "`CustomPenaltyTerm` is added under its name (replacing one of the same name).\n"
                    "\n"
                    "Attributes:\n"
                    "    name (str): The name of the problem.\n"
                    "    sense (ProblemSense): The sense of the problem (settable).\n"
                    "    objective (Expression): The objective function.\n"
                    "    constraints (dict[str, Constraint]): The constraints, by name.\n"
                    "    custom_penalty_terms (dict[str, CustomPenaltyTerm]): The penalty terms, by name.\n"
                    "\n"
                    "Args:\n"
                    "    name (str): The name of the problem.\n"
                    "    sense (ProblemSense, optional): The sense of the problem.\n"
                    "        Defaults to `ProblemSense.MINIMIZE`.\n"
                    "\n"
                    "Raises:\n"
                    "    ModelingError: From `+=`, when the added object uses a name that the problem\n"
                    "        already uses for a different placeholder, element or decision variable.\n"
                    "\n"
                    "Examples:\n"
                    "    >>> import forvela as fv\n"
                    "    >>> N = fv.Placeholder(\"N\")\n"
                    "    >>> i = fv.Element(\"i\", belong_to=N)\n"
                    "    >>> x = fv.BinaryVar(\"x\", shape=[N])\n"
                    "    >>> problem = fv.Problem(\"problem\")\n"
                    "    >>> problem += fv.sum(i, x[i])\n"
                    "    >>> problem += fv.Constraint(\"onehot\", fv.sum(i, x[i]) == 1)\n",
                .basicsize = object_size<Self>(),
                .dealloc = dealloc_object<Self>,
                .groups = {&kItems}};

const bool registered = register_class(kId, &kClass);

}  // namespace

PyResult problem_into_python(Problem p) { return new_object(kId, std::move(p)); }

Result<Problem> problem_from_python(PyObject* obj) { return copy_value_of<Problem>(obj, kId); }

}  // namespace forvela::py
