// The Python class Range: the half-open interval of an element's set. It has
// no constructor, no arithmetic and no comparison (== is identity).
#include "lib/convert/expression_py.hpp"
#include "model/result_macros.hpp"
#include "lib/items/node_items.hpp"
#include "lib/convert/operand_py.hpp"
#include "print/printer.hpp"

namespace forvela::py {

namespace {

using Self = Range;

template <bool Start>
PyObject* get_end(PyObject* self, void*) {
    return boundary([&]() -> PyResult {
        FV_ASSIGN_OR_RETURN(auto end, with_shared<Self>(self, [](const Self& v) -> Result<Expression> {
                                return Start ? *v.start : *v.end;
                            }));
        return expression_into_python(std::move(end));
    });
}

const ItemGroup kItems{
    {},
    {
        {"start", get_end<true>, nullptr, nullptr, nullptr},
        {"end", get_end<false>, nullptr, nullptr, nullptr},
    },
    {
        {Py_tp_str, reinterpret_cast<void*>((text_slot<Self, to_text>))},
        {Py_tp_repr, reinterpret_cast<void*>((text_slot<Self, to_repr>))},
    },
};

ClassDef kClass{.name = "Range",
                .signature = nullptr,
                .doc =
                    "A class representing a half-open interval.\n"
                    "\n"
                    "The `Range` class represents the half-open interval [start, end). This class\n"
                    "does not have a constructor because it should be created by the Element class.\n"
                    "\n"
                    "Attributes:\n"
                    "    start: The lower bound of the range (inclusive).\n"
                    "    end: The upper bound of the range (exclusive).\n"
                    "\n"
                    "Note:\n"
                    "    This class does not contain any decision variable.\n",
                .basicsize = object_size<Self>(),
                .dealloc = dealloc_object<Self>,
                .groups = {&kItems}};

const bool registered = register_class(ClassId::Range, &kClass);

}  // namespace

}  // namespace forvela::py
