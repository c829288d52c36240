#include "protobuf/serializer.hpp"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "model/expression/expression.hpp"
#include "model/overloaded.hpp"
#include "model/result_macros.hpp"
#include "protobuf/codes.hpp"
#include "protobuf/node_table_writer.hpp"
#include "protobuf/schema.hpp"
#include "protobuf/uuid.hpp"
#include "protobuf/wire.hpp"

namespace forvela {

namespace {

using pb::NodeArena;
using pb::Writer;

Error serialization_error(std::string message) {
    return Error{ErrorKind::ProtobufSerializationError, std::move(message)};
}

// The ids of an Index message: the element's, and the condition's if any.
struct IndexIds {
    std::uint64_t element = 0;
    std::optional<std::uint64_t> condition;
};

// The whole encoding goes into one writer, each message enclosed in its
// field once its body is written. The body of each node is written into one
// scratch writer after its children have their ids, so no node needs a
// buffer of its own.
class Serializer {
public:
    Result<Writer> header(const SerializableObject& object) {
        Writer w;
        w.string_field(pb::header::kId, pb::new_uuid_v4());
        w.uint64_field(pb::header::kVersion, pb::kFormatVersion);
        std::size_t start = w.size();
        FV_TRY(std::visit(overloaded{[&](const Problem& p) -> Result<void> {
                                         FV_TRY(problem(w, p));
                                         w.enclose(pb::header::kProblem, start);
                                         return {};
                                     },
                                     [&](const Constraint& c) -> Result<void> {
                                         FV_TRY(constraint(w, c));
                                         w.enclose(pb::header::kConstraint, start);
                                         return {};
                                     },
                                     [&](const CustomPenaltyTerm& t) -> Result<void> {
                                         FV_TRY(penalty_term(w, t));
                                         w.enclose(pb::header::kCustomPenaltyTerm, start);
                                         return {};
                                     },
                                     [&](const Expression& e) -> Result<void> {
                                         return expr_message(w, pb::header::kExpr, e);
                                     },
                                     [&](const ConditionalExpr& c) -> Result<void> {
                                         NodeArena arena(pb::expr::kExprNodes);
                                         FV_ASSIGN_OR_RETURN(std::uint64_t root, condition(arena, c));
                                         expr_field(w, pb::header::kExpr, std::move(arena), root);
                                         return {};
                                     }},
                          object));
        if (w.size() > 0x7fffffffu)
            return std::unexpected(serialization_error(
                "failed to encode the Problem because the encoded message would be larger than 2 GiB."));
        return w;
    }

private:
    // The body of a Problem.
    Result<void> problem(Writer& w, const Problem& p) {
        w.string_field(pb::problem::kId, pb::new_uuid_v4());
        w.string_field(pb::problem::kName, p.name);
        w.int32_field(pb::problem::kSense, pb::code_of(pb::kProblemSenses, p.sense));
        FV_TRY(expr_message(w, pb::problem::kObjectiveFunction, p.objective));
        for (const auto& [name, c] : p.constraints) {
            std::size_t entry = w.size();
            w.string_field(pb::map_entry::kKey, name);
            std::size_t value = w.size();
            FV_TRY(constraint(w, c));
            enclose_map_entry(w, pb::problem::kConstraints, entry, value);
        }
        for (const auto& [name, t] : p.custom_penalty_terms) {
            std::size_t entry = w.size();
            w.string_field(pb::map_entry::kKey, name);
            std::size_t value = w.size();
            FV_TRY(penalty_term(w, t));
            enclose_map_entry(w, pb::problem::kCustomPenaltyTerms, entry, value);
        }
        return {};
    }

    // A map entry written from `entry` on: its key, then from `value` on the
    // body of its value. An entry leaves out an empty key and a default
    // (empty) value.
    static void enclose_map_entry(Writer& w, std::uint32_t field, std::size_t entry, std::size_t value) {
        if (w.size() > value) w.enclose(pb::map_entry::kValue, value);
        w.enclose(field, entry);
    }

