// The family of PowOp and ModOp: one BinaryOp value each.
#pragma once

#include "lib/convert/expression_py.hpp"
#include "lib/items/node_items.hpp"
#include "lib/items/number_slots.hpp"

namespace forvela::py {

template <ClassId Id>
struct BinaryOpClass {
    using Self = BinaryOp;

    static constexpr ReceiverFn receive = node_as_expression<Self>;

    // `left_name` and `right_name` name the two getters ("base" and
    // "exponent", or "left" and "right").
    static ClassDef definition(const char* name, const char* doc, const char* left_name,
                               const char* right_name) {
        static const ItemGroup getters{
            {},
            {{left_name, operand_getter<Self, &Self::left>, nullptr, nullptr, nullptr},
             {right_name, operand_getter<Self, &Self::right>, nullptr, nullptr, nullptr}},
            {}};
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
