// The reader of the model format: one field table per message (the wire
// type each known field must come with), one loop that checks every key
// against the table and skips unknown fields, and one handler per message
// that stores the values. Repeated singular messages merge, a different
// oneof member replaces the one set before, repeated ids come packed or one
// by one, and a map keeps the last value of a key.
#include <algorithm>
#include <array>
#include <initializer_list>
#include <span>

#include "model/depth_guard.hpp"
#include "protobuf/messages.hpp"
#include "protobuf/schema.hpp"
#include "protobuf/wire.hpp"

namespace forvela::pb {

bool valid_utf8(std::string_view s) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(s.data());
    const auto* end = p + s.size();
    while (p < end) {
        // Eight ASCII bytes at a time.
        while (end - p >= 8) {
            std::uint64_t w;
            std::memcpy(&w, p, 8);
            if (w & 0x8080808080808080ULL) break;
            p += 8;
        }
        if (p == end) break;
        std::uint8_t b = *p;
        if (b < 0x80) {
            ++p;
            continue;
        }
        int n;
        std::uint32_t cp;
        if ((b & 0xe0) == 0xc0) {
            n = 1;
            cp = b & 0x1f;
        } else if ((b & 0xf0) == 0xe0) {
            n = 2;
            cp = b & 0x0f;
        } else if ((b & 0xf8) == 0xf0) {
            n = 3;
            cp = b & 0x07;
        } else {
            return false;
        }
        if (end - p <= n) return false;
        for (int i = 1; i <= n; ++i) {
            if ((p[i] & 0xc0) != 0x80) return false;
            cp = (cp << 6) | (p[i] & 0x3f);
        }
        static constexpr std::uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[n] || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return false;
        p += n + 1;
    }
    return true;
}