    // The body of a Constraint.
    Result<void> constraint(Writer& w, const Constraint& c) {
        w.string_field(pb::constraint::kId, pb::new_uuid_v4());
        w.string_field(pb::constraint::kName, c.name);
        w.int32_field(pb::constraint::kSense, pb::code_of(pb::kConstraintSenses, c.sense));
        FV_TRY(expr_message(w, pb::constraint::kLeft, c.left));
        FV_TRY(expr_message(w, pb::constraint::kRight, c.right));
        return forall_list(w, pb::constraint::kForallList, c.forall);
    }

    // The body of a CustomPenaltyTerm.
    Result<void> penalty_term(Writer& w, const CustomPenaltyTerm& t) {
        w.string_field(pb::custom_penalty_term::kId, pb::new_uuid_v4());
        w.string_field(pb::custom_penalty_term::kName, t.name);
        FV_TRY(expr_message(w, pb::custom_penalty_term::kTerm, t.expression));
        return forall_list(w, pb::custom_penalty_term::kForallList, t.forall);
    }

    Result<void> expr_message(Writer& w, std::uint32_t field, const Expression& e) {
        NodeArena arena(pb::expr::kExprNodes);
        FV_ASSIGN_OR_RETURN(std::uint64_t root, expression(arena, e));
        expr_field(w, field, std::move(arena), root);
        return {};
    }

    // An Expr message: its id, the root's id and the node table.
    static void expr_field(Writer& w, std::uint32_t field, NodeArena&& arena, std::uint64_t root) {
        // The length is known up front: the table is not moved again to put it in front.
        const std::string id = pb::new_uuid_v4();
        const std::size_t len =
            (id.empty() ? 0 : pb::key_size(pb::expr::kId) + pb::varint_size(id.size()) + id.size()) +
            (root ? pb::key_size(pb::expr::kRootId) + pb::varint_size(root) : 0) + arena.bytes().size();
        w.key(field, pb::kLengthDelimited);
        w.varint(len);
        w.string_field(pb::expr::kId, id);
        w.uint64_field(pb::expr::kRootId, root);
        w.append_taking(std::move(arena).take_bytes());
    }

    Result<void> forall_list(Writer& w, std::uint32_t field, const ForallList& list) {
        NodeArena arena(pb::forall_list::kExprNodes);
        std::size_t start = w.size();
        for (const ForallIndex& entry : list) {
            FV_ASSIGN_OR_RETURN(IndexIds ids, index(arena, *entry.element.cell(),
                                                    entry.condition ? &*entry.condition : nullptr));
            index_field(w, pb::forall_list::kIndices, ids);
        }
        w.append(arena.bytes());
        w.enclose(field, start);
        return {};
    }

    // The element's id and the condition's, if any, written into the table.
    Result<IndexIds> index(NodeArena& arena, const Node<Element>& element, const ConditionalExpr* cond) {
        IndexIds ids;
        FV_ASSIGN_OR_RETURN(ids.element, this->element(arena, element));
        if (cond) {
            FV_ASSIGN_OR_RETURN(ids.condition, condition(arena, *cond));
        }
        return ids;
    }

    static void index_field(Writer& w, std::uint32_t field, const IndexIds& ids) {
        std::size_t start = w.size();
        w.uint64_field(pb::index::kElementId, ids.element);
        if (ids.condition) w.optional_uint64_field(pb::index::kConditionId, *ids.condition);
        w.enclose(field, start);
    }

    // The scratch writer, emptied for the body of the next node but for the
    // room in front of it for the key and length of its member.
    Writer& node_body() {
        scratch_.clear();
        scratch_.skip(Writer::kPrefixRoom);
        return scratch_;
    }

    // The node whose body is in the scratch writer, as an ExprNode holding
    // that member, stored in the table; `after` as for NodeArena::insert.
    std::uint64_t insert_node(NodeArena& arena, pb::expr_node::Field member, std::uint64_t after) {
        return arena.insert(scratch_.prefix_in_place(member, Writer::kPrefixRoom), after);
    }

