#include "protobuf/serializer.hpp"

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "model/expression/expression.hpp"
#include "model/result_macros.hpp"
#include "protobuf/uuid.hpp"
#include "protobuf/wire.hpp"

namespace forvela {

namespace {

using pb::Writer;

constexpr std::uint64_t kVersion = 1;

std::uint64_t hash_bytes(std::string_view s) {
    std::uint64_t h = 0x9e3779b97f4a7c15ULL ^ s.size();
    const char* p = s.data();
    std::size_t n = s.size();
    while (n >= 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        h = (h ^ w) * 0xff51afd7ed558ccdULL;
        h ^= h >> 32;
        p += 8;
        n -= 8;
    }
    std::uint64_t w = 0;
    std::memcpy(&w, p, n);
    // A full final mix: the table indexes by the low bits, and nodes that
    // differ in one varint byte must not land in one cluster.
    h ^= w;
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    return h ^ (h >> 33);
}

// The node table of one Expr or ForallList: nodes in insertion order, each
// distinct encoding stored once, already laid out as the repeated field.
class NodeArena {
public:
    explicit NodeArena(std::uint32_t field) : field_(field) {}

    std::uint64_t insert(std::string_view node) {
        std::uint64_t h = hash_bytes(node);
        if (nodes_.size() * 2 >= slots_.size()) grow();
        std::size_t mask = slots_.size() - 1;
        for (std::size_t i = h & mask;; i = (i + 1) & mask) {
            std::uint32_t s = slots_[i];
            if (s == 0) {
                slots_[i] = static_cast<std::uint32_t>(nodes_.size() + 1);
                break;
            }
            const Entry& e = nodes_[s - 1];
            if (e.hash == h && std::string_view(out_.bytes()).substr(e.offset, e.len) == node)
                return s - 1;
        }
        out_.key(field_, pb::kLengthDelimited);
        out_.varint(node.size());
        nodes_.push_back(Entry{out_.size(), node.size(), h});
        out_.bytes().append(node);
        return nodes_.size() - 1;
    }

    // The id already written for a shared cell, if any.
    const std::uint64_t* find_cell(const void* cell) const {
        if (cells_.empty()) return nullptr;
        const std::size_t mask = cells_.size() - 1;
        for (std::size_t i = cell_slot(cell, mask);; i = (i + 1) & mask) {
            const CellId& c = cells_[i];
            if (c.cell == cell) return &c.id;
            if (!c.cell) return nullptr;
        }
    }
    void remember_cell(const void* cell, std::uint64_t id) {
        if ((cell_count_ + 1) * 2 > cells_.size()) grow_cells();
        place_cell(CellId{cell, id});
        ++cell_count_;
    }

    const std::string& bytes() const { return out_.bytes(); }

private:
    struct Entry {
        std::size_t offset;
        std::size_t len;
        std::uint64_t hash;
    };
    void grow() {
        std::size_t size = slots_.empty() ? 64 : slots_.size() * 2;
        slots_.assign(size, 0);
        for (std::size_t k = 0; k < nodes_.size(); ++k) {
            std::size_t i = nodes_[k].hash & (size - 1);
            while (slots_[i] != 0) i = (i + 1) & (size - 1);
            slots_[i] = static_cast<std::uint32_t>(k + 1);
        }
    }
    std::uint32_t field_;
    Writer out_;
    std::vector<Entry> nodes_;
    std::vector<std::uint32_t> slots_;