namespace {

// What a known field holds, and so the wire type it must arrive with.
enum class FieldType : std::uint8_t {
    Unknown,
    Varint,          // int32 and uint64 scalars: wire type 0
    Delimited,       // strings, messages, map entries: wire type 2
    RepeatedVarint,  // repeated uint64: packed (2) or one by one (0)
};

constexpr FieldType U = FieldType::Unknown;
constexpr FieldType V = FieldType::Varint;
constexpr FieldType D = FieldType::Delimited;
constexpr FieldType R = FieldType::RepeatedVarint;

// Field tables, indexed by field number: every number above the schema's
// largest is unknown.
constexpr std::size_t kTableSize = expr_node::kReductionOp + 1;
using FieldTable = std::array<FieldType, kTableSize>;

struct FieldSpec {
    std::uint32_t field;
    FieldType type;
};

constexpr FieldTable field_table(std::initializer_list<FieldSpec> specs) {
    FieldTable t{};
    for (FieldSpec s : specs) {
        if (s.field == 0 || s.field >= kTableSize || t[s.field] != U) throw "a field out of the table";
        t[s.field] = s.type;
    }
    return t;
}

constexpr FieldTable kHeaderFields = field_table({{header::kId, D},
                                                  {header::kVersion, V},
                                                  {header::kProblem, D},
                                                  {header::kConstraint, D},
                                                  {header::kCustomPenaltyTerm, D},
                                                  {header::kExpr, D}});
constexpr FieldTable kProblemFields = field_table({{problem::kId, D},
                                                   {problem::kName, D},
                                                   {problem::kSense, V},
                                                   {problem::kObjectiveFunction, D},
                                                   {problem::kConstraints, D},
                                                   {problem::kCustomPenaltyTerms, D}});
constexpr FieldTable kConstraintFields = field_table({{constraint::kId, D},
                                                      {constraint::kName, D},
                                                      {constraint::kSense, V},
                                                      {constraint::kLeft, D},
                                                      {constraint::kRight, D},
                                                      {constraint::kForallList, D}});
constexpr FieldTable kPenaltyFields = field_table({{custom_penalty_term::kId, D},
                                                   {custom_penalty_term::kName, D},
                                                   {custom_penalty_term::kTerm, D},
                                                   {custom_penalty_term::kForallList, D}});
constexpr FieldTable kExprFields = field_table({{expr::kId, D}, {expr::kRootId, V}, {expr::kExprNodes, D}});
constexpr FieldTable kForallFields = field_table({{forall_list::kIndices, D}, {forall_list::kExprNodes, D}});
constexpr FieldTable kIndexFields = field_table({{index::kElementId, V}, {index::kConditionId, V}});
constexpr FieldTable kExprNodeFields = field_table({{expr_node::kNumberLit, D},
                                                    {expr_node::kPlaceholder, D},
                                                    {expr_node::kDecisionVar, D},
                                                    {expr_node::kArrayLength, D},
                                                    {expr_node::kUnaryOp, D},
                                                    {expr_node::kBinaryOp, D},
                                                    {expr_node::kCommutativeOp, D},
                                                    {expr_node::kElement, D},
                                                    {expr_node::kSubscript, D},
                                                    {expr_node::kReductionOp, D}});
constexpr FieldTable kNumberLitFields = field_table({{number_lit::kType, V}, {number_lit::kValue, V}});
constexpr FieldTable kPlaceholderFields = field_table({{placeholder::kName, D}, {placeholder::kNdim, V}});
constexpr FieldTable kElementFields =
    field_table({{element::kName, D}, {element::kNdim, V}, {element::kBound, D}, {element::kRange, D}});
constexpr FieldTable kRangeFields = field_table({{range::kStartId, V}, {range::kEndId, V}});
constexpr FieldTable kBoundFields = field_table({{bound::kType, V}, {bound::kBoundId, V}});
constexpr FieldTable kDecisionVarFields = field_table({{decision_var::kType, V},
                                                       {decision_var::kName, D},
                                                       {decision_var::kShapeIds, R},
                                                       {decision_var::kLowerBound, D},
                                                       {decision_var::kUpperBound, D}});
constexpr FieldTable kArrayLengthFields =
    field_table({{array_length::kType, V}, {array_length::kArrayId, V}, {array_length::kAxis, V}});
constexpr FieldTable kSubscriptFields = field_table({{subscript::kNdim, V},
                                                     {subscript::kType, V},
                                                     {subscript::kVariableId, V},
                                                     {subscript::kSubscriptIds, R}});
constexpr FieldTable kUnaryOpFields = field_table({{unary_op::kKind, V}, {unary_op::kOperandId, V}});
constexpr FieldTable kBinaryOpFields =
    field_table({{binary_op::kKind, V}, {binary_op::kLeftId, V}, {binary_op::kRightId, V}});
constexpr FieldTable kCommutativeOpFields =
    field_table({{commutative_op::kKind, V}, {commutative_op::kTermIds, R}});
constexpr FieldTable kReductionOpFields =
    field_table({{reduction_op::kKind, V}, {reduction_op::kIndex, D}, {reduction_op::kOperandId, V}});
constexpr FieldTable kMapEntryFields = field_table({{map_entry::kKey, D}, {map_entry::kValue, D}});

// Every message decoder, declared up front for the templates below.
void decode(std::string_view data, int depth, Index& m);
void decode(std::string_view data, int depth, Range& m);
void decode(std::string_view data, int depth, Bound& m);
void decode(std::string_view data, int depth, NumberLit& m);
void decode(std::string_view data, int depth, Placeholder& m);
void decode(std::string_view data, int depth, Element& m);
void decode(std::string_view data, int depth, DecisionVar& m, LargeVector<std::uint32_t>& ids);
void decode(std::string_view data, int depth, ArrayLength& m);
void decode(std::string_view data, int depth, Subscript& m, LargeVector<std::uint32_t>& ids);
void decode(std::string_view data, int depth, UnaryOp& m);
void decode(std::string_view data, int depth, BinaryOp& m);
void decode(std::string_view data, int depth, CommutativeOp& m, LargeVector<std::uint32_t>& ids);
void decode(std::string_view data, int depth, ReductionOp& m);
void decode_node(std::string_view data, int depth, NodeTable& table);
void decode(std::string_view data, int depth, Expr& m);
void decode(std::string_view data, int depth, ForallList& m);
void decode(std::string_view data, int depth, Constraint& m);
void decode(std::string_view data, int depth, CustomPenaltyTerm& m);
void decode(std::string_view data, int depth, Problem& m);

// The field loop shared by every message: `on(field, wire_type, reader)`
// reads the value of each known field.
// The messages of a node table nest a fixed few levels at most (node, member,
// bound or index) and read their fields without a level of the depth guard.
template <class Handler>
void read_fields(std::string_view data, int depth, std::span<const FieldType> table, Handler&& on) {
    if (depth > kMaxNesting) throw WireError{};
    Reader r(data);
    while (!r.done()) {
        std::uint32_t field;
        WireType type;
        r.key(field, type);
        FieldType expected = field < table.size() ? table[field] : FieldType::Unknown;
        switch (expected) {
            case FieldType::Unknown: r.skip(field, type, depth); continue;
            case FieldType::Varint:
                if (type != kVarint) throw WireError{};
                break;
            case FieldType::Delimited:
                if (type != kLengthDelimited) throw WireError{};
                break;
            case FieldType::RepeatedVarint:
                if (type != kVarint && type != kLengthDelimited) throw WireError{};
                break;
        }
        on(field, type, r);
    }
}

// Any other message: one level of the depth guard.
template <class Handler>
void decode_fields(std::string_view data, int depth, std::span<const FieldType> table, Handler&& on) {
    DepthGuard guard;
    read_fields(data, depth, table, on);
}

std::int32_t read_int32(Reader& r) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(r.varint()));
}

