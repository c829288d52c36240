// The family of AbsOp, CeilOp, FloorOp, LnOp, Log10Op and Log2Op: one UnaryOp
// value each.
#pragma once

#include "lib/convert/expression_py.hpp"
#include "lib/items/node_items.hpp"
#include "lib/items/number_slots.hpp"

namespace forvela::py {

template <ClassId Id>
struct UnaryOpClass {
    using Self = UnaryOp;

    static constexpr ReceiverFn receive = node_as_expression<Self>;

    static ClassDef definition(const char* name, const char* doc) {
        static const ItemGroup getters{
            {}, {{"operand", operand_getter<Self, &Self::operand>, nullptr, nullptr, nullptr}}, {}};
        return ClassDef{
            .name = name,
            .signature = nullptr,
            .doc = doc,
            .basicsize = object_size<Self>(),
            .dealloc = dealloc_object<Self>,
            .groups = {&getters, NodeTextItems<Id, Self, render>::group(),
                       NumberSlots<Id, receive>::comparison(), NumberSlots<Id, receive>::arithmetic()},
            .finish = nullptr,
            .to_expression = receive};
    }
};

}  // namespace forvela::py
