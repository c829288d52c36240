// The Python class Element: an index variable over a range or an array.
#include "lib/convert/expression_py.hpp"
#include "model/result_macros.hpp"
#include "lib/items/node_items.hpp"
#include "lib/items/number_slots.hpp"
#include "lib/convert/operand_py.hpp"
#include "model/expression/operand/element.hpp"
#include "model/expression/operand/range.hpp"
#include "print/printer.hpp"

namespace forvela::py {

namespace {

using Self = Element;
constexpr ClassId kId = ClassId::Element;

using Items = OperandItems<Self, kId, element_into_expression, element_into_subscripted_variable,
                           element_into_array_operand>;
constexpr auto receive = Items::receive;
constexpr auto as_subscripted_variable = Items::as_subscripted_variable;

// A copy of the value of an object of class `id`, or nothing (a borrow
// conflict counts as nothing).
template <class T>
std::optional<T> copy_if_instance(PyObject* obj, ClassId id) {
    if (!is_instance(obj, id)) return std::nullopt;
    auto copy = with_shared<T>(obj, [](const T& v) -> Result<T> { return v; });
    if (!copy) return std::nullopt;
    return std::move(*copy);
}

// The set of an element, the alternatives tried in order: an integer n (the
// range from 0 to n), a pair of scalar expressions, a scalar expression (the
// range from 0 to it), a Placeholder, an Element or a Subscript object. Range
// errors are raised; every other failure moves on to the next alternative.
Result<ElementBelongTo> belong_to_from_python(PyObject* obj) {
    if (PyObject* index = PyNumber_Index(obj)) {
        int overflow = 0;
        long long n = PyLong_AsLongLongAndOverflow(index, &overflow);
        Py_DECREF(index);
        if (!overflow && !(n == -1 && PyErr_Occurred())) {
            FV_ASSIGN_OR_RETURN(auto range, make_range(Expression(NumericValue::of_integer(0)),
                                                       Expression(NumericValue::of_integer(n))));
            return ElementBelongTo(std::move(range));
        }
    }
    FV_TRY(discard_pending());

    if (PyTuple_Check(obj) && PyTuple_GET_SIZE(obj) == 2) {
        Ref first = Ref::borrowed(PyTuple_GET_ITEM(obj, 0));
        Ref second = Ref::borrowed(PyTuple_GET_ITEM(obj, 1));
        auto start = expression_from_python(first.get());
        if (!start && must_propagate(start.error())) return std::unexpected(start.error());
        if (start) {
            auto end = expression_from_python(second.get());
            if (!end && must_propagate(end.error())) return std::unexpected(end.error());
            if (end) {
                FV_ASSIGN_OR_RETURN(auto range, make_range(std::move(*start), std::move(*end)));
                return ElementBelongTo(std::move(range));
            }
        }
    }

    auto end = expression_from_python(obj);
    if (end) return belong_to_range_from_zero(std::move(*end));
    if (must_propagate(end.error())) return std::unexpected(end.error());

    if (auto p = copy_if_instance<Placeholder>(obj, ClassId::Placeholder))
        if (auto set = belong_to_from_placeholder(std::move(*p))) return set;
    if (auto e = copy_if_instance<Element>(obj, ClassId::Element))
        if (auto set = belong_to_from_element(std::move(*e))) return set;
    if (auto s = copy_if_instance<Subscript>(obj, ClassId::Subscript))
        if (auto set = belong_to_from_subscript(std::move(*s))) return set;

    return fail(ErrorKind::TypeError, "failed to convert into a set");
}

constexpr Param kNewParams[] = {
    {"name", true, false}, {"belong_to", true, true}, {"latex", false, true}, {"description", false, true}};
constexpr Signature kNewSignature{"Element.__new__", kNewParams};

PyObject* element_new_slot(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    return boundary([&]() -> PyResult {
        Args<4> a;
        FV_TRY(parse_args(kNewSignature, args, kwargs, a));
        FV_ASSIGN_OR_RETURN(auto name, argument("name", to_string(a[0])));
        FV_ASSIGN_OR_RETURN(auto latex, argument("latex", to_optional_string(a[2])));
        FV_ASSIGN_OR_RETURN(auto description, argument("description", to_optional_string(a[3])));
        FV_ASSIGN_OR_RETURN(auto set, belong_to_from_python(a[1]));
        return new_object(
            type, make_element(std::move(name), std::move(set), std::move(latex), std::move(description)));
    });
}

PyObject* get_belong_to(PyObject* self, void*) {
    return boundary([&]() -> PyResult {
        FV_ASSIGN_OR_RETURN(auto set, with_shared<Self>(self, [](const Self& v) -> Result<ElementBelongTo> {
                                return v.belong_to;
                            }));
        return element_belong_to_into_python(std::move(set));
    });
}

const ItemGroup kItems{
    {
        {"len_at", fastcall(Items::len_at), METH_FASTCALL | METH_KEYWORDS, kLenAtDoc},
        {"set_latex", fastcall(Items::set_latex), METH_FASTCALL | METH_KEYWORDS, kOperandSetLatexDoc},
        {"_repr_latex_", (text_method<Self, framed<Self, to_latex>>), METH_NOARGS, kReprLatexDoc},
    },
    {
        {"name", Items::get_name, nullptr, nullptr, nullptr},
        {"ndim", Items::get_ndim, nullptr, nullptr, nullptr},
        {"belong_to", get_belong_to, nullptr, nullptr, nullptr},
        {"description", Items::get_description, nullptr, nullptr, nullptr},
        {"shape", Items::get_shape, nullptr, nullptr, nullptr},
    },
    {
        {Py_tp_new, reinterpret_cast<void*>(element_new_slot)},
        {Py_tp_str, reinterpret_cast<void*>((text_slot<Self, to_text>))},
        {Py_tp_repr, reinterpret_cast<void*>((text_slot<Self, rendered<Self, render, PrintMode::Repr>>))},
    },
};

ClassDef kClass{.name = "Element",
                .signature = "(name, *, belong_to, latex=None, description=None)",
                .doc =
                    "A class for creating an element\n"
                    "\n"
                    "The `Element` class is used to create an element. An element is used as an index\n"
                    "of summation (`SumOp`), as an index of product (`ProdOp`) and as a bound variable\n"
                    "of the universal quantifier.\n"
                    "\n"
                    "An element has a set it belongs to. The set is either a half-open range, whose\n"
                    "lower bound is included and whose upper bound is excluded, or a `Placeholder`,\n"
                    "`Element` or `Subscript` variable with `ndim` >= 1.\n"
                    "\n"
                    "The index operator (`[]`) of an element with `ndim >= 1` returns a `Subscript`\n"
                    "object.\n"
                    "\n"
                    "Attributes:\n"
                    "    name (str): The name of the element.\n"
                    "    ndim (int): The number of dimensions of the element. The value is one less than\n"
                    "        the value of `belong_to.ndim`.\n"
                    "    description (Optional[str]): A description of the element.\n"
                    "    belong_to (Range | Placeholder | Element | Subscript): The set the element\n"
                    "        belongs to.\n"
                    "\n"
                    "Args:\n"
                    "    name (str): The name of the element.\n"
                    "    belong_to: The set the element belongs to: an integer n (the range from 0 to n),\n"
                    "        a pair of scalar expressions, a scalar expression (the range from 0 to it),\n"
                    "        or a `Placeholder`, `Element` or `Subscript` with `ndim >= 1`.\n"
                    "    latex (Optional[str], optional): The LaTeX name of the element, shown in Jupyter\n"
                    "        notebooks. Defaults to the name.\n"
                    "    description (Optional[str], optional): A description of the element. Defaults\n"
                    "        to None.\n"
                    "\n"
                    "Examples:\n"
                    "    Create an element that belongs to the half-open range [0, 10).\n"
                    "\n"
                    "    >>> import forvela as fv\n"
                    "    >>> i = fv.Element(\"i\", belong_to=(0,10))\n"
                    "\n"
                    "    An integer as the set is the range from 0 to it, so this is the same element.\n"
                    "\n"
                    "    >>> i = fv.Element(\"i\", belong_to=10)\n"
                    "\n"
                    "    Create an element that belongs to a 1-dimensional placeholder.\n"
                    "\n"
                    "    >>> E = fv.Placeholder(\"E\", ndim=1)\n"
                    "    >>> e = fv.Element(\"e\", belong_to=E)\n"
                    "\n"
                    "    Subscript an element that belongs to a 2-dimensional placeholder.\n"
                    "\n"
                    "    >>> a = fv.Placeholder(\"a\", ndim=2)\n"
                    "    >>> e = fv.Element(\"e\", belong_to=a)\n"
                    "    >>> e[123]\n"
                    "    Element(name='e', belong_to=Placeholder(name='a', ndim=2))[NumberLit(value=123)]\n",
                .basicsize = object_size<Self>(),
                .dealloc = dealloc_object<Self>,
                .groups = {&kItems, SubscriptItems<as_subscripted_variable>::group(),
                           NumberSlots<kId, receive>::arithmetic(), NumberSlots<kId, receive>::comparison()},
                .finish = nullptr,
                .to_expression = receive};

const bool registered = register_class(kId, &kClass);

}  // namespace

}  // namespace forvela::py