    // One past the newest of the children's ids.
    template <class... Ids>
    static std::uint64_t after(Ids... ids) {
        return std::max({ids...}) + 1;
    }
    static std::uint64_t after(std::span<const std::uint64_t> ids) {
        return ids.empty() ? 0 : *std::max_element(ids.begin(), ids.end()) + 1;
    }

    // The ids of one node's children, on a stack shared by the nested walks:
    // no node allocates a list of its own.
    class IdRun {
    public:
        explicit IdRun(std::vector<std::uint64_t>& stack) : stack_(stack), base_(stack.size()) {}
        IdRun(const IdRun&) = delete;
        IdRun& operator=(const IdRun&) = delete;
        ~IdRun() { stack_.resize(base_); }
        void push_back(std::uint64_t id) { stack_.push_back(id); }
        std::span<const std::uint64_t> ids() const { return {stack_.data() + base_, stack_.size() - base_}; }

    private:
        std::vector<std::uint64_t>& stack_;
        std::size_t base_;
    };

    // Writes a shared cell once per table, whatever number of parents it
    // has. A cell with one holder is reached only through that holder, which
    // is itself written once, so it needs no entry: writing it again would
    // only find its nodes in the table.
    template <class Fn>
    Result<std::uint64_t> once(NodeArena& arena, const NodeBase& cell, Fn&& write) {
        if (cell.refs == 1) return write();
        if (const std::uint64_t* id = arena.find_cell(&cell)) return *id;
        FV_ASSIGN_OR_RETURN(std::uint64_t id, write());
        arena.remember_cell(&cell, id);
        return id;
    }

    Result<std::uint64_t> expression(NodeArena& arena, const Expression& e) {
        DepthGuard guard(depth_);
        switch (e.kind()) {
            case ExprKind::NumberLit: return number_lit(arena, e.as<NumericValue>());
            case ExprKind::Placeholder: return placeholder(arena, e.cell<Placeholder>());
            case ExprKind::Element: return element(arena, e.cell<Element>());
            case ExprKind::DecisionVar: return decision_var(arena, e.cell<DecisionVar>());
            case ExprKind::Subscript: return subscript(arena, e.cell<Subscript>());
            case ExprKind::ArrayLength: return array_length(arena, e.cell<ArrayLength>());
            case ExprKind::UnaryOp: {
                const UnaryOp& op = e.as<UnaryOp>();
                return once(arena, e.cell<UnaryOp>(), [&]() -> Result<std::uint64_t> {
                    FV_ASSIGN_OR_RETURN(std::uint64_t operand, expression(arena, *op.operand));
                    Writer& w = node_body();
                    w.int32_field(pb::unary_op::kKind, pb::code_of(pb::kUnaryKinds, op.kind));
                    w.uint64_field(pb::unary_op::kOperandId, operand);
                    return insert_node(arena, pb::expr_node::kUnaryOp, after(operand));
                });
            }
            case ExprKind::BinaryOp: {
                const BinaryOp& op = e.as<BinaryOp>();
                return once(arena, e.cell<BinaryOp>(), [&]() -> Result<std::uint64_t> {
                    FV_ASSIGN_OR_RETURN(std::uint64_t left, expression(arena, *op.left));
                    FV_ASSIGN_OR_RETURN(std::uint64_t right, expression(arena, *op.right));
                    Writer& w = node_body();
                    w.int32_field(pb::binary_op::kKind, pb::code_of(pb::kBinaryKinds, op.kind));
                    w.uint64_field(pb::binary_op::kLeftId, left);
                    w.uint64_field(pb::binary_op::kRightId, right);
                    return insert_node(arena, pb::expr_node::kBinaryOp, after(left, right));
                });
            }
            case ExprKind::CommutativeOp: {
                const CommutativeOp& op = e.as<CommutativeOp>();
                return once(arena, e.cell<CommutativeOp>(), [&]() { return commutative_op(arena, op); });
            }
            case ExprKind::ReductionOp: {
                const ReductionOp& op = e.as<ReductionOp>();
                return once(arena, e.cell<ReductionOp>(), [&]() -> Result<std::uint64_t> {
                    FV_ASSIGN_OR_RETURN(IndexIds ids, index(arena, *op.index.cell(),
                                                            op.condition ? &**op.condition : nullptr));
                    FV_ASSIGN_OR_RETURN(std::uint64_t operand, expression(arena, *op.operand));
                    Writer& w = node_body();
                    w.int32_field(pb::reduction_op::kKind, pb::code_of(pb::kReductionKinds, op.kind));
                    index_field(w, pb::reduction_op::kIndex, ids);
                    w.uint64_field(pb::reduction_op::kOperandId, operand);
                    return insert_node(arena, pb::expr_node::kReductionOp,
                                       after(ids.element, ids.condition.value_or(0), operand));
                });
            }
        }
        return std::unexpected(serialization_error("unknown expression node"));
    }

