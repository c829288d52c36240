// The family of AddOp, MulOp, MinOp and MaxOp: one CommutativeOp value each.
#pragma once

#include "lib/convert/expression_py.hpp"
#include "model/result_macros.hpp"
#include "lib/items/node_items.hpp"
#include "lib/items/number_slots.hpp"

namespace forvela::py {

template <ClassId Id>
struct CommutativeOpClass {
    using Self = CommutativeOp;

    static constexpr ReceiverFn receive = node_as_expression<Self>;

    static PyObject* get_terms(PyObject* self, void*) {
        return boundary([&]() -> PyResult {
            FV_ASSIGN_OR_RETURN(auto terms,
                                with_shared<Self>(self, [](const Self& v) -> Result<std::vector<Expression>> {
                                    return v.terms.to_vector();
                                }));
            return expression_list_into_python(std::move(terms));
        });
    }

    static ClassDef definition(const char* name, const char* doc) {
        static const ItemGroup getters{{}, {{"terms", get_terms, nullptr, nullptr, nullptr}}, {}};
        return ClassDef{
            .name = name,
            .signature = nullptr,
            .doc = doc,
            .basicsize = object_size<Self>(),
            .dealloc = dealloc_object<Self>,
            .groups = {NodeTextItems<Id, Self, render>::group(), &getters,
                       NumberSlots<Id, receive>::arithmetic(), NumberSlots<Id, receive>::comparison()},
            .finish = nullptr,
            .to_expression = receive};
    }
};

}  // namespace forvela::py