std::string_view read_string(Reader& r) {
    std::string_view s = r.length_delimited();
    if (!valid_utf8(s)) throw WireError{};
    return s;
}

// Appends to the run of a node's repeated ids at the end of the pool. The
// run stays there while its node is read: only the member being read adds
// ids, and a member read again in the same node merges into its own run.
void read_repeated(Reader& r, WireType type, LargeVector<std::uint32_t>& pool, IdRange& run) {
    auto id = [](std::uint64_t v) {
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(v, 0xffffffffu));
    };
    if (run.count == 0) run.first = static_cast<std::uint32_t>(pool.size());
    if (type == kVarint) {
        pool.push_back(id(r.varint()));
    } else {
        Reader packed(r.length_delimited());
        while (!packed.done()) pool.push_back(id(packed.varint()));
    }
    run.count = static_cast<std::uint32_t>(pool.size() - run.first);
}

void decode(std::string_view data, int depth, Index& m) {
    read_fields(data, depth, kIndexFields, [&](std::uint32_t f, WireType, Reader& r) {
        if (f == index::kElementId)
            m.element_id = r.varint();
        else
            m.condition_id = r.varint();
    });
}

void decode(std::string_view data, int depth, Range& m) {
    read_fields(data, depth, kRangeFields, [&](std::uint32_t f, WireType, Reader& r) {
        (f == range::kStartId ? m.start_id : m.end_id) = r.varint();
    });
}

void decode(std::string_view data, int depth, Bound& m) {
    read_fields(data, depth, kBoundFields, [&](std::uint32_t f, WireType, Reader& r) {
        if (f == bound::kType)
            m.type = read_int32(r);
        else
            m.bound_id = r.varint();
    });
}

// A singular message field: merged into what earlier occurrences built.
template <class M>
void decode_into(Reader& r, int depth, std::optional<M>& slot) {
    std::string_view bytes = r.length_delimited();
    if (!slot) slot.emplace();
    decode(bytes, depth + 1, *slot);
}

void decode(std::string_view data, int depth, NumberLit& m) {
    read_fields(data, depth, kNumberLitFields, [&](std::uint32_t f, WireType, Reader& r) {
        if (f == number_lit::kType)
            m.type = read_int32(r);
        else
            m.value = r.varint();
    });
}

void decode(std::string_view data, int depth, Placeholder& m) {
    read_fields(data, depth, kPlaceholderFields, [&](std::uint32_t f, WireType, Reader& r) {
        if (f == placeholder::kName)
            m.name = read_string(r);
        else
            m.ndim = r.varint();
    });
}

void decode(std::string_view data, int depth, Element& m) {
    read_fields(data, depth, kElementFields, [&](std::uint32_t f, WireType, Reader& r) {
        switch (f) {
            case element::kName: m.name = read_string(r); break;
            case element::kNdim: m.ndim = r.varint(); break;
            case element::kBound:
                if (m.set != Element::Set::Bound) m.bound = Bound{};
                m.set = Element::Set::Bound;
                decode(r.length_delimited(), depth + 1, m.bound);
                break;
            default:
                if (m.set != Element::Set::Range) m.range = Range{};
                m.set = Element::Set::Range;
                decode(r.length_delimited(), depth + 1, m.range);
                break;
        }
    });
}

void decode(std::string_view data, int depth, DecisionVar& m, LargeVector<std::uint32_t>& ids) {
    read_fields(data, depth, kDecisionVarFields, [&](std::uint32_t f, WireType t, Reader& r) {
        switch (f) {
            case decision_var::kType: m.type = read_int32(r); break;
            case decision_var::kName: m.name = read_string(r); break;
            case decision_var::kShapeIds: read_repeated(r, t, ids, m.shape_ids); break;
            case decision_var::kLowerBound: decode_into(r, depth, m.lower_bound); break;
            default: decode_into(r, depth, m.upper_bound); break;
        }
    });
}