    // Shared cells already written, in an open-addressed table of at most
    // half load: one probe into one flat array per lookup.
    struct CellId {
        const void* cell = nullptr;
        std::uint64_t id = 0;
    };
    static std::size_t cell_slot(const void* cell, std::size_t mask) {
        return static_cast<std::size_t>((reinterpret_cast<std::uintptr_t>(cell) * 0x9e3779b97f4a7c15ULL) >> 32) & mask;
    }
    void place_cell(CellId c) {
        const std::size_t mask = cells_.size() - 1;
        std::size_t i = cell_slot(c.cell, mask);
        while (cells_[i].cell) i = (i + 1) & mask;
        cells_[i] = c;
    }
    void grow_cells() {
        std::vector<CellId> old = std::exchange(cells_, std::vector<CellId>(cells_.empty() ? 64 : cells_.size() * 2));
        for (const CellId& c : old)
            if (c.cell) place_cell(c);
    }
    std::vector<CellId> cells_;
    std::size_t cell_count_ = 0;
};

// An ExprNode holding one member message.
std::uint64_t insert_node(NodeArena& arena, std::uint32_t member, const Writer& body) {
    Writer node;
    node.bytes_field(member, body.bytes());
    return arena.insert(node.bytes());
}

enum Member : std::uint32_t {
    kNumberLit = 1,
    kPlaceholder = 2,
    kDecisionVar = 3,
    kArrayLength = 4,
    kUnaryOp = 5,
    kBinaryOp = 6,
    kCommutativeOp = 7,
    kElement = 8,
    kSubscript = 9,
    kReductionOp = 10,
};

std::int32_t unary_code(UnaryOpKind kind) {
    switch (kind) {
        case UnaryOpKind::Abs: return 1;
        case UnaryOpKind::Ceil: return 2;
        case UnaryOpKind::Floor: return 3;
        case UnaryOpKind::Log2: return 4;
        case UnaryOpKind::Log10: return 5;
        case UnaryOpKind::Ln: return 6;
    }
    return 0;
}

Error serialization_error(std::string message) {
    return Error{ErrorKind::ProtobufSerializationError, std::move(message)};
}

class Serializer {
public:
    Result<std::string> header(const SerializableObject& object) {
        Writer w;
        w.string_field(1, pb::new_uuid_v4());
        w.uint64_field(2, kVersion);
        switch (object.index()) {
            case 0: {
                FV_ASSIGN_OR_RETURN(std::string body, problem(std::get<0>(object)));
                w.bytes_field(3, body);
                break;
            }
            case 1: {
                FV_ASSIGN_OR_RETURN(std::string body, constraint(std::get<1>(object)));
                w.bytes_field(4, body);
                break;
            }
            case 2: {
                FV_ASSIGN_OR_RETURN(std::string body, penalty_term(std::get<2>(object)));
                w.bytes_field(5, body);
                break;
            }
            case 3: {
                FV_ASSIGN_OR_RETURN(std::string body, expr_message(std::get<3>(object)));
                w.bytes_field(6, body);
                break;
            }
            default: {
                NodeArena arena(3);
                FV_ASSIGN_OR_RETURN(std::uint64_t root, condition(arena, std::get<4>(object)));
                w.bytes_field(6, expr_body(arena, root));
                break;
            }
        }
        if (w.size() > 0x7fffffffu)
            return std::unexpected(serialization_error(
                "failed to encode the Problem because the encoded message would be larger than 2 GiB."));
        return std::move(w.bytes());
    }

private:
    Result<std::string> problem(const Problem& p) {
        Writer w;
        w.string_field(1, pb::new_uuid_v4());
        w.string_field(2, p.name);
        w.int32_field(3, static_cast<std::int32_t>(p.sense) + 1);
        FV_ASSIGN_OR_RETURN(std::string objective, expr_message(p.objective));
        w.bytes_field(4, objective);
        for (const auto& [name, c] : p.constraints) {
            FV_ASSIGN_OR_RETURN(std::string value, constraint(c));
            map_entry(w, 5, name, value);
        }
        for (const auto& [name, t] : p.custom_penalty_terms) {
            FV_ASSIGN_OR_RETURN(std::string value, penalty_term(t));
            map_entry(w, 6, name, value);
        }
        return std::move(w.bytes());
    }

    // An entry leaves out an empty key and a default (empty) value.
    static void map_entry(Writer& w, std::uint32_t field, std::string_view key, std::string_view value) {
        Writer entry;
        entry.string_field(1, key);
        if (!value.empty()) entry.bytes_field(2, value);
        w.bytes_field(field, entry.bytes());
    }

    Result<std::string> constraint(const Constraint& c) {
        Writer w;
        w.string_field(1, pb::new_uuid_v4());
        w.string_field(2, c.name);
        w.int32_field(3, static_cast<std::int32_t>(c.sense) + 1);
        FV_ASSIGN_OR_RETURN(std::string left, expr_message(c.left));
        w.bytes_field(4, left);
        FV_ASSIGN_OR_RETURN(std::string right, expr_message(c.right));
        w.bytes_field(5, right);
        FV_ASSIGN_OR_RETURN(std::string forall, forall_list(c.forall));
        w.bytes_field(6, forall);
        return std::move(w.bytes());
    }

    Result<std::string> penalty_term(const CustomPenaltyTerm& t) {
        Writer w;
        w.string_field(1, pb::new_uuid_v4());
        w.string_field(2, t.name);
        FV_ASSIGN_OR_RETURN(std::string term, expr_message(t.expression));
        w.bytes_field(3, term);
        FV_ASSIGN_OR_RETURN(std::string forall, forall_list(t.forall));
        w.bytes_field(4, forall);
        return std::move(w.bytes());
    }

