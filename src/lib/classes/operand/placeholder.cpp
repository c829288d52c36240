// The Python class Placeholder: a named symbol for instance data.
#include "lib/convert/expression_py.hpp"
#include "model/result_macros.hpp"
#include "lib/items/node_items.hpp"
#include "lib/items/number_slots.hpp"
#include "lib/convert/operand_py.hpp"
#include "model/expression/operand/placeholder.hpp"
#include "print/printer.hpp"

namespace forvela::py {

namespace {

using Self = Placeholder;
constexpr ClassId kId = ClassId::Placeholder;

using Items = OperandItems<Self, kId, placeholder_into_expression, placeholder_into_subscripted_variable,
                           placeholder_into_array_operand>;
constexpr auto receive = Items::receive;
constexpr auto as_subscripted_variable = Items::as_subscripted_variable;

constexpr Param kNewParams[] = {
    {"name", true, false}, {"ndim", false, true}, {"latex", false, true}, {"description", false, true}};
constexpr Signature kNewSignature{"Placeholder.__new__", kNewParams};

PyObject* placeholder_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    return boundary([&]() -> PyResult {
        Args<4> a;
        FV_TRY(parse_args(kNewSignature, args, kwargs, a));
        FV_ASSIGN_OR_RETURN(auto name, argument("name", to_string(a[0])));
        std::uint64_t ndim = 0;
        if (a[1]) {
            FV_ASSIGN_OR_RETURN(auto read, argument("ndim", u64_from_python(a[1])));
            ndim = read;
        }
        FV_ASSIGN_OR_RETURN(auto latex, argument("latex", to_optional_string(a[2])));
        FV_ASSIGN_OR_RETURN(auto description, argument("description", to_optional_string(a[3])));
        return new_object(type, Self{std::move(name), ndim, std::move(latex), std::move(description)});
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
        {"description", Items::get_description, nullptr, nullptr, nullptr},
        {"shape", Items::get_shape, nullptr, nullptr, nullptr},
    },
    {
        {Py_tp_new, reinterpret_cast<void*>(placeholder_new)},
        {Py_tp_str, reinterpret_cast<void*>((text_slot<Self, rendered<Self, render, PrintMode::Str>>))},
        {Py_tp_repr, reinterpret_cast<void*>((text_slot<Self, rendered<Self, render, PrintMode::Repr>>))},
    },
};

ClassDef kClass{
    .name = "Placeholder",
    .signature = "(name, *, ndim=0, latex=None, description=None)",
    .doc =
        "A class for creating a placeholder\n"
        "\n"
        "The `Placeholder` class is used to create a placeholder. A placeholder is a symbol\n"
        "that is replaced by a numerical value when an optimization problem is solved.\n"
        "\n"
        "The index operator (`[]`) of a placeholder with `ndim >= 1` returns a `Subscript`\n"
        "object.\n"
        "\n"
        "Attributes:\n"
        "    name (str): The name of the placeholder.\n"
        "    ndim (int): The number of dimensions of the placeholder.\n"
        "    description (Optional[str]): A description of the placeholder.\n"
        "\n"
        "Args:\n"
        "    name (str): The name of the placeholder.\n"
        "    ndim (int, optional): The number of dimensions of the placeholder. Defaults to `0`.\n"
        "        The `ndim` must be set to a non-negative value.\n"
        "    latex (Optional[str], optional): The LaTeX name of the placeholder, shown in\n"
        "        Jupyter notebooks. Defaults to the name.\n"
        "    description (Optional[str], optional): A description of the placeholder.\n"
        "        Defaults to None.\n"
        "\n"
        "Raises:\n"
        "    TypeError: If a float value is given as `ndim`.\n"
        "    OverflowError: If a negative value is given as `ndim`.\n"
        "\n"
        "Examples:\n"
        "    Create a scalar placeholder whose name is \"a\".\n"
        "\n"
        "    >>> import forvela as fv\n"
        "    >>> a = fv.Placeholder(\"a\")\n"
        "\n"
        "    Create a 2-dimensional placeholder whose name is \"m\".\n"
        "\n"
        "    >>> m = fv.Placeholder(\"m\", ndim=2)\n"
        "\n"
        "    Subscript a 2-dimensional placeholder.\n"
        "\n"
        "    >>> a = fv.Placeholder(\"a\", ndim=2)\n"
        "    >>> a[123]\n"
        "    Placeholder(name='a', ndim=2)[NumberLit(value=123)]\n",
    .basicsize = object_size<Self>(),
    .dealloc = dealloc_object<Self>,
    .groups = {&kItems, SubscriptItems<as_subscripted_variable>::group(),
               NumberSlots<kId, receive>::arithmetic(), NumberSlots<kId, receive>::comparison()},
    .finish = nullptr,
    .to_expression = receive};

const bool registered = register_class(kId, &kClass);

}  // namespace

}  // namespace forvela::py
