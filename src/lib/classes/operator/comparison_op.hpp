// The family of the six comparison classes: one ComparisonOp value each.
#pragma once

#include "lib/condition_py.hpp"
#include "lib/expression_py.hpp"
#include "lib/node_items.hpp"

namespace forvela::py {

template <ClassId Id>
struct ComparisonOpClass {
    using Self = ComparisonOp;

    static Result<ConditionalExpr> receive(PyObject* self) {
        return with_shared<Self>(self, [](const Self& v) -> Result<ConditionalExpr> {
            return ConditionalExpr(v);
        });
    }

    template <bool Left>
    static PyObject* get_side(PyObject* self, void*) {
        return boundary([&]() -> PyResult {
            auto side = with_shared<Self>(self, [](const Self& v) -> Result<Expression> {
                return Left ? *v.left : *v.right;
            });
            if (!side) return std::unexpected(side.error());
            return expression_into_python(std::move(*side));
        });
    }

    static ClassDef definition(const char* name, const char* doc) {
        static const ItemGroup getters{{},
                                       {{"left", get_side<true>, nullptr, nullptr, nullptr},
                                        {"right", get_side<false>, nullptr, nullptr, nullptr}},
                                       {}};
        ClassDef def{
            name,
            nullptr,
            doc,
            object_size<Self>(),
            dealloc_object<Self>,
            {LogicalSlots<Id, receive>::group(), &getters,
             NodeTextItems<Id, Self, render_comparison_op>::group()},
        };
        def.to_condition = receive;
        return def;
    }
};

}  // namespace forvela::py