    Result<std::uint64_t> commutative_op(NodeArena& arena, const CommutativeOp& op) {
        bool normalise = false;
        if (op.kind == CommutativeOpKind::Add || op.kind == CommutativeOpKind::Mul)
            for (const Expression& t : op.terms)
                if (has_custom_latex(t)) {
                    normalise = true;
                    break;
                }
        if (normalise) {
            // Kept alive to the end: the cells it made are remembered by address.
            const CommutativeOp& flat = *normalised_.emplace_back(std::make_unique<CommutativeOp>(
                op.kind == CommutativeOpKind::Add ? flatten_add_terms(op) : flatten_mul_terms(op)));
            if (flat.terms.size() == 1) return expression(arena, flat.terms[0]);
            return terms_node(arena, flat);
        }
        return terms_node(arena, op);
    }

    Result<std::uint64_t> terms_node(NodeArena& arena, const CommutativeOp& op) {
        // Lists extended from one another share the slots of their common
        // terms, so a term that its slot alone holds can still be reached
        // from many sums: each slot's id is kept, and the term is walked
        // once. A literal may stand apart from the slots (a sum's last term)
        // and costs nothing to write again.
        const std::size_t n = op.terms.size();
        // A list alone in its buffer (a short list inline, most products)
        // is met once per sum cell, which `once` covers already.
        const bool runs = n >= 2 && op.terms.buffer_shared();
        const std::size_t run = runs ? arena.run_of(&op.terms[0], n) : 0;
        IdRun ids(id_stack_);
        for (std::size_t k = 0; k < n; ++k) {
            const Expression& t = op.terms[k];
            const bool in_run = runs && t.kind() != ExprKind::NumberLit;
            if (in_run) {
                if (std::uint64_t known = arena.run_slot(run, k)) {
                    ids.push_back(known - 1);
                    continue;
                }
            }
            FV_ASSIGN_OR_RETURN(std::uint64_t id, expression(arena, t));
            if (in_run) arena.run_slot(run, k) = id + 1;
            ids.push_back(id);
        }
        Writer& w = node_body();
        w.int32_field(pb::commutative_op::kKind, pb::code_of(pb::kCommutativeKinds, op.kind));
        w.packed_field(pb::commutative_op::kTermIds, ids.ids());
        return insert_node(arena, pb::expr_node::kCommutativeOp, after(ids.ids()));
    }