void decode(std::string_view data, int depth, ArrayLength& m) {
    read_fields(data, depth, kArrayLengthFields, [&](std::uint32_t f, WireType, Reader& r) {
        switch (f) {
            case array_length::kType: m.type = read_int32(r); break;
            case array_length::kArrayId: m.array_id = r.varint(); break;
            default: m.axis = r.varint(); break;
        }
    });
}

void decode(std::string_view data, int depth, Subscript& m, LargeVector<std::uint32_t>& ids) {
    read_fields(data, depth, kSubscriptFields, [&](std::uint32_t f, WireType t, Reader& r) {
        switch (f) {
            case subscript::kNdim:
            case subscript::kType: r.varint(); break;  // not kept
            case subscript::kVariableId: m.variable_id = r.varint(); break;
            default: read_repeated(r, t, ids, m.subscript_ids); break;
        }
    });
}

void decode(std::string_view data, int depth, UnaryOp& m) {
    read_fields(data, depth, kUnaryOpFields, [&](std::uint32_t f, WireType, Reader& r) {
        if (f == unary_op::kKind)
            m.kind = read_int32(r);
        else
            m.operand_id = r.varint();
    });
}

void decode(std::string_view data, int depth, BinaryOp& m) {
    read_fields(data, depth, kBinaryOpFields, [&](std::uint32_t f, WireType, Reader& r) {
        switch (f) {
            case binary_op::kKind: m.kind = read_int32(r); break;
            case binary_op::kLeftId: m.left_id = r.varint(); break;
            default: m.right_id = r.varint(); break;
        }
    });
}

void decode(std::string_view data, int depth, CommutativeOp& m, LargeVector<std::uint32_t>& ids) {
    read_fields(data, depth, kCommutativeOpFields, [&](std::uint32_t f, WireType t, Reader& r) {
        if (f == commutative_op::kKind)
            m.kind = read_int32(r);
        else
            read_repeated(r, t, ids, m.term_ids);
    });
}

void decode(std::string_view data, int depth, ReductionOp& m) {
    read_fields(data, depth, kReductionOpFields, [&](std::uint32_t f, WireType, Reader& r) {
        switch (f) {
            case reduction_op::kKind: m.kind = read_int32(r); break;
            case reduction_op::kIndex: decode_into(r, depth, m.index); break;
            default: m.operand_id = r.varint(); break;
        }
    });
}

// A oneof member: merged into the member already set when it is the same,
// else it replaces it.
template <std::size_t I, class Variant>
void decode_member(Variant& v, std::string_view bytes, int depth) {
    if (v.index() != I) v.template emplace<I>();
    decode(bytes, depth, std::get<I>(v));
}

// A member of a node in a table: messages without repeated ids read as
// anywhere else.
template <class M>
void decode_in_table(std::string_view data, int depth, M& m, LargeVector<std::uint32_t>&) {
    decode(data, depth, m);
}
void decode_in_table(std::string_view data, int depth, DecisionVar& m, LargeVector<std::uint32_t>& ids) {
    decode(data, depth, m, ids);
}
void decode_in_table(std::string_view data, int depth, Subscript& m, LargeVector<std::uint32_t>& ids) {
    decode(data, depth, m, ids);
}
void decode_in_table(std::string_view data, int depth, CommutativeOp& m, LargeVector<std::uint32_t>& ids) {
    decode(data, depth, m, ids);
}

// The member kMemberFields[I] of the node: merged into the member already
// set when it is the same, else a new message of its type.
template <std::size_t I>
void decode_table_member(NodeTable& table, ExprNode& node, std::string_view bytes, int depth) {
    auto& messages = std::get<I>(table.members);
    if (node.member != kMemberFields[I]) {
        node.member = kMemberFields[I];
        node.index = static_cast<std::uint32_t>(messages.size());
        messages.emplace_back();
    }
    decode_in_table(bytes, depth, messages[node.index], table.ids);
}

template <std::size_t... I>
void decode_node_member(NodeTable& table, ExprNode& node, std::uint32_t field, std::string_view bytes,
                        int depth, std::index_sequence<I...>) {
    ((field == kMemberFields[I] ? decode_table_member<I>(table, node, bytes, depth) : void()), ...);
}

