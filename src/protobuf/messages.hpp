// The messages of the model format as plain structs, decoded from the wire
// by `decode_header`. Strings are views into the decoded bytes, which must
// outlive the messages. Each struct holds exactly what the reader of that
// message keeps: the last value of a scalar, the merge of a repeated
// singular message, every element of a repeated field.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string_view>
#include <tuple>
#include <variant>
#include <vector>

#include "model/error.hpp"
#include "model/memory.hpp"
#include "protobuf/schema.hpp"

namespace forvela::pb {

struct Index {
    std::uint64_t element_id = 0;
    std::optional<std::uint64_t> condition_id;
};

struct Range {
    std::uint64_t start_id = 0;
    std::uint64_t end_id = 0;
};

struct Bound {
    std::int32_t type = 0;
    std::uint64_t bound_id = 0;
};

struct NumberLit {
    std::int32_t type = 0;
    std::uint64_t value = 0;
};

// The ids of a repeated field of a node, a run in the id pool of its table.
struct IdRange {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
};

struct Placeholder {
    std::string_view name;
    std::uint64_t ndim = 0;
};

struct Element {
    std::string_view name;
    std::uint64_t ndim = 0;
    // The member of `belong_to` that is set: none, `bound` or `range`.
    enum class Set : std::uint8_t { None, Bound, Range } set = Set::None;
    Bound bound;
    Range range;
};

struct DecisionVar {
    std::int32_t type = 0;
    std::string_view name;
    IdRange shape_ids;
    std::optional<Bound> lower_bound;
    std::optional<Bound> upper_bound;
};

struct ArrayLength {
    std::int32_t type = 0;
    std::uint64_t array_id = 0;
    std::uint64_t axis = 0;
};

// Its ndim and type are checked on the wire, never read.
struct Subscript {
    std::uint64_t variable_id = 0;
    IdRange subscript_ids;
};

struct UnaryOp {
    std::int32_t kind = 0;
    std::uint64_t operand_id = 0;
};

struct BinaryOp {
    std::int32_t kind = 0;
    std::uint64_t left_id = 0;
    std::uint64_t right_id = 0;
};

struct CommutativeOp {
    std::int32_t kind = 0;
    IdRange term_ids;
};

struct ReductionOp {
    std::int32_t kind = 0;
    std::optional<Index> index;
    std::uint64_t operand_id = 0;
};

// The member of a node that holds none.
inline constexpr std::uint32_t kNoMember = 0;

// The member an ExprNode holds: its field number, and its place in the list
// of that member's messages in the node table.
struct ExprNode {
    std::uint32_t member = kNoMember;  // an expr_node::Field
    std::uint32_t index = 0;
};

// The ExprNode members in the order of NodeTable::members.
inline constexpr expr_node::Field kMemberFields[] = {
    expr_node::kNumberLit, expr_node::kPlaceholder, expr_node::kDecisionVar,   expr_node::kArrayLength,
    expr_node::kUnaryOp,   expr_node::kBinaryOp,    expr_node::kCommutativeOp, expr_node::kElement,
    expr_node::kSubscript, expr_node::kReductionOp,
};

// The expr_nodes of one Expr or ForallList, stored by member type: no node
// owns a heap block of its own, and the repeated ids of all of them are runs
// of one pool.
struct NodeTable {
    LargeVector<ExprNode> nodes;
    // The messages of each member type, in the order of kMemberFields.
    std::tuple<LargeVector<NumberLit>, LargeVector<Placeholder>, LargeVector<DecisionVar>,
               LargeVector<ArrayLength>, LargeVector<UnaryOp>, LargeVector<BinaryOp>,
               LargeVector<CommutativeOp>, LargeVector<Element>, LargeVector<Subscript>,
               LargeVector<ReductionOp>>
        members;
    // An id past 2^32 - 1 is kept as 2^32 - 1: no table has that many nodes.
    LargeVector<std::uint32_t> ids;

    std::size_t size() const { return nodes.size(); }
    std::uint32_t member(std::uint64_t i) const { return nodes[i].member; }
    // The member of node i, which must be an M.
    template <class M>
    const M& get(std::uint64_t i) const {
        return std::get<LargeVector<M>>(members)[nodes[i].index];
    }
    std::span<const std::uint32_t> ids_of(IdRange r) const { return {ids.data() + r.first, r.count}; }
};

struct Expr {
    std::uint64_t root_id = 0;
    NodeTable expr_nodes;
};

struct ForallList {
    std::vector<Index> indices;
    NodeTable expr_nodes;
};

struct Constraint {
    std::string_view name;
    std::int32_t sense = 0;
    std::optional<Expr> left;
    std::optional<Expr> right;
    std::optional<ForallList> forall_list;
};

struct CustomPenaltyTerm {
    std::string_view name;
    std::optional<Expr> term;
    std::optional<ForallList> forall_list;
};

// Map keys in byte-wise order (char_traits<char> compares as unsigned char).
struct Problem {
    std::string_view name;
    std::int32_t sense = 0;
    std::optional<Expr> objective_function;
    std::map<std::string_view, Constraint> constraints;
    std::map<std::string_view, CustomPenaltyTerm> custom_penalty_terms;
};

// The body member; kBodyFields[index - 1] is its field number.
using Body = std::variant<std::monostate, Problem, Constraint, CustomPenaltyTerm, Expr>;

inline constexpr header::Field kBodyFields[] = {header::kProblem, header::kConstraint,
                                                header::kCustomPenaltyTerm, header::kExpr};

struct Header {
    std::uint64_t version = 0;
    Body body;
};

// Decodes one Header from the whole of `data`; false when the bytes are not
// a valid encoding of it.
bool decode_header(std::string_view data, Header& header);

}  // namespace forvela::pb