    Result<std::uint64_t> condition(NodeArena& arena, const ConditionalExpr& c) {
        DepthGuard guard(depth_);
        if (c.is_comparison()) {
            const ComparisonOp& op = c.as<ComparisonOp>();
            return once(arena, c.cell<ComparisonOp>(), [&]() -> Result<std::uint64_t> {
                FV_ASSIGN_OR_RETURN(std::uint64_t left, expression(arena, *op.left));
                FV_ASSIGN_OR_RETURN(std::uint64_t right, expression(arena, *op.right));
                Writer& w = node_body();
                w.int32_field(pb::binary_op::kKind, pb::code_of(pb::kComparisonKinds, op.kind));
                w.uint64_field(pb::binary_op::kLeftId, left);
                w.uint64_field(pb::binary_op::kRightId, right);
                return insert_node(arena, pb::expr_node::kBinaryOp, after(left, right));
            });
        }
        const LogicalOp& op = c.as<LogicalOp>();
        return once(arena, c.cell<LogicalOp>(), [&]() -> Result<std::uint64_t> {
            IdRun ids(id_stack_);
            for (const ConditionalExpr& t : op.terms) {
                FV_ASSIGN_OR_RETURN(std::uint64_t id, condition(arena, t));
                ids.push_back(id);
            }
            Writer& w = node_body();
            w.int32_field(pb::commutative_op::kKind, pb::code_of(pb::kLogicalKinds, op.kind));
            w.packed_field(pb::commutative_op::kTermIds, ids.ids());
            return insert_node(arena, pb::expr_node::kCommutativeOp, after(ids.ids()));
        });
    }

    std::uint64_t number_lit(NodeArena& arena, const NumericValue& v) {
        Writer& w = node_body();
        std::uint64_t bits;
        if (v.is_integer()) {
            w.int32_field(pb::number_lit::kType, pb::number_lit::kInteger);
            bits = static_cast<std::uint64_t>(v.integer);
        } else {
            w.int32_field(pb::number_lit::kType, pb::number_lit::kFloat);
            bits = std::bit_cast<std::uint64_t>(v.floating);
        }
        w.uint64_field(pb::number_lit::kValue, bits);
        return arena.insert_number(scratch_.prefix_in_place(pb::expr_node::kNumberLit, Writer::kPrefixRoom),
                                   v.is_integer(), bits);
    }

    std::uint64_t placeholder(NodeArena& arena, const Node<Placeholder>& cell) {
        auto write = [&]() -> Result<std::uint64_t> {
            Writer& w = node_body();
            w.string_field(pb::placeholder::kName, cell.value.name);
            w.uint64_field(pb::placeholder::kNdim, cell.value.ndim);
            return insert_node(arena, pb::expr_node::kPlaceholder, 0);
        };
        return *once(arena, cell, write);
    }

    // The member of an Element's belong_to that is set, with the ids it holds.
    struct ElementSet {
        pb::element::Field field;  // kBound or kRange
        std::uint64_t first;       // the bound's type, or the range's start
        std::uint64_t second;      // the bound's id, or the range's end
    };

    Result<std::uint64_t> element(NodeArena& arena, const Node<Element>& cell) {
        DepthGuard guard(depth_);
        const Element& e = cell.value;
        return once(arena, cell, [&]() -> Result<std::uint64_t> {
            FV_ASSIGN_OR_RETURN(ElementSet set, element_set(arena, e));
            Writer& w = node_body();
            w.string_field(pb::element::kName, e.name);
            w.uint64_field(pb::element::kNdim, e.ndim);
            std::size_t start = w.size();
            const bool bound = set.field == pb::element::kBound;
            w.uint64_field(bound ? std::uint32_t{pb::bound::kType} : pb::range::kStartId, set.first);
            w.uint64_field(bound ? std::uint32_t{pb::bound::kBoundId} : pb::range::kEndId, set.second);
            w.enclose(set.field, start);
            return insert_node(arena, pb::expr_node::kElement, after(set.second));
        });
    }

