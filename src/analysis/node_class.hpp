// What a node is, from the two lists of kinds: its tag (the node kind with the
// operator or variable kind within it) and its class, one per class of
// lib/class_list.def that holds a node. Both lists are read by name, so their
// order decides no number used here.
#pragma once

#include <cstdint>

#include "model/error.hpp"
#include "model/expression/expression.hpp"

namespace forvela {

struct NodeTag {
    NodeKind kind;
    std::uint8_t sub;  // the node's own kind number, 0 for kinds without one
    friend constexpr bool operator==(NodeTag, NodeTag) = default;
};

// The operator or variable kind of a node value; 0 for values without one.
template <class T>
constexpr std::uint8_t sub_kind_of(const T& v) {
    if constexpr (requires { v.kind; })
        return static_cast<std::uint8_t>(v.kind);
    else
        return 0;
}

template <class T>
    requires requires { NodeKindOf<T>::value; }
constexpr NodeTag node_tag(const T& v) {
    return {NodeKindOf<T>::value, sub_kind_of(v)};
}
inline NodeTag node_tag(const Expression& e) {
    return visit(e, [](const auto& v) { return node_tag(v); });
}
inline NodeTag node_tag(const ConditionalExpr& c) {
    return c.is_comparison() ? node_tag(c.as<ComparisonOp>()) : node_tag(c.as<LogicalOp>());
}

// The class that stands for a node: one per operand kind, decision-variable
// kind and operator kind.
enum class NodeClass : std::uint8_t {
#define FORVELA_CLASS(name)
#define FORVELA_EXPR_CLASS(name, kind, sub) name,
#define FORVELA_COND_CLASS(name, node, sub) name,
#include "lib/class_list.def"
};

// The tag of the nodes of the class.
constexpr NodeTag tag_of(NodeClass cls) {
    switch (cls) {
#define FORVELA_CLASS(name)
#define FORVELA_EXPR_CLASS(name, kind, sub) \
    case NodeClass::name: return {NodeKind::kind, static_cast<std::uint8_t>(sub)};
#define FORVELA_COND_CLASS(name, node, sub) \
    case NodeClass::name: return {NodeKind::node, static_cast<std::uint8_t>(sub)};
#include "lib/class_list.def"
    }
    __builtin_unreachable();
}

namespace detail {
constexpr std::uint16_t tag_key(NodeKind kind, std::uint8_t sub) {
    return static_cast<std::uint16_t>(static_cast<unsigned>(kind) << 8 | sub);
}
}  // namespace detail

// The class of the node with the tag. A tag that two classes shared would be
// two equal case labels here.
constexpr NodeClass node_class_of(NodeTag tag) {
    switch (detail::tag_key(tag.kind, tag.sub)) {
#define FORVELA_CLASS(name)
#define FORVELA_EXPR_CLASS(name, kind, sub) \
    case detail::tag_key(NodeKind::kind, static_cast<std::uint8_t>(sub)): return NodeClass::name;
#define FORVELA_COND_CLASS(name, node, sub) \
    case detail::tag_key(NodeKind::node, static_cast<std::uint8_t>(sub)): return NodeClass::name;
#include "lib/class_list.def"
    }
    throw InternalFailure("a node without a class");
}

inline NodeClass node_class_of(const Expression& e) { return node_class_of(node_tag(e)); }
inline NodeClass node_class_of(const ConditionalExpr& c) { return node_class_of(node_tag(c)); }

}  // namespace forvela