    Result<std::string> expr_message(const Expression& e) {
        NodeArena arena(3);
        FV_ASSIGN_OR_RETURN(std::uint64_t root, expression(arena, e));
        return expr_body(arena, root);
    }

    static std::string expr_body(const NodeArena& arena, std::uint64_t root) {
        Writer w;
        w.string_field(1, pb::new_uuid_v4());
        w.uint64_field(2, root);
        w.bytes().append(arena.bytes());
        return std::move(w.bytes());
    }

    Result<std::string> forall_list(const ForallList& list) {
        NodeArena arena(2);
        Writer w;
        for (const ForallIndex& entry : list) {
            FV_ASSIGN_OR_RETURN(std::string index_bytes,
                                index(arena, *entry.element, entry.condition ? &*entry.condition : nullptr));
            w.bytes_field(1, index_bytes);
        }
        w.bytes().append(arena.bytes());
        return std::move(w.bytes());
    }

    // An Index message: the element's id and the condition's, if any.
    Result<std::string> index(NodeArena& arena, const Element& element, const ConditionalExpr* cond) {
        FV_ASSIGN_OR_RETURN(std::uint64_t element_id, this->element(arena, element));
        Writer w;
        w.uint64_field(1, element_id);
        if (cond) {
            FV_ASSIGN_OR_RETURN(std::uint64_t condition_id, condition(arena, *cond));
            w.optional_uint64_field(2, condition_id);
        }
        return std::move(w.bytes());
    }

    // Writes a shared cell once per table, whatever number of parents it has.
    template <class Fn>
    Result<std::uint64_t> once(NodeArena& arena, const void* cell, Fn&& write) {
        if (const std::uint64_t* id = arena.find_cell(cell)) return *id;
        FV_ASSIGN_OR_RETURN(std::uint64_t id, write());
        arena.remember_cell(cell, id);
        return id;
    }