    Result<ElementSet> element_set(NodeArena& arena, const Element& e) {
        return std::visit(
            overloaded{[&](const Range& r) -> Result<ElementSet> {
                           FV_ASSIGN_OR_RETURN(std::uint64_t start, expression(arena, *r.start));
                           FV_ASSIGN_OR_RETURN(std::uint64_t end, expression(arena, *r.end));
                           return ElementSet{pb::element::kRange, start, end};
                       },
                       [&](const Box<Placeholder>& p) -> Result<ElementSet> {
                           return ElementSet{pb::element::kBound, pb::element::kPlaceholder,
                                             placeholder(arena, *p.cell())};
                       },
                       [&](const Box<Element>& inner) -> Result<ElementSet> {
                           FV_ASSIGN_OR_RETURN(std::uint64_t id, element(arena, *inner.cell()));
                           return ElementSet{pb::element::kBound, pb::element::kElement, id};
                       },
                       [&](const Box<Subscript>& sub) -> Result<ElementSet> {
                           const Node<Subscript>& s = *sub.cell();
                           std::uint64_t type;
                           if (s.value.variable.is<Placeholder>())
                               type = pb::element::kSubscriptedPlaceholder;
                           else if (s.value.variable.is<Element>())
                               type = pb::element::kSubscriptedElement;
                           else
                               return std::unexpected(serialization_error(
                                   "failed to encode the element " + e.name +
                                   " because its set is a subscripted decision variable; only a subscripted "
                                   "placeholder or element can be the set of an element."));
                           FV_ASSIGN_OR_RETURN(std::uint64_t id, subscript(arena, s));
                           return ElementSet{pb::element::kBound, type, id};
                       }},
            e.belong_to);
    }

    // A node's id beside the code of its kind: a DecisionVarBound message,
    // the variable of a Subscript or the array of an ArrayLength.
    struct TypedId {
        std::int32_t type;
        std::uint64_t id;
    };

    Result<std::uint64_t> decision_var(NodeArena& arena, const Node<DecisionVar>& cell) {
        const DecisionVar& v = cell.value;
        return once(arena, cell, [&]() -> Result<std::uint64_t> {
            IdRun shape(id_stack_);
            for (const Expression& s : v.shape) {
                FV_ASSIGN_OR_RETURN(std::uint64_t id, expression(arena, s));
                shape.push_back(id);
            }
            std::optional<TypedId> lower, upper;
            if (v.kind != DecisionVarKind::Binary) {
                FV_ASSIGN_OR_RETURN(lower, decision_var_bound(arena, v.lower_bound));
                FV_ASSIGN_OR_RETURN(upper, decision_var_bound(arena, v.upper_bound));
            }
            Writer& w = node_body();
            w.int32_field(pb::decision_var::kType, pb::code_of(pb::kDecisionVarTypes, v.kind));
            w.string_field(pb::decision_var::kName, v.name);
            w.packed_field(pb::decision_var::kShapeIds, shape.ids());
            if (lower) bound_field(w, pb::decision_var::kLowerBound, *lower);
            if (upper) bound_field(w, pb::decision_var::kUpperBound, *upper);
            // Its shape alone names the child: variables are few.
            return insert_node(arena, pb::expr_node::kDecisionVar, after(shape.ids()));
        });
    }

    Result<TypedId> decision_var_bound(NodeArena& arena, const DecisionVarBound& bound) {
        return std::visit(overloaded{[&](const Box<Expression>& e) -> Result<TypedId> {
                                         FV_ASSIGN_OR_RETURN(std::uint64_t id, expression(arena, *e));
                                         return TypedId{pb::decision_var::kExpression, id};
                                     },
                                     [&](const Box<Placeholder>& p) -> Result<TypedId> {
                                         return TypedId{pb::decision_var::kPlaceholder,
                                                        placeholder(arena, *p.cell())};
                                     },
                                     [&](const Box<Subscript>& sub) -> Result<TypedId> {
                                         FV_ASSIGN_OR_RETURN(std::uint64_t id, subscript(arena, *sub.cell()));
                                         return TypedId{pb::decision_var::kSubscriptedPlaceholder, id};
                                     }},
                          bound);
    }

    static void bound_field(Writer& w, std::uint32_t field, const TypedId& bound) {
        std::size_t start = w.size();
        w.int32_field(pb::bound::kType, bound.type);
        w.uint64_field(pb::bound::kBoundId, bound.id);
        w.enclose(field, start);
    }

