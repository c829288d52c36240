// The Python class ArrayLength: the length of one axis of an array operand.
// It has no constructor; `len_at` and `shape` make one.
#include "lib/convert/expression_py.hpp"
#include "model/result_macros.hpp"
#include "lib/items/node_items.hpp"
#include "lib/items/number_slots.hpp"
#include "lib/convert/operand_py.hpp"
#include "print/printer.hpp"

namespace forvela::py {

namespace {

using Self = ArrayLength;
constexpr ClassId kId = ClassId::ArrayLength;

Result<Expression> receive(PyObject* self) {
    return with_held<Self>(self, [](const Held<Self>& h) -> Result<Expression> { return h; });
}

PyObject* get_array(PyObject* self, void*) {
    return boundary([&]() -> PyResult {
        FV_ASSIGN_OR_RETURN(auto array, with_shared<Self>(self, [](const Self& v) -> Result<ArrayOperand> {
                                return v.array;
                            }));
        return array_operand_into_python(std::move(array));
    });
}

PyObject* get_axis(PyObject* self, void*) {
    return boundary([&] {
        return with_shared<Self>(
            self, [](const Self& v) -> PyResult { return checked(PyLong_FromUnsignedLongLong(v.axis)); });
    });
}

PyObject* get_description(PyObject* self, void*) {
    return boundary([&] {
        return with_shared<Self>(self,
                                 [](const Self& v) { return optional_text_into_python(v.description); });
    });
}

PyObject* set_latex(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return set_latex_method<Self>(kId, self, args, nargs, kwnames, latex_field<Self>);
}

const ItemGroup kItems{
    {
        {"set_latex", fastcall(set_latex), METH_FASTCALL | METH_KEYWORDS, kOperandSetLatexDoc},
        {"_repr_latex_", (text_method<Self, framed<Self, to_latex>>), METH_NOARGS, kReprLatexDoc},
    },
    {
        {"array", get_array, nullptr, nullptr, nullptr},
        {"axis", get_axis, nullptr, nullptr, nullptr},
        {"description", get_description, nullptr, nullptr, nullptr},
    },
    {
        {Py_tp_str, reinterpret_cast<void*>((text_slot<Self, rendered<Self, render, PrintMode::Str>>))},
        {Py_tp_repr, reinterpret_cast<void*>((text_slot<Self, rendered<Self, render, PrintMode::Repr>>))},
    },
};

ClassDef kClass{
    .name = "ArrayLength",
    .signature = nullptr,
    .doc =
        "A class for referring to the length of an array at a given axis.\n"
        "\n"
        "The `ArrayLength` class refers to the number of elements of an axis in an array.\n"
        "It is not meant to be instantiated directly: the `len_at` method of `Placeholder`,\n"
        "`Element` or `Subscript` makes one.\n"
        "\n"
        "Attributes:\n"
        "    array (Placeholder | Element | Subscript): A variable with `ndim >= 1`.\n"
        "    axis (int): The axis of the array. Axis 0 is the outermost axis and n - 1 the\n"
        "        innermost axis of an n-dimensional variable.\n"
        "    description (Optional[str]): A description of the length.\n"
        "\n"
        "Raises:\n"
        "    ModelingError: If `axis` is not below `array.ndim`.\n"
        "\n"
        "Examples:\n"
        "    Take the length of axis 0 of a 2-dimensional placeholder.\n"
        "\n"
        "    >>> import forvela as fv\n"
        "    >>> a = fv.Placeholder(\"a\", ndim=2)\n"
        "    >>> n = a.len_at(0, latex=\"N\")\n",
    .basicsize = object_size<Self>(),
    .dealloc = dealloc_object<Self>,
    .groups = {&kItems, NumberSlots<kId, receive>::arithmetic(), NumberSlots<kId, receive>::comparison()},
    .finish = nullptr,
    .to_expression = receive};

const bool registered = register_class(kId, &kClass);

}  // namespace

}  // namespace forvela::py
