// The family of the six comparison classes: one ComparisonOp value each.
#pragma once

#include "lib/convert/condition_py.hpp"
#include "lib/convert/expression_py.hpp"
#include "lib/items/node_items.hpp"

namespace forvela::py {

template <ClassId Id>
struct ComparisonOpClass {
    using Self = ComparisonOp;

    static constexpr ConditionReceiverFn receive = node_as_condition<Self>;

    static ClassDef definition(const char* name, const char* doc) {
        static const ItemGroup getters{
            {},
            {{"left", operand_getter<Self, &Self::left>, nullptr, nullptr, nullptr},
             {"right", operand_getter<Self, &Self::right>, nullptr, nullptr, nullptr}},
            {}};
        ClassDef def{
            name,
            nullptr,
            doc,
            object_size<Self>(),
            dealloc_object<Self>,
            {LogicalSlots<Id, receive>::group(), &getters, NodeTextItems<Id, Self, render>::group()},
        };
        def.to_condition = receive;
        return def;
    }
};

}  // namespace forvela::py