    Result<std::uint64_t> subscript(NodeArena& arena, const Node<Subscript>& cell) {
        DepthGuard guard(depth_);
        const Subscript& s = cell.value;
        return once(arena, cell, [&]() -> Result<std::uint64_t> {
            FV_ASSIGN_OR_RETURN(TypedId variable, subscripted_variable(arena, s.variable));
            IdRun ids(id_stack_);
            for (const Expression& e : s.subscripts) {
                FV_ASSIGN_OR_RETURN(std::uint64_t id, expression(arena, e));
                ids.push_back(id);
            }
            Writer& w = node_body();
            w.uint64_field(pb::subscript::kNdim, s.ndim());
            w.int32_field(pb::subscript::kType, variable.type);
            w.uint64_field(pb::subscript::kVariableId, variable.id);
            w.packed_field(pb::subscript::kSubscriptIds, ids.ids());
            return insert_node(arena, pb::expr_node::kSubscript,
                               std::max(after(variable.id), after(ids.ids())));
        });
    }

    // The variable of a subscript, read in place.
    Result<TypedId> subscripted_variable(NodeArena& arena, const SubscriptVariable& v) {
        const NodeBase& cell = *v.cell();
        if (v.is<Placeholder>())
            return TypedId{pb::subscript::kPlaceholder,
                           placeholder(arena, static_cast<const Node<Placeholder>&>(cell))};
        if (v.is<Element>()) {
            FV_ASSIGN_OR_RETURN(std::uint64_t id, element(arena, static_cast<const Node<Element>&>(cell)));
            return TypedId{pb::subscript::kElement, id};
        }
        if (v.is<DecisionVar>()) {
            FV_ASSIGN_OR_RETURN(std::uint64_t id,
                                decision_var(arena, static_cast<const Node<DecisionVar>&>(cell)));
            return TypedId{pb::subscript::kDecisionVariable, id};
        }
        FV_ASSIGN_OR_RETURN(std::uint64_t id, subscript(arena, static_cast<const Node<Subscript>&>(cell)));
        return TypedId{pb::subscript::kNestedSubscript, id};
    }

    Result<std::uint64_t> array_length(NodeArena& arena, const Node<ArrayLength>& cell) {
        const ArrayLength& a = cell.value;
        return once(arena, cell, [&]() -> Result<std::uint64_t> {
            FV_ASSIGN_OR_RETURN(
                TypedId array,
                std::visit(overloaded{[&](const Box<Placeholder>& p) -> Result<TypedId> {
                                          return TypedId{pb::array_length::kPlaceholder,
                                                         placeholder(arena, *p.cell())};
                                      },
                                      [&](const Box<Element>& e) -> Result<TypedId> {
                                          FV_ASSIGN_OR_RETURN(std::uint64_t id, element(arena, *e.cell()));
                                          return TypedId{pb::array_length::kElement, id};
                                      },
                                      [&](const Box<Subscript>& sub) -> Result<TypedId> {
                                          const Node<Subscript>& s = *sub.cell();
                                          const std::int32_t type =
                                              s.value.variable.is<Placeholder>()
                                                  ? pb::array_length::kSubscriptedPlaceholder
                                              : s.value.variable.is<Element>()
                                                  ? pb::array_length::kSubscriptedElement
                                                  : pb::array_length::kOther;
                                          FV_ASSIGN_OR_RETURN(std::uint64_t id, subscript(arena, s));
                                          return TypedId{type, id};
                                      }},
                           a.array));
            Writer& w = node_body();
            w.int32_field(pb::array_length::kType, array.type);
            w.uint64_field(pb::array_length::kArrayId, array.id);
            w.uint64_field(pb::array_length::kAxis, a.axis);
            return insert_node(arena, pb::expr_node::kArrayLength, after(array.id));
        });
    }

    DepthGuard::State& depth_ = DepthGuard::thread_state();
    Writer scratch_;
    std::vector<std::uint64_t> id_stack_;
    std::vector<std::unique_ptr<CommutativeOp>> normalised_;
};

}  // namespace

Result<pb::Writer> serialize_to_protobuf(const SerializableObject& object) {
    Serializer s;
    return s.header(object);
}

}  // namespace forvela
