// The messages of the model format as plain structs, decoded from the wire
// by `decode_header`. Strings are views into the decoded bytes, which must
// outlive the messages. Each struct holds exactly what the reader of that
// message keeps: the last value of a scalar, the merge of a repeated
// singular message, every element of a repeated field.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string_view>
#include <variant>
#include <vector>

#include "model/error.hpp"

namespace forvela::pb {

// The version this build writes, and the only one it reads.
inline constexpr std::uint64_t kMinSupportedVersion = 1;
inline constexpr std::uint64_t kMaxSupportedVersion = 1;

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
    std::vector<std::uint64_t> shape_ids;
    std::optional<Bound> lower_bound;
    std::optional<Bound> upper_bound;
};

struct ArrayLength {
    std::int32_t type = 0;
    std::uint64_t array_id = 0;
    std::uint64_t axis = 0;
};

struct Subscript {
    std::uint64_t ndim = 0;
    std::int32_t type = 0;
    std::uint64_t variable_id = 0;
    std::vector<std::uint64_t> subscript_ids;
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
    std::vector<std::uint64_t> term_ids;
};

struct ReductionOp {
    std::int32_t kind = 0;
    std::optional<Index> index;
    std::uint64_t operand_id = 0;
};

// The member of an ExprNode; the variant index is the member's field number.
using NodeMember = std::variant<std::monostate, NumberLit, Placeholder, DecisionVar, ArrayLength,
                                UnaryOp, BinaryOp, CommutativeOp, Element, Subscript, ReductionOp>;

enum NodeField : std::uint8_t {
    kNoMember = 0,
    kNumberLitField = 1,
    kPlaceholderField = 2,
    kDecisionVarField = 3,
    kArrayLengthField = 4,
    kUnaryOpField = 5,
    kBinaryOpField = 6,
    kCommutativeOpField = 7,
    kElementField = 8,
    kSubscriptField = 9,
    kReductionOpField = 10,
};

struct ExprNode {
    NodeMember member;
};

struct Expr {
    std::uint64_t root_id = 0;
    std::vector<ExprNode> expr_nodes;
};

struct ForallList {
    std::vector<Index> indices;
    std::vector<ExprNode> expr_nodes;
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

// The body member; the variant index plus 2 is its field number.
using Body = std::variant<std::monostate, Problem, Constraint, CustomPenaltyTerm, Expr>;

struct Header {
    std::uint64_t version = 0;
    Body body;
};

// Decodes one Header from the whole of `data`; false when the bytes are not
// a valid encoding of it.
bool decode_header(std::string_view data, Header& header);

}  // namespace forvela::pb
