// The family of SumOp and ProdOp: one ReductionOp value each.
#pragma once

#include "lib/convert/condition_py.hpp"
#include "model/result_macros.hpp"
#include "lib/convert/expression_py.hpp"
#include "lib/items/node_items.hpp"
#include "lib/items/number_slots.hpp"

namespace forvela::py {

template <ClassId Id>
struct ReductionOpClass {
    using Self = ReductionOp;

    static constexpr ReceiverFn receive = node_as_expression<Self>;

    static PyObject* get_index(PyObject* self, void*) {
        return boundary([&]() -> PyResult {
            FV_ASSIGN_OR_RETURN(auto index, with_shared<Self>(self, [](const Self& v) -> Result<Element> {
                                    return *v.index;
                                }));
            return new_object(ClassId::Element, std::move(index));
        });
    }

    static PyObject* get_condition(PyObject* self, void*) {
        return boundary([&]() -> PyResult {
            FV_ASSIGN_OR_RETURN(
                auto condition,
                with_shared<Self>(self, [](const Self& v) -> Result<std::optional<ConditionalExpr>> {
                    if (!v.condition) return std::optional<ConditionalExpr>{};
                    return std::optional<ConditionalExpr>(**v.condition);
                }));
            if (!condition) return none();
            return conditional_expr_into_python(std::move(*condition));
        });
    }

    static ClassDef definition(const char* name, const char* doc) {
        static const ItemGroup getters{
            {},
            {{"index", get_index, nullptr, nullptr, nullptr},
             {"condition", get_condition, nullptr, nullptr, nullptr},
             {"operand", operand_getter<Self, &Self::operand>, nullptr, nullptr, nullptr}},
            {}};
        return ClassDef{
            .name = name,
            .signature = nullptr,
            .doc = doc,
            .basicsize = object_size<Self>(),
            .dealloc = dealloc_object<Self>,
            .groups = {NumberSlots<Id, receive>::arithmetic(), NumberSlots<Id, receive>::comparison(),
                       NodeTextItems<Id, Self, render>::group(), &getters},
            .finish = nullptr,
            .to_expression = receive};
    }
};

}  // namespace forvela::py