// One ExprNode, added to the table.
void decode_node(std::string_view data, int depth, NodeTable& table) {
    ExprNode node;
    read_fields(data, depth, kExprNodeFields, [&](std::uint32_t f, WireType, Reader& r) {
        decode_node_member(table, node, f, r.length_delimited(), depth + 1,
                           std::make_index_sequence<std::size(kMemberFields)>{});
    });
    table.nodes.push_back(node);
}

void decode(std::string_view data, int depth, Expr& m) {
    decode_fields(data, depth, kExprFields, [&](std::uint32_t f, WireType, Reader& r) {
        switch (f) {
            case expr::kId: read_string(r); break;  // the id is not used
            case expr::kRootId: m.root_id = r.varint(); break;
            default: decode_node(r.length_delimited(), depth + 1, m.expr_nodes); break;
        }
    });
}

void decode(std::string_view data, int depth, ForallList& m) {
    decode_fields(data, depth, kForallFields, [&](std::uint32_t f, WireType, Reader& r) {
        if (f == forall_list::kIndices)
            decode(r.length_delimited(), depth + 1, m.indices.emplace_back());
        else
            decode_node(r.length_delimited(), depth + 1, m.expr_nodes);
    });
}

void decode(std::string_view data, int depth, Constraint& m) {
    decode_fields(data, depth, kConstraintFields, [&](std::uint32_t f, WireType, Reader& r) {
        switch (f) {
            case constraint::kId: read_string(r); break;
            case constraint::kName: m.name = read_string(r); break;
            case constraint::kSense: m.sense = read_int32(r); break;
            case constraint::kLeft: decode_into(r, depth, m.left); break;
            case constraint::kRight: decode_into(r, depth, m.right); break;
            default: decode_into(r, depth, m.forall_list); break;
        }
    });
}

void decode(std::string_view data, int depth, CustomPenaltyTerm& m) {
    decode_fields(data, depth, kPenaltyFields, [&](std::uint32_t f, WireType, Reader& r) {
        switch (f) {
            case custom_penalty_term::kId: read_string(r); break;
            case custom_penalty_term::kName: m.name = read_string(r); break;
            case custom_penalty_term::kTerm: decode_into(r, depth, m.term); break;
            default: decode_into(r, depth, m.forall_list); break;
        }
    });
}

// One map entry, key and value defaulted when absent; a later entry with
// the same key replaces the earlier value.
template <class V>
void decode_map_entry(std::string_view data, int depth, std::map<std::string_view, V>& map) {
    std::string_view key;
    V value{};
    decode_fields(data, depth, kMapEntryFields, [&](std::uint32_t f, WireType, Reader& r) {
        if (f == map_entry::kKey)
            key = read_string(r);
        else
            decode(r.length_delimited(), depth + 1, value);
    });
    map.insert_or_assign(key, std::move(value));
}

void decode(std::string_view data, int depth, Problem& m) {
    decode_fields(data, depth, kProblemFields, [&](std::uint32_t f, WireType, Reader& r) {
        switch (f) {
            case problem::kId: read_string(r); break;
            case problem::kName: m.name = read_string(r); break;
            case problem::kSense: m.sense = read_int32(r); break;
            case problem::kObjectiveFunction: decode_into(r, depth, m.objective_function); break;
            case problem::kConstraints:
                decode_map_entry(r.length_delimited(), depth + 1, m.constraints);
                break;
            default: decode_map_entry(r.length_delimited(), depth + 1, m.custom_penalty_terms); break;
        }
    });
}

template <std::size_t... I>
void decode_body_member(Body& v, std::uint32_t field, std::string_view bytes, int depth,
                        std::index_sequence<I...>) {
    ((field == kBodyFields[I] ? decode_member<I + 1>(v, bytes, depth) : void()), ...);
}

}  // namespace

bool decode_header(std::string_view data, Header& header) {
    try {
        decode_fields(data, 0, kHeaderFields, [&](std::uint32_t f, WireType, Reader& r) {
            switch (f) {
                case header::kId: read_string(r); break;
                case header::kVersion: header.version = r.varint(); break;
                default:
                    decode_body_member(header.body, f, r.length_delimited(), 1,
                                       std::make_index_sequence<std::size(kBodyFields)>{});
                    break;
            }
        });
        return true;
    } catch (const WireError&) {
        return false;
    } catch (const DepthExceeded&) {
        return false;
    }
}

}  // namespace forvela::pb