    Result<std::uint64_t> expression(NodeArena& arena, const Expression& e) {
        DepthGuard guard;
        switch (e.kind()) {
            case ExprKind::NumberLit: return number_lit(arena, e.as<NumericValue>());
            case ExprKind::Placeholder: return placeholder(arena, e.as<Placeholder>());
            case ExprKind::Element: return element(arena, e.as<Element>());
            case ExprKind::DecisionVar: return decision_var(arena, e.as<DecisionVar>());
            case ExprKind::Subscript: return subscript(arena, e.as<Subscript>());
            case ExprKind::ArrayLength: return array_length(arena, e.as<ArrayLength>());
            case ExprKind::UnaryOp: {
                const UnaryOp& op = e.as<UnaryOp>();
                return once(arena, &op, [&]() -> Result<std::uint64_t> {
                    FV_ASSIGN_OR_RETURN(std::uint64_t operand, expression(arena, *op.operand));
                    Writer w;
                    w.int32_field(1, unary_code(op.kind));
                    w.uint64_field(2, operand);
                    return insert_node(arena, kUnaryOp, w);
                });
            }
            case ExprKind::BinaryOp: {
                const BinaryOp& op = e.as<BinaryOp>();
                return once(arena, &op, [&]() -> Result<std::uint64_t> {
                    FV_ASSIGN_OR_RETURN(std::uint64_t left, expression(arena, *op.left));
                    FV_ASSIGN_OR_RETURN(std::uint64_t right, expression(arena, *op.right));
                    Writer w;
                    w.int32_field(1, static_cast<std::int32_t>(op.kind) + 1);
                    w.uint64_field(2, left);
                    w.uint64_field(3, right);
                    return insert_node(arena, kBinaryOp, w);
                });
            }
            case ExprKind::CommutativeOp: {
                const CommutativeOp& op = e.as<CommutativeOp>();
                return once(arena, &op, [&]() { return commutative_op(arena, op); });
            }
            case ExprKind::ReductionOp: {
                const ReductionOp& op = e.as<ReductionOp>();
                return once(arena, &op, [&]() -> Result<std::uint64_t> {
                    FV_ASSIGN_OR_RETURN(std::string index_bytes,
                                        index(arena, *op.index, op.condition ? &**op.condition : nullptr));
                    FV_ASSIGN_OR_RETURN(std::uint64_t operand, expression(arena, *op.operand));
                    Writer w;
                    w.int32_field(1, static_cast<std::int32_t>(op.kind) + 1);
                    w.bytes_field(2, index_bytes);
                    w.uint64_field(3, operand);
                    return insert_node(arena, kReductionOp, w);
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
        std::vector<std::uint64_t> ids;
        ids.reserve(op.terms.size());
        for (const Expression& t : op.terms) {
            FV_ASSIGN_OR_RETURN(std::uint64_t id, expression(arena, t));
            ids.push_back(id);
        }
        Writer w;
        w.int32_field(1, static_cast<std::int32_t>(op.kind) + 1);
        w.packed_field(2, ids);
        return insert_node(arena, kCommutativeOp, w);
    }

    Result<std::uint64_t> condition(NodeArena& arena, const ConditionalExpr& c) {
        DepthGuard guard;
        if (c.is_comparison()) {
            const ComparisonOp& op = c.as<ComparisonOp>();
            return once(arena, &op, [&]() -> Result<std::uint64_t> {
                FV_ASSIGN_OR_RETURN(std::uint64_t left, expression(arena, *op.left));
                FV_ASSIGN_OR_RETURN(std::uint64_t right, expression(arena, *op.right));
                Writer w;
                w.int32_field(1, static_cast<std::int32_t>(op.kind) + 3);
                w.uint64_field(2, left);
                w.uint64_field(3, right);
                return insert_node(arena, kBinaryOp, w);
            });
        }
        const LogicalOp& op = c.as<LogicalOp>();
        return once(arena, &op, [&]() -> Result<std::uint64_t> {
            std::vector<std::uint64_t> ids;
            ids.reserve(op.terms.size());
            for (const ConditionalExpr& t : op.terms) {
                FV_ASSIGN_OR_RETURN(std::uint64_t id, condition(arena, t));
                ids.push_back(id);
            }
            Writer w;
            w.int32_field(1, static_cast<std::int32_t>(op.kind) + 5);
            w.packed_field(2, ids);
            return insert_node(arena, kCommutativeOp, w);
        });
    }

    static std::uint64_t number_lit(NodeArena& arena, const NumericValue& v) {
        Writer w;
        std::uint64_t bits;
        if (v.is_integer()) {
            w.int32_field(1, 2);
            bits = static_cast<std::uint64_t>(v.integer);
        } else {
            w.int32_field(1, 1);
            bits = std::bit_cast<std::uint64_t>(v.floating);
        }
        w.uint64_field(2, bits);
        return insert_node(arena, kNumberLit, w);
    }

    static std::uint64_t placeholder(NodeArena& arena, const Placeholder& p) {
        Writer w;
        w.string_field(1, p.name);
        w.uint64_field(2, p.ndim);
        return insert_node(arena, kPlaceholder, w);
    }

    Result<std::uint64_t> element(NodeArena& arena, const Element& e) {
        DepthGuard guard;
        return once(arena, &e, [&]() -> Result<std::uint64_t> {
            Writer set;  // the belong_to member, as its field
            switch (e.belong_to.index()) {
                case 0: {
                    const Range& r = std::get<0>(e.belong_to);
                    FV_ASSIGN_OR_RETURN(std::uint64_t start, expression(arena, *r.start));
                    FV_ASSIGN_OR_RETURN(std::uint64_t end, expression(arena, *r.end));
                    Writer range;
                    range.uint64_field(1, start);
                    range.uint64_field(2, end);
                    set.bytes_field(4, range.bytes());
                    break;
                }
                case 1: {
                    std::uint64_t id = placeholder(arena, *std::get<1>(e.belong_to));
                    bound_member(set, 1, id);
                    break;
                }
                case 2: {
                    FV_ASSIGN_OR_RETURN(std::uint64_t id, element(arena, *std::get<2>(e.belong_to)));
                    bound_member(set, 2, id);
                    break;
                }
                default: {
                    const Subscript& s = *std::get<3>(e.belong_to);
                    std::int32_t type;
                    if (s.variable.index() == 0)
                        type = 3;
                    else if (s.variable.index() == 1)
                        type = 4;
                    else
                        return std::unexpected(serialization_error(
                            "failed to encode the element " + e.name +
                            " because its set is a subscripted decision variable; only a subscripted "
                            "placeholder or element can be the set of an element."));
                    FV_ASSIGN_OR_RETURN(std::uint64_t id, subscript(arena, s));
                    bound_member(set, type, id);
                    break;
                }
            }
            Writer w;
            w.string_field(1, e.name);
            w.uint64_field(2, e.ndim);
            w.bytes().append(set.bytes());
            return insert_node(arena, kElement, w);
        });
    }

    static void bound_member(Writer& out, std::int32_t type, std::uint64_t id) {
        Writer bound;
        bound.int32_field(1, type);
        bound.uint64_field(2, id);
        out.bytes_field(3, bound.bytes());
    }

    Result<std::uint64_t> decision_var(NodeArena& arena, const DecisionVar& v) {
        return once(arena, &v, [&]() -> Result<std::uint64_t> {
            std::vector<std::uint64_t> shape;
            shape.reserve(v.shape.size());
            for (const Expression& s : v.shape) {
                FV_ASSIGN_OR_RETURN(std::uint64_t id, expression(arena, s));
                shape.push_back(id);
            }
            Writer bounds;
            if (v.kind != DecisionVarKind::Binary) {
                FV_TRY(decision_var_bound(arena, bounds, 4, v.lower_bound));
                FV_TRY(decision_var_bound(arena, bounds, 5, v.upper_bound));
            }
            Writer w;
            w.int32_field(1, static_cast<std::int32_t>(v.kind) + 1);
            w.string_field(2, v.name);
            w.packed_field(3, shape);
            w.bytes().append(bounds.bytes());
            return insert_node(arena, kDecisionVar, w);
        });
    }

    Result<void> decision_var_bound(NodeArena& arena, Writer& out, std::uint32_t field,
                                    const DecisionVarBound& bound) {
        std::int32_t type;
        std::uint64_t id;
        switch (bound.index()) {
            case 0: {
                type = 1;
                FV_ASSIGN_OR_RETURN(id, expression(arena, *std::get<0>(bound)));
                break;
            }
            case 1:
                type = 2;
                id = placeholder(arena, *std::get<1>(bound));
                break;
            default: {
                type = 3;
                FV_ASSIGN_OR_RETURN(id, subscript(arena, *std::get<2>(bound)));
                break;
            }
        }
        Writer w;
        w.int32_field(1, type);
        w.uint64_field(2, id);
        out.bytes_field(field, w.bytes());
        return {};
    }

    Result<std::uint64_t> subscript(NodeArena& arena, const Subscript& s) {
        DepthGuard guard;
        return once(arena, &s, [&]() -> Result<std::uint64_t> {
            std::int32_t type;
            std::uint64_t variable;
            switch (s.variable.index()) {
                case 0:
                    type = 1;
                    variable = placeholder(arena, *std::get<0>(s.variable));
                    break;
                case 1: {
                    type = 2;
                    FV_ASSIGN_OR_RETURN(variable, element(arena, *std::get<1>(s.variable)));
                    break;
                }
                case 2: {
                    type = 3;
                    FV_ASSIGN_OR_RETURN(variable, decision_var(arena, *std::get<2>(s.variable)));
                    break;
                }
                default: {
                    type = 0;
                    FV_ASSIGN_OR_RETURN(variable, subscript(arena, *std::get<3>(s.variable)));
                    break;
                }
            }
            std::vector<std::uint64_t> ids;
            ids.reserve(s.subscripts.size());
            for (const Expression& e : s.subscripts) {
                FV_ASSIGN_OR_RETURN(std::uint64_t id, expression(arena, e));
                ids.push_back(id);
            }
            Writer w;
            w.uint64_field(1, s.ndim);
            w.int32_field(2, type);
            w.uint64_field(3, variable);
            w.packed_field(4, ids);
            return insert_node(arena, kSubscript, w);
        });
    }

    Result<std::uint64_t> array_length(NodeArena& arena, const ArrayLength& a) {
        std::int32_t type;
        std::uint64_t array;
        switch (a.array.index()) {
            case 0:
                type = 1;
                array = placeholder(arena, *std::get<0>(a.array));
                break;
            case 1: {
                type = 2;
                FV_ASSIGN_OR_RETURN(array, element(arena, *std::get<1>(a.array)));
                break;
            }
            default: {
                const Subscript& s = *std::get<2>(a.array);
                type = s.variable.index() == 0 ? 3 : s.variable.index() == 1 ? 4 : 0;
                FV_ASSIGN_OR_RETURN(array, subscript(arena, s));
                break;
            }
        }
        Writer w;
        w.int32_field(1, type);
        w.uint64_field(2, array);
        w.uint64_field(3, a.axis);
        return insert_node(arena, kArrayLength, w);
    }

    std::vector<std::unique_ptr<CommutativeOp>> normalised_;
};

}  // namespace

Result<std::string> serialize_to_protobuf(const SerializableObject& object) {
    Serializer s;
    return s.header(object);
}

}  // namespace forvela
