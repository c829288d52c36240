// The Python class Subscript: a variable with some of its leading axes fixed.
// It has no constructor; `[]` of the subscriptable classes makes one.
#include "lib/convert/expression_py.hpp"
#include "model/result_macros.hpp"
#include "lib/items/node_items.hpp"
#include "lib/items/number_slots.hpp"
#include "lib/convert/operand_py.hpp"
#include "model/expression/operand/subscript.hpp"
#include "print/printer.hpp"

namespace forvela::py {

namespace {

using Self = Subscript;
constexpr ClassId kId = ClassId::Subscript;

using Items = OperandItems<Self, kId, subscript_into_expression, subscript_into_subscripted_variable,
                           subscript_into_array_operand>;
constexpr auto receive = Items::receive;
constexpr auto as_subscripted_variable = Items::as_subscripted_variable;
constexpr auto as_array_operand = Items::as_array_operand;

// `len_at` refuses a scalar subscript before the array conversion looks at it.
Result<ArrayOperand> as_measured_array(PyObject* self) {
    FV_ASSIGN_OR_RETURN(auto v, Items::box_of(self));
    if (v->ndim() == 0) return modeling_error("Can't get length of a scalar");
    return subscript_into_array_operand(std::move(v));
}

PyObject* get_variable(PyObject* self, void*) {
    return boundary([&]() -> PyResult {
        FV_ASSIGN_OR_RETURN(
            auto variable,
            with_shared<Self>(self, [](const Self& v) -> Result<SubscriptedVariable> { return v.variable; }));
        return subscripted_variable_into_python(std::move(variable));
    });
}

PyObject* get_subscripts(PyObject* self, void*) {
    return boundary([&]() -> PyResult {
        FV_ASSIGN_OR_RETURN(auto subscripts,
                            with_shared<Self>(self, [](const Self& v) -> Result<std::vector<Expression>> {
                                return v.subscripts.to_vector();
                            }));
        return expression_list_into_python(std::move(subscripts));
    });
}

// A decision variable's unconsumed shape entries; the ArrayLength of every
// axis of this subscript otherwise.
PyObject* get_shape(PyObject* self, void*) {
    return boundary([&]() -> PyResult {
        struct Shape {
            std::uint64_t ndim;
            std::optional<std::vector<Expression>> entries;
        };
        auto shape = with_shared<Self>(self, [](const Self& v) -> Result<Shape> {
            const auto* var = v.variable.if_is<DecisionVar>();
            if (!var) return Shape{v.ndim(), std::nullopt};
            const auto& all = var->shape;
            std::size_t used = std::min(v.subscripts.size(), all.size());
            return Shape{v.ndim(),
                         std::vector<Expression>(all.begin() + static_cast<std::ptrdiff_t>(used), all.end())};
        });
        if (!shape) return std::unexpected(shape.error());
        if (!shape->entries) return array_length_tuple(shape->ndim, as_array_operand, self);
        auto& entries = *shape->entries;
        Ref tuple(PyTuple_New(static_cast<Py_ssize_t>(entries.size())));
        if (!tuple) return pending();
        for (std::size_t k = 0; k < entries.size(); ++k) {
            FV_ASSIGN_OR_RETURN(auto item, expression_into_python(std::move(entries[k])));
            PyTuple_SET_ITEM(tuple.get(), static_cast<Py_ssize_t>(k), item.release());
        }
        return tuple;
    });
}

PyObject* len_at(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return len_at_method("Subscript.len_at", self, args, nargs, kwnames, as_measured_array);
}

const ItemGroup kItems{
    {
        {"len_at", fastcall(len_at), METH_FASTCALL | METH_KEYWORDS, kLenAtDoc},
        {"_repr_latex_", (text_method<Self, framed<Self, to_latex>>), METH_NOARGS, kReprLatexDoc},
    },
    {
        {"variable", get_variable, nullptr, nullptr, nullptr},
        {"subscripts", get_subscripts, nullptr, nullptr, nullptr},
        {"ndim", Items::get_ndim, nullptr, nullptr, nullptr},
        {"shape", get_shape, nullptr, nullptr, nullptr},
    },
    {
        {Py_tp_str, reinterpret_cast<void*>((text_slot<Self, rendered<Self, render, PrintMode::Str>>))},
        {Py_tp_repr, reinterpret_cast<void*>((text_slot<Self, rendered<Self, render, PrintMode::Repr>>))},
    },
};

ClassDef kClass{.name = "Subscript",
                .signature = nullptr,
                .doc =
                    "A class for representing a subscripted variable\n"
                    "\n"
                    "The Subscript class is used to represent a variable with subscriptions.\n"
                    "\n"
                    "Attributes:\n"
                    "    variable (Placeholder | Element | BinaryVar | IntegerVar | ContinuousVar |\n"
                    "        SemiIntegerVar | SemiContinuousVar): A variable that has subscripts.\n"
                    "    subscripts (list): A list of subscripts.\n"
                    "    ndim (int): The number of dimensions of the subscripted variable.\n"
                    "\n"
                    "Note:\n"
                    "    The Subscript class does not have a constructor.\n",
                .basicsize = object_size<Self>(),
                .dealloc = dealloc_object<Self>,
                .groups = {&kItems, SubscriptItems<as_subscripted_variable>::group(),
                           NumberSlots<kId, receive>::arithmetic(), NumberSlots<kId, receive>::comparison()},
                .finish = nullptr,
                .to_expression = receive};

const bool registered = register_class(kId, &kClass);

}  // namespace

}  // namespace forvela::py
