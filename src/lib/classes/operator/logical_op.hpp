// The family of AndOp, OrOp and XorOp: one LogicalOp value each.
#pragma once

#include "lib/convert/condition_py.hpp"
#include "model/result_macros.hpp"
#include "lib/items/node_items.hpp"

namespace forvela::py {

template <ClassId Id>
struct LogicalOpClass {
    using Self = LogicalOp;

    static constexpr ConditionReceiverFn receive = node_as_condition<Self>;

    static PyObject* get_terms(PyObject* self, void*) {
        return boundary([&]() -> PyResult {
            FV_ASSIGN_OR_RETURN(
                auto terms,
                with_shared<Self>(
                    self, [](const Self& v) -> Result<std::vector<ConditionalExpr>> { return v.terms; }));
            Ref out(PyList_New(static_cast<Py_ssize_t>(terms.size())));
            if (!out) return pending();
            for (std::size_t i = 0; i < terms.size(); ++i) {
                FV_ASSIGN_OR_RETURN(auto item, conditional_expr_into_python(std::move(terms[i])));
                PyList_SET_ITEM(out.get(), static_cast<Py_ssize_t>(i), item.release());
            }
            return out;
        });
    }

    static ClassDef definition(const char* name, const char* doc) {
        static const ItemGroup getters{{}, {{"terms", get_terms, nullptr, nullptr, nullptr}}, {}};
        ClassDef def{
            name,
            nullptr,
            doc,
            object_size<Self>(),
            dealloc_object<Self>,
            {LogicalSlots<Id, receive>::group(), NodeTextItems<Id, Self, render>::group(), &getters},
        };
        def.to_condition = receive;
        return def;
    }
};

}  // namespace forvela::py
