#include "protobuf/deserializer.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <new>
#include <iterator>
#include <memory>
#include <span>

#include "model/expression/expression.hpp"
#include "model/expression/operand/array_length.hpp"
#include "model/expression/operand/decision_var/decision_var.hpp"
#include "model/expression/operand/element.hpp"
#include "model/expression/operand/range.hpp"
#include "model/expression/operand/placeholder.hpp"
#include "model/expression/operand/subscript.hpp"
#include "model/expression/operator/reduction_op.hpp"
#include "model/expression/operator/unary_op.hpp"
#include "model/memory.hpp"
#include "model/overloaded.hpp"
#include "model/problem/forall_list.hpp"
#include "model/result_macros.hpp"
#include "protobuf/codes.hpp"
#include "protobuf/messages.hpp"
#include "protobuf/schema.hpp"

namespace forvela {

namespace {

std::unexpected<Error> decoding_error(std::string message) {
    return fail(ErrorKind::ProtobufDeserializationError, std::move(message));
}

constexpr const char* kNoValidMessage =
    "failed to decode the input buffer because it did not contain valid Protobuf message";
constexpr const char* kInvalidRoot =
    "failed to decode the input buffer because it contained the invalid ID of an expression node.";
constexpr const char* kCycle =
    "failed to decode the input buffer because it contained a cycle of expression node ids.";
constexpr const char* kTooDeep =
    "failed to decode the input buffer because its expression nodes are nested too deeply.";

// What both readers of a table make of a node alike.

// The number of a literal; none for a type of number the format lacks.
std::optional<NumericValue> literal_value(const pb::NumberLit& n) {
    if (n.type == pb::number_lit::kFloat) return NumericValue::of_float(std::bit_cast<double>(n.value));
    if (n.type == pb::number_lit::kInteger)
        return NumericValue::of_integer(static_cast<std::int64_t>(n.value));
    return std::nullopt;
}

Box<Placeholder> placeholder_value(const pb::Placeholder& p) {
    return Box<Placeholder>(Placeholder{std::string(p.name), p.ndim, std::nullopt, std::nullopt});
}

// A sum, product, minimum or maximum: of a short list's items (moved out),
// or of a long list, which a sum or product keeps as it is where it can.
Expression commutative_value(CommutativeOpKind kind, std::vector<Expression> terms) {
    switch (kind) {
        case CommutativeOpKind::Add: return make_add_op(std::move(terms));
        case CommutativeOpKind::Mul: return make_mul_op(std::move(terms));
        case CommutativeOpKind::Min:
        case CommutativeOpKind::Max: break;
    }
    return Expression(CommutativeOp{std::nullopt, TermList(std::move(terms)), kind});
}

Expression commutative_value(CommutativeOpKind kind, std::span<Expression> terms) {
    switch (kind) {
        case CommutativeOpKind::Add: return make_add_op(terms);
        case CommutativeOpKind::Mul: return make_mul_op(terms);
        case CommutativeOpKind::Min:
        case CommutativeOpKind::Max: break;
    }
    return commutative_value(kind, std::vector<Expression>(std::make_move_iterator(terms.begin()),
                                                           std::make_move_iterator(terms.end())));
}

// The subscript by `indices` (moved out) of a placeholder or decision
// variable of `ndim` dimensions, with the checks of the walk's
// build_subscript but none of its conversions; none where a check refuses.
// For the quick readings, whose refusals only hand the table to the walk.
template <class T>
std::optional<Box<Subscript>> plain_subscript(Box<T> variable, std::uint64_t ndim,
                                              std::span<Expression> indices) {
    if (indices.empty() || indices.size() > ndim) return std::nullopt;
    for (const Expression& e : indices)
        if (contains_decision_var(e)) return std::nullopt;
    return Box<Subscript>(
        Subscript{SubscriptVariable(SubscriptedVariable(std::move(variable))), ExprList::take_from(indices)});
}

// Decodes the nodes of one table. Every node is built once per way of
// reading it (as an expression, a condition, an element, a decision
// variable, a subscript), and that one value is shared by all its parents:
// the cost is linear in the table, however large the tree it stands for.
// The walk needs no stack per level: a work stack of nodes whose children
// are being built replaces recursion, and each node is built once its
// children are. A reference back to a node on that stack is a cycle, and a
// node nested deeper than the writer would walk is refused.
//
// The writer stores every node after the nodes it names, so the first value
// asked of a table is built in two sweeps instead: one down from the root
// marks every node with the ways it is read, one up builds them, children
// first. Anything else (a node naming one after it, a failure of any kind)
// drops what the sweeps built and takes the work stack from the start, so
// that results and errors are those of the one walk.
class TableDecoder {
public:
    // `one_value`: the table is asked for one value, and read once: the
    // sweeps may hand every value over to its last reader.
    TableDecoder(const pb::NodeTable& nodes, bool one_value) : nodes_(nodes), one_value_(one_value) {}

    std::uint64_t size() const { return nodes_.size(); }

    Result<Expression> expression_at(std::uint64_t id, const char* text) {
        if (id >= nodes_.size()) return decoding_error(text);
        return expression(id);
    }
    Result<ConditionalExpr> condition_at(std::uint64_t id, const char* text) {
        if (id >= nodes_.size()) return decoding_error(text);
        return condition(id);
    }

    Result<Expression> expression(std::uint64_t i) {
        if (!built(kAsExpression, i)) FV_TRY(build(kAsExpression, i));
        Slot& s = slots_[i];
        if (handing_over_) {
            FV_TRY(count_read(s.readers));
            if (s.readers == 0) return std::move(s.expression);
        }
        return s.expression;
    }

    Result<ConditionalExpr> condition(std::uint64_t i) {
        if (!built(kAsCondition, i)) FV_TRY(build(kAsCondition, i));
        return *conditions_[i];
    }

    Result<ForallIndex> index(const pb::Index& index) {
        if (index.element_id >= nodes_.size())
            return decoding_error("the Expression message does not contain the id of the index");
        if (member(index.element_id) != pb::expr_node::kElement)
            return decoding_error(
                "failed to decode the input buffer because it did not contain valid Index Protobuf message");
        FV_ASSIGN_OR_RETURN(Box<Element> element, element_node(index.element_id));
        std::optional<ConditionalExpr> cond;
        if (index.condition_id) {
            FV_ASSIGN_OR_RETURN(
                cond, condition_at(*index.condition_id,
                                   "the Expression message did not contain the id of the condition"));
        }
        return ForallIndex{std::move(element), std::move(cond)};
    }

private:
    enum Mode : std::uint8_t { kAsExpression, kAsCondition, kAsElement, kAsVariable, kAsSubscript };

    static std::uint8_t bit(Mode mode) { return static_cast<std::uint8_t>(1u << mode); }

    // What is kept of one node: its value as an expression; the cell of its
    // value read as the one operand its member can be (an element, a decision
    // variable, a subscript) or of its placeholder; the depth of each, and
    // of its condition (its other reading, for the members a condition can
    // be); one bit per mode for being built, and for being on the work stack
    // (for the walk) or read (for the sweeps); the reads of the expression and
    // of the operand still to come, while the sweeps hand values over.
    struct Slot {
        Expression expression{NumericValue{}};
        NodeBase* cell = nullptr;  // one reference
        std::uint16_t depth = 0;
        std::uint16_t other_depth = 0;
        std::uint8_t built = 0;
        std::uint8_t marks = 0;
        std::uint8_t readers = 0;
        std::uint8_t operand_readers = 0;

        Slot() = default;
        Slot(const Slot&) = delete;
        Slot& operator=(const Slot&) = delete;
        ~Slot() {
            if (cell) release_node(cell);
        }
    };
    static_assert(DepthGuard::kLimit <= 0xffff, "a depth fits in a slot");
    static_assert(sizeof(Slot) == 32);

    // A count of reads that stays at kMany once there: those values are
    // shared, never handed over.
    static constexpr std::uint8_t kMany = 0xff;
    static void count_reader(std::uint8_t& readers) {
        if (readers != kMany) ++readers;
    }
    // One read of a value while the sweeps hand values over; a read past the
    // count (none should come) fails the sweeps.
    static Result<void> count_read(std::uint8_t& readers) {
        if (readers == 0) return decoding_error(kNoValidMessage);
        if (readers != kMany) --readers;
        return {};
    }

    // The operand of node i, a T: handed over to its last reader.
    template <class T>
    Result<Box<T>> operand(Mode mode, std::uint64_t i) {
        if (!built(mode, i)) FV_TRY(build(mode, i));
        Slot& s = slots_[i];
        if (handing_over_) {
            FV_TRY(count_read(s.operand_readers));
            if (s.operand_readers == 0)
                return Box<T>::adopt(static_cast<Node<T>*>(std::exchange(s.cell, nullptr)));
        }
        return share<T>(i);
    }

    Slot* slots() {
        if (slots_.size() != nodes_.size()) {
            // A table of tiny nodes asks for many times its bytes here.
            if (!fits_in_memory(nodes_.size(), sizeof(Slot))) throw std::bad_alloc();
            slots_ = LargeVector<Slot>(nodes_.size());
        }
        return slots_.data();
    }
    bool built(Mode mode, std::uint64_t i) { return slots()[i].built & bit(mode); }

    std::uint32_t depth_of(Mode mode, std::uint64_t i) const {
        return mode == kAsExpression ? slots_[i].depth : slots_[i].other_depth;
    }

    // The slots of a long list's nodes lie far apart: each is fetched a few
    // reads ahead.
    void prefetch_ahead(std::span<const std::uint32_t> ids, std::size_t k) const {
        constexpr std::size_t kAhead = 8;
        if (!slots_.empty() && k + kAhead < ids.size() && ids[k + kAhead] < nodes_.size())
            __builtin_prefetch(&slots_[ids[k + kAhead]]);
    }

    template <class T>
    Box<T> share(std::uint64_t i) const {
        return Box<T>::share(static_cast<Node<T>*>(slots_[i].cell));
    }

    // The values of one node's repeated field: a short list read onto the
    // end of `scratch_` (above it, the values of any walk that reading them
    // starts) and dropped from there when the node is built; a longer one
    // into a vector of its own, which the node may keep.
    class Scratch {
    public:
        Scratch(std::vector<Expression>& stack, std::size_t count)
            : stack_(stack), base_(stack.size()), owns_(count > kShort) {
            if (owns_) own_.reserve(count);
        }
        Scratch(const Scratch&) = delete;
        Scratch& operator=(const Scratch&) = delete;
        ~Scratch() {
            if (!owns_) stack_.erase(stack_.begin() + static_cast<std::ptrdiff_t>(base_), stack_.end());
        }

        bool owns() const { return owns_; }
        void push_back(Expression e) { (owns_ ? own_ : stack_).push_back(std::move(e)); }
        std::span<Expression> items() {
            return owns_ ? std::span<Expression>(own_)
                         : std::span<Expression>(stack_.data() + base_, stack_.size() - base_);
        }
        std::vector<Expression> take() {
            if (owns_) return std::move(own_);
            std::span<Expression> all = items();
            return {std::make_move_iterator(all.begin()), std::make_move_iterator(all.end())};
        }

    private:
        static constexpr std::size_t kShort = 2;
        std::vector<Expression>& stack_;
        std::size_t base_;
        bool owns_;
        std::vector<Expression> own_;
    };

    // Forgets every node built.
    void reset() {
        slots_ = LargeVector<Slot>();
        depths_known_ = true;
        handing_over_ = false;
        conditions_.clear();
        frames_.clear();
        pending_.clear();
    }

    // Builds node `root` in `mode` and every node it needs: by the sweeps
    // for the first value asked of the table, else (or when they fail) by
    // the walk.
    Result<void> build(Mode mode, std::uint64_t root) {
        // A node the sweeps did not mark (none should be) fails them.
        if (sweeping_) return decoding_error(kNoValidMessage);
        if (!swept_) {
            swept_ = true;
            sweeping_ = true;
            const bool swept = sweep(mode, root);
            sweeping_ = false;
            if (swept) return {};
            reset();
        } else if (handing_over_) {
            reset();  // values were handed over: build anew
        }
        return build_all(mode, root);
    }

    // The levels a node in `mode` adds to the depth of those above it: a
    // decision variable is one level with the expression node that holds it,
    // as the writer's walk counts it.
    static std::uint32_t level(Mode mode) { return mode == kAsVariable ? 0 : 1; }

    // Whether the sweeps built node `root` in `mode`, every node that it
    // reads named before it. The sweep down keeps in each node's depths the
    // levels above it on the longest way from the root: no node is too deep
    // when no way is. The depths themselves are worked out when a walk needs
    // them.
    bool sweep(Mode mode, std::uint64_t root) {
        try {
            DepthGuard guard;
            Slot* s = slots();
            handing_over_ = one_value_;
            s[root].marks = bit(mode);
            count_reader(mode == kAsExpression ? s[root].readers : s[root].operand_readers);
            for (std::uint64_t i = root + 1; i-- > 0;) {
                if (!s[i].marks) continue;
                bool ordered = true;
                auto mark = [&](Mode from) {
                    const std::uint32_t above = depth_of(from, i) + level(from);
                    ordered = above <= static_cast<std::uint32_t>(DepthGuard::kLimit);
                    return [&, from, above](std::uint64_t id, Mode m) {
                        ordered = id < i || (id == i && from == kAsExpression && m != kAsExpression);
                        if (!ordered) return false;
                        Slot& c = s[id];
                        c.marks |= bit(m);
                        if (m != kAsCondition)
                            count_reader(m == kAsExpression ? c.readers : c.operand_readers);
                        std::uint16_t& d = m == kAsExpression ? c.depth : c.other_depth;
                        d = std::max(d, static_cast<std::uint16_t>(above));
                        return true;
                    };
                };
                // An operand read as an expression is first read as itself.
                if (s[i].marks & bit(kAsExpression)) {
                    auto child = mark(kAsExpression);
                    if (ordered) children(kAsExpression, i, child);
                }
                for (Mode m : {kAsCondition, kAsElement, kAsVariable, kAsSubscript}) {
                    if (!ordered || !(s[i].marks & bit(m))) continue;
                    auto child = mark(m);
                    if (ordered) children(m, i, child);
                }
                if (!ordered) return false;
            }
            depths_known_ = false;
            for (std::uint64_t i = 0; i <= root; ++i) {
                const std::uint8_t read = std::exchange(s[i].marks, 0);
                if (!read) continue;
                for (Mode m : {kAsCondition, kAsElement, kAsVariable, kAsSubscript, kAsExpression})
                    if ((read & bit(m)) && !make(m, i)) return false;
            }
            return true;
        } catch (const DepthExceeded&) {
            return false;
        }
    }

    // The depth of every node built, children first, for a walk after the
    // sweeps.
    void work_out_depths() {
        depths_known_ = true;
        Slot* s = slots_.data();
        for (std::uint64_t i = 0; i < nodes_.size(); ++i) {
            if (!s[i].built) continue;
            for (Mode m : {kAsCondition, kAsElement, kAsVariable, kAsSubscript, kAsExpression}) {
                if (!(s[i].built & bit(m))) continue;
                std::uint32_t below = 0;
                children(m, i, [&](std::uint64_t id, Mode c) {
                    below = std::max(below, depth_of(c, id));
                    return true;
                });
                set_depth(m, i, below + level(m));
            }
        }
    }

    void set_depth(Mode mode, std::uint64_t i, std::uint32_t depth) {
        (mode == kAsExpression ? slots_[i].depth : slots_[i].other_depth) = static_cast<std::uint16_t>(depth);
    }

    // A node of the work stack: its children to build are the entries of
    // `pending_` from `next` on, up to the next frame's.
    struct Frame {
        std::uint64_t id;
        std::size_t begin;
        std::size_t next;
        Mode mode;
    };
    struct Child {
        std::uint64_t id;
        Mode mode;
    };

    // Builds node `root` in `mode` after every node it needs, children
    // first. A build that reads a node not built yet (none should) starts
    // a walk of its own, one level deeper.
    Result<void> build_all(Mode mode, std::uint64_t root) {
        DepthGuard guard;
        Slot* s = slots();
        if (!depths_known_) work_out_depths();
        const std::size_t base_frames = frames_.size(), base_pending = pending_.size();
        auto unwind = [&] {
            for (std::size_t k = base_frames; k < frames_.size(); ++k)
                s[frames_[k].id].marks &= static_cast<std::uint8_t>(~bit(frames_[k].mode));
            frames_.resize(base_frames);
            pending_.resize(base_pending);
        };
        auto push = [&](Mode m, std::uint64_t i) {
            s[i].marks |= bit(m);
            std::size_t begin = pending_.size();
            children(m, i, [&](std::uint64_t id, Mode c) {
                pending_.push_back(Child{id, c});
                return true;
            });
            frames_.push_back(Frame{i, begin, begin, m});
        };
        if (s[root].marks & bit(mode)) return decoding_error(kCycle);
        push(mode, root);
        while (frames_.size() > base_frames) {
            Frame& top = frames_.back();
            if (top.next < pending_.size()) {
                Child c = pending_[top.next++];
                if (s[c.id].built & bit(c.mode)) continue;
                if (s[c.id].marks & bit(c.mode)) {
                    unwind();
                    return decoding_error(kCycle);
                }
                push(c.mode, c.id);
                continue;
            }
            Frame done = top;
            std::uint32_t below = 0;
            for (std::size_t k = done.begin; k < pending_.size(); ++k)
                below = std::max(below, depth_of(pending_[k].mode, pending_[k].id));
            const std::uint32_t depth = below + level(done.mode);
            if (depth > static_cast<std::uint32_t>(DepthGuard::kLimit)) {
                unwind();
                return decoding_error(kTooDeep);
            }
            frames_.pop_back();
            pending_.resize(done.begin);
            s[done.id].marks &= static_cast<std::uint8_t>(~bit(done.mode));
            Result<void> made = make(done.mode, done.id);
            if (!made) {
                unwind();
                return made;
            }
            set_depth(done.mode, done.id, depth);
        }
        return {};
    }

    // Builds one node whose children are built, and keeps it.
    Result<void> make(Mode mode, std::uint64_t i) {
        switch (mode) {
            case kAsExpression: {
                FV_ASSIGN_OR_RETURN(Expression e, build_expression(i));
                slots_[i].expression = std::move(e);
                break;
            }
            case kAsCondition: {
                FV_ASSIGN_OR_RETURN(ConditionalExpr c, build_condition(i));
                if (conditions_.empty()) conditions_.resize(nodes_.size());
                conditions_[i].emplace(std::move(c));
                break;
            }
            case kAsElement: {
                FV_ASSIGN_OR_RETURN(Box<Element> e, build_element(i));
                keep_cell(i, e.release());
                break;
            }
            case kAsVariable: {
                FV_ASSIGN_OR_RETURN(Box<DecisionVar> v, build_decision_var(i));
                keep_cell(i, v.release());
                break;
            }
            case kAsSubscript: {
                FV_ASSIGN_OR_RETURN(Box<Subscript> s, build_subscript(i));
                keep_cell(i, s.release());
                break;
            }
        }
        slots_[i].built |= bit(mode);
        return {};
    }

    void keep_cell(std::uint64_t i, NodeBase* cell) {
        NodeBase*& kept = slots_[i].cell;
        if (kept) release_node(kept);
        kept = cell;
    }

    // Calls `child(id, mode)` on the nodes that building node i in `mode`
    // reads, in the order it reads them, up to the first one it would refuse
    // before reading (the build reports that refusal) or the first call that
    // returns false.
    template <class Child>
    void children(Mode mode, std::uint64_t i, Child&& child) {
        auto valid = [&](std::uint64_t id) { return id < nodes_.size(); };
        auto add = [&](std::uint64_t id, Mode m) { return valid(id) && child(id, m); };
        auto add_all = [&](pb::IdRange ids, Mode m) {
            const std::span<const std::uint32_t> all = nodes_.ids_of(ids);
            for (std::size_t k = 0; k < all.size(); ++k) {
                prefetch_ahead(all, k);
                if (!add(all[k], m)) return false;
            }
            return true;
        };
        // A node read as an array, a set or a subscripted variable.
        auto add_operand = [&](std::uint64_t id, bool variable) {
            if (!valid(id)) return false;
            switch (member(id)) {
                case pb::expr_node::kPlaceholder: return true;
                case pb::expr_node::kElement: return add(id, kAsElement);
                case pb::expr_node::kSubscript: return add(id, kAsSubscript);
                case pb::expr_node::kDecisionVar: return variable && add(id, kAsVariable);
                default: return false;
            }
        };
        auto add_bound = [&](const std::optional<pb::Bound>& b) {
            if (!b) return false;
            switch (b->type) {
                case pb::decision_var::kExpression: return add(b->bound_id, kAsExpression);
                case pb::decision_var::kPlaceholder:
                    return valid(b->bound_id) && member(b->bound_id) == pb::expr_node::kPlaceholder;
                case pb::decision_var::kSubscriptedPlaceholder:
                    return valid(b->bound_id) && member(b->bound_id) == pb::expr_node::kSubscript &&
                           add(b->bound_id, kAsSubscript);
                default: return false;
            }
        };
        switch (mode) {
            case kAsExpression:
                switch (member(i)) {
                    case pb::expr_node::kElement: add(i, kAsElement); return;
                    case pb::expr_node::kDecisionVar: add(i, kAsVariable); return;
                    case pb::expr_node::kSubscript: add(i, kAsSubscript); return;
                    case pb::expr_node::kArrayLength:
                        add_operand(get<pb::ArrayLength>(i).array_id, false);
                        return;
                    case pb::expr_node::kUnaryOp: add(get<pb::UnaryOp>(i).operand_id, kAsExpression); return;
                    case pb::expr_node::kBinaryOp: {
                        const auto& b = get<pb::BinaryOp>(i);
                        if (pb::model_of(pb::kBinaryKinds, b.kind))
                            add(b.left_id, kAsExpression) && add(b.right_id, kAsExpression);
                        return;
                    }
                    case pb::expr_node::kCommutativeOp:
                        add_all(get<pb::CommutativeOp>(i).term_ids, kAsExpression);
                        return;
                    case pb::expr_node::kReductionOp: {
                        const auto& r = get<pb::ReductionOp>(i);
                        if (!r.index || !valid(r.index->element_id) ||
                            member(r.index->element_id) != pb::expr_node::kElement)
                            return;
                        add(r.index->element_id, kAsElement) &&
                            (!r.index->condition_id || add(*r.index->condition_id, kAsCondition)) &&
                            add(r.operand_id, kAsExpression);
                        return;
                    }
                    default: return;
                }
            case kAsCondition:
                switch (member(i)) {
                    case pb::expr_node::kBinaryOp: {
                        const auto& b = get<pb::BinaryOp>(i);
                        if (pb::model_of(pb::kComparisonKinds, b.kind))
                            add(b.left_id, kAsExpression) && add(b.right_id, kAsExpression);
                        return;
                    }
                    case pb::expr_node::kCommutativeOp: {
                        const auto& c = get<pb::CommutativeOp>(i);
                        if (pb::model_of(pb::kLogicalKinds, c.kind)) add_all(c.term_ids, kAsCondition);
                        return;
                    }
                    default: return;
                }
            case kAsElement: {
                const auto& e = get<pb::Element>(i);
                if (e.set == pb::Element::Set::Range)
                    add(e.range.start_id, kAsExpression) && add(e.range.end_id, kAsExpression);
                else if (e.set == pb::Element::Set::Bound)
                    add_operand(e.bound.bound_id, false);
                return;
            }
            case kAsVariable: {
                const auto& v = get<pb::DecisionVar>(i);
                if (add_all(v.shape_ids, kAsExpression) && v.type != pb::decision_var::kBinary)
                    add_bound(v.lower_bound) && add_bound(v.upper_bound);
                return;
            }
            case kAsSubscript: {
                const auto& sub = get<pb::Subscript>(i);
                if (add_operand(sub.variable_id, true)) add_all(sub.subscript_ids, kAsExpression);
                return;
            }
        }
    }
    std::uint32_t member(std::uint64_t i) const { return nodes_.member(i); }
    template <class M>
    const M& get(std::uint64_t i) const {
        return nodes_.get<M>(i);
    }

    Result<Expression> build_expression(std::uint64_t i) {
        switch (member(i)) {
            case pb::expr_node::kNumberLit: {
                if (std::optional<NumericValue> v = literal_value(get<pb::NumberLit>(i)))
                    return Expression(*v);
                return decoding_error(
                    "failed to decode the input buffer because it did not contain a Protobuf message "
                    "according "
                    "to the data type of a number literal.");
            }
            case pb::expr_node::kPlaceholder: return placeholder_into_expression(placeholder_node(i));
            case pb::expr_node::kElement: {
                FV_ASSIGN_OR_RETURN(Box<Element> e, element_node(i));
                return element_into_expression(std::move(e));
            }
            case pb::expr_node::kDecisionVar: {
                FV_ASSIGN_OR_RETURN(Box<DecisionVar> v, decision_var_node(i));
                return decision_var_into_expression(std::move(v));
            }
            case pb::expr_node::kArrayLength: {
                const auto& a = get<pb::ArrayLength>(i);
                if (a.array_id >= nodes_.size())
                    return decoding_error("the Expression message does not contain the id of the array");
                FV_ASSIGN_OR_RETURN(ArrayOperand array, array_operand(a.array_id));
                FV_ASSIGN_OR_RETURN(ArrayLength length,
                                    make_array_length(std::move(array), a.axis, std::nullopt, std::nullopt));
                return Expression(std::move(length));
            }
            case pb::expr_node::kSubscript: {
                FV_ASSIGN_OR_RETURN(Box<Subscript> s, subscript_node(i));
                return subscript_into_expression(std::move(s));
            }
            case pb::expr_node::kUnaryOp: {
                const auto& u = get<pb::UnaryOp>(i);
                FV_ASSIGN_OR_RETURN(
                    Expression operand,
                    expression_at(u.operand_id, "the Expression does not contain the id of the operand"));
                std::optional<UnaryOpKind> kind = pb::model_of(pb::kUnaryKinds, u.kind);
                if (!kind)
                    return decoding_error(
                        "failed to decode the input buffer because it did not contain valid UnaryOp Protobuf "
                        "message");
                return make_unary_op(*kind, std::move(operand));
            }
            case pb::expr_node::kBinaryOp: {
                const auto& b = get<pb::BinaryOp>(i);
                std::optional<BinaryOpKind> kind = pb::model_of(pb::kBinaryKinds, b.kind);
                if (!kind)
                    return decoding_error(
                        "failed to decode the input buffer because it did not contain valid BinaryOp "
                        "Protobuf message");
                FV_ASSIGN_OR_RETURN(Expression left,
                                    expression_at(b.left_id,
                                                  "the Expression message does not contain the id "
                                                  "of the left hand side"));
                FV_ASSIGN_OR_RETURN(Expression right,
                                    expression_at(b.right_id,
                                                  "the Expression message does not contain the id "
                                                  "of the right hand side"));
                return *kind == BinaryOpKind::Pow ? make_pow_op(std::move(left), std::move(right))
                                                  : make_mod_op(std::move(left), std::move(right));
            }
            case pb::expr_node::kCommutativeOp: {
                const auto& c = get<pb::CommutativeOp>(i);
                Scratch terms(scratch_, c.term_ids.count);
                const std::span<const std::uint32_t> ids = nodes_.ids_of(c.term_ids);
                for (std::size_t k = 0; k < ids.size(); ++k) {
                    prefetch_ahead(ids, k);
                    const std::uint64_t id = ids[k];
                    FV_ASSIGN_OR_RETURN(
                        Expression t,
                        expression_at(id, "the Expression message contained an invalid operand id"));
                    terms.push_back(std::move(t));
                }
                std::optional<CommutativeOpKind> kind = pb::model_of(pb::kCommutativeKinds, c.kind);
                if (!kind)
                    return decoding_error(
                        "failed to decode the input buffer because it did not contain valid "
                        "CommutativeOp Protobuf message");
                return terms.owns() ? commutative_value(*kind, terms.take())
                                    : commutative_value(*kind, terms.items());
            }
            case pb::expr_node::kReductionOp: {
                const auto& r = get<pb::ReductionOp>(i);
                if (!r.index)
                    return decoding_error("the Expression message does not contain the id of the index");
                FV_ASSIGN_OR_RETURN(ForallIndex idx, index(*r.index));
                FV_ASSIGN_OR_RETURN(Expression operand,
                                    expression_at(r.operand_id,
                                                  "the Expression message does not contain the id "
                                                  "of the operand"));
                std::optional<ReductionOpKind> kind = pb::model_of(pb::kReductionKinds, r.kind);
                if (!kind)
                    return decoding_error(
                        "failed to decode the input buffer because it did not contain valid ReductionOp "
                        "Protobuf message");
                FV_ASSIGN_OR_RETURN(
                    ReductionOp op,
                    make_reduction_op(*kind, *idx.element, std::move(idx.condition), std::move(operand)));
                return Expression(std::move(op));
            }
            default: return decoding_error(kNoValidMessage);
        }
    }

    Result<ConditionalExpr> build_condition(std::uint64_t i) {
        switch (member(i)) {
            case pb::expr_node::kBinaryOp: {
                const auto& b = get<pb::BinaryOp>(i);
                std::optional<ComparisonOpKind> kind = pb::model_of(pb::kComparisonKinds, b.kind);
                if (!kind)
                    return decoding_error(
                        "failed to decode the input buffer because it contained an invalid op in a "
                        "conditional expr (BinaryOp that is not a logical operator");
                FV_ASSIGN_OR_RETURN(Expression left,
                                    expression_at(b.left_id,
                                                  "the Expression message does not contain the id "
                                                  "of the left hand side"));
                FV_ASSIGN_OR_RETURN(Expression right,
                                    expression_at(b.right_id,
                                                  "the Expression message does not contain the id "
                                                  "of the right hand side"));
                return compare(*kind, std::move(left), std::move(right));
            }
            case pb::expr_node::kCommutativeOp: {
                const auto& c = get<pb::CommutativeOp>(i);
                std::optional<LogicalOpKind> kind = pb::model_of(pb::kLogicalKinds, c.kind);
                if (!kind)
                    return decoding_error(
                        "failed to decode the input buffer because it contained an invalid op in a "
                        "conditional expr (Commutative Op that is not a logical operator");
                std::vector<ConditionalExpr> terms;
                terms.reserve(c.term_ids.count);
                for (std::uint64_t id : nodes_.ids_of(c.term_ids)) {
                    FV_ASSIGN_OR_RETURN(
                        ConditionalExpr t,
                        condition_at(id, "the Expression message contained an invalid operand id"));
                    terms.push_back(std::move(t));
                }
                return ConditionalExpr(LogicalOp{std::nullopt, std::move(terms), *kind});
            }
            case pb::kNoMember: return decoding_error(kNoValidMessage);
            default:
                return decoding_error(
                    "failed to decode the input buffer because it did not contain valid BinaryOp Protobuf "
                    "message");
        }
    }

    // One cell per placeholder node, shared by every reference to it.
    Box<Placeholder> placeholder_node(std::uint64_t i) {
        NodeBase*& cell = slots()[i].cell;
        if (!cell) cell = placeholder_value(get<pb::Placeholder>(i)).release();
        return share<Placeholder>(i);
    }

    Result<Box<Element>> element_node(std::uint64_t i) { return operand<Element>(kAsElement, i); }

    Result<Box<Element>> build_element(std::uint64_t i) {
        const auto& e = get<pb::Element>(i);
        std::optional<ElementBelongTo> set;
        switch (e.set) {
            case pb::Element::Set::None: return decoding_error(kNoValidMessage);
            case pb::Element::Set::Range: {
                FV_ASSIGN_OR_RETURN(Expression start,
                                    expression_at(e.range.start_id,
                                                  "the Expression message does not contain the id "
                                                  "of the start of the range"));
                FV_ASSIGN_OR_RETURN(Expression end,
                                    expression_at(e.range.end_id,
                                                  "the Expression message does not contain the id of "
                                                  "the end of the range"));
                FV_ASSIGN_OR_RETURN(Range range, make_range(std::move(start), std::move(end)));
                set.emplace(std::move(range));
                break;
            }
            case pb::Element::Set::Bound: {
                std::uint64_t id = e.bound.bound_id;
                if (id >= nodes_.size())
                    return decoding_error(
                        "the Expression message does not contain the id of the set of the element");
                switch (member(id)) {
                    case pb::expr_node::kPlaceholder: {
                        FV_ASSIGN_OR_RETURN(set, belong_to_from_placeholder(*placeholder_node(id)));
                        break;
                    }
                    case pb::expr_node::kElement: {
                        FV_ASSIGN_OR_RETURN(Box<Element> inner, element_node(id));
                        FV_ASSIGN_OR_RETURN(set, belong_to_from_element(*inner));
                        break;
                    }
                    case pb::expr_node::kSubscript: {
                        FV_ASSIGN_OR_RETURN(Box<Subscript> inner, subscript_node(id));
                        FV_ASSIGN_OR_RETURN(set, belong_to_from_subscript(*inner));
                        break;
                    }
                    case pb::kNoMember: return decoding_error(kNoValidMessage);
                    default: return decoding_error("invalid message");
                }
                break;
            }
        }
        return Box<Element>(make_element(std::string(e.name), std::move(*set), std::nullopt, std::nullopt));
    }

    Result<Box<DecisionVar>> decision_var_node(std::uint64_t i) {
        return operand<DecisionVar>(kAsVariable, i);
    }

    Result<Box<DecisionVar>> build_decision_var(std::uint64_t i) {
        const auto& v = get<pb::DecisionVar>(i);
        std::vector<Expression> shape;
        shape.reserve(v.shape_ids.count);
        for (std::uint64_t id : nodes_.ids_of(v.shape_ids)) {
            FV_ASSIGN_OR_RETURN(Expression s,
                                expression_at(id, "Decision var messsage had an invalid shape element id"));
            shape.push_back(std::move(s));
        }
        DecisionVarKind kind = DecisionVarKind::Binary;
        DecisionVarBound lower = binary_var_lower_bound();
        DecisionVarBound upper = binary_var_upper_bound();
        if (v.type != pb::decision_var::kBinary) {
            if (!v.lower_bound)
                return decoding_error("the DecisionVar message does not contain the lower bound");
            FV_ASSIGN_OR_RETURN(lower, decision_var_bound(*v.lower_bound));
            if (!v.upper_bound)
                return decoding_error("the DecisionVar message does not contain the upper bound");
            FV_ASSIGN_OR_RETURN(upper, decision_var_bound(*v.upper_bound));
            std::optional<DecisionVarKind> type = pb::model_of(pb::kDecisionVarTypes, v.type);
            if (!type)
                return decoding_error(
                    "failed to decode the input buffer because it did not contain valid DecisionVar Protobuf "
                    "message");
            kind = *type;
        }
        return Box<DecisionVar>(DecisionVar{kind, std::string(v.name), std::move(shape), std::move(lower),
                                            std::move(upper), std::nullopt, std::nullopt});
    }

    Result<DecisionVarBound> decision_var_bound(const pb::Bound& b) {
        constexpr const char* kMissing = "the DecisionVarBound message does not contain the id of the bound";
        switch (b.type) {
            case pb::decision_var::kExpression: {
                FV_ASSIGN_OR_RETURN(Expression e, expression_at(b.bound_id, kMissing));
                return bound_from_expression(std::move(e));
            }
            case pb::decision_var::kPlaceholder:
                if (b.bound_id >= nodes_.size()) return decoding_error(kMissing);
                if (member(b.bound_id) != pb::expr_node::kPlaceholder)
                    return decoding_error("invalid message: the bound is not a placeholder");
                return bound_from_placeholder(*placeholder_node(b.bound_id));
            case pb::decision_var::kSubscriptedPlaceholder: {
                if (b.bound_id >= nodes_.size()) return decoding_error(kMissing);
                if (member(b.bound_id) != pb::expr_node::kSubscript)
                    return decoding_error("invalid message: the bound is not a subscripted placeholder");
                FV_ASSIGN_OR_RETURN(Box<Subscript> s, subscript_node(b.bound_id));
                return bound_from_subscript(*s);
            }
            default:
                return decoding_error(
                    "failed to decode the input buffer because it did not contain a Protobuf message "
                    "according to the "
                    "type of a decision variable bound.");
        }
    }

    Result<Box<Subscript>> subscript_node(std::uint64_t i) { return operand<Subscript>(kAsSubscript, i); }

    // For the sweeps, whose failures only make the walk take over: the
    // subscript of a placeholder or decision variable of `ndim` dimensions as
    // build_subscript makes it, with the same checks but none of its
    // conversions.
    template <class T>
    Result<Box<Subscript>> quick_subscript(const pb::Subscript& s, Box<T> variable, std::uint64_t ndim) {
        Scratch indices(scratch_, s.subscript_ids.count);
        for (std::uint64_t sid : nodes_.ids_of(s.subscript_ids)) {
            FV_ASSIGN_OR_RETURN(Expression e, expression_at(sid, kNoValidMessage));
            indices.push_back(std::move(e));
        }
        std::optional<Box<Subscript>> built = plain_subscript(std::move(variable), ndim, indices.items());
        if (!built) return decoding_error(kNoValidMessage);
        return std::move(*built);
    }

    Result<Box<Subscript>> build_subscript(std::uint64_t i) {
        const auto& s = get<pb::Subscript>(i);
        std::uint64_t id = s.variable_id;
        if (id >= nodes_.size()) return decoding_error("Subscript message did not have a valid var id");
        if (sweeping_ && member(id) == pb::expr_node::kPlaceholder) {
            Box<Placeholder> p = placeholder_node(id);
            const std::uint64_t ndim = p->ndim;
            return quick_subscript(s, std::move(p), ndim);
        }
        if (sweeping_ && member(id) == pb::expr_node::kDecisionVar) {
            FV_ASSIGN_OR_RETURN(Box<DecisionVar> v, decision_var_node(id));
            const std::uint64_t ndim = v->shape.size();
            return quick_subscript(s, std::move(v), ndim);
        }
        std::optional<SubscriptedVariable> variable;
        switch (member(id)) {
            case pb::expr_node::kPlaceholder: {
                FV_ASSIGN_OR_RETURN(variable, placeholder_into_subscripted_variable(placeholder_node(id)));
                break;
            }
            case pb::expr_node::kElement: {
                FV_ASSIGN_OR_RETURN(Box<Element> e, element_node(id));
                FV_ASSIGN_OR_RETURN(variable, element_into_subscripted_variable(std::move(e)));
                break;
            }
            case pb::expr_node::kDecisionVar: {
                FV_ASSIGN_OR_RETURN(Box<DecisionVar> v, decision_var_node(id));
                FV_ASSIGN_OR_RETURN(variable, decision_var_into_subscripted_variable(std::move(v)));
                break;
            }
            case pb::expr_node::kSubscript: {
                FV_ASSIGN_OR_RETURN(Box<Subscript> inner, subscript_node(id));
                FV_ASSIGN_OR_RETURN(variable, subscript_into_subscripted_variable(std::move(inner)));
                break;
            }
            case pb::kNoMember: return decoding_error(kNoValidMessage);
            default: return decoding_error("invalid message");
        }
        Scratch subscripts(scratch_, s.subscript_ids.count);
        for (std::uint64_t sid : nodes_.ids_of(s.subscript_ids)) {
            FV_ASSIGN_OR_RETURN(Expression e,
                                expression_at(sid, "Subscript messsage had an invalid subscript id"));
            subscripts.push_back(std::move(e));
        }
        FV_TRY(check_subscript_list(subscripts.items()));
        FV_ASSIGN_OR_RETURN(Subscript built,
                            make_subscript(std::move(*variable), ExprList::take_from(subscripts.items())));
        return Box<Subscript>(std::move(built));
    }

    Result<ArrayOperand> array_operand(std::uint64_t i) {
        switch (member(i)) {
            case pb::expr_node::kPlaceholder: return placeholder_into_array_operand(placeholder_node(i));
            case pb::expr_node::kElement: {
                FV_ASSIGN_OR_RETURN(Box<Element> e, element_node(i));
                return element_into_array_operand(std::move(e));
            }
            case pb::expr_node::kSubscript: {
                FV_ASSIGN_OR_RETURN(Box<Subscript> s, subscript_node(i));
                return subscript_into_array_operand(std::move(s));
            }
            case pb::kNoMember: return decoding_error(kNoValidMessage);
            default: return decoding_error("invalid message");
        }
    }

    const pb::NodeTable& nodes_;
    LargeVector<Slot> slots_;
    std::vector<std::optional<ConditionalExpr>> conditions_;
    const bool one_value_;
    bool swept_ = false;
    bool sweeping_ = false;
    bool handing_over_ = false;
    bool depths_known_ = true;
    std::vector<Frame> frames_;
    std::vector<Child> pending_;
    std::vector<Expression> scratch_;
};

// The table of one value as the writer makes it, read in one pass up: each
// node from the first to the root is built from the nodes it names, which
// all come before it, and kept as it stands (an array placeholder, a decision
// variable with a shape, a subscript of an array: the operands of the nodes
// after them). A first pass counts the reads of every node, so that its last
// reader takes its value instead of a copy.
//
// It covers the kinds that make explicit sums and products: literals,
// placeholders, decision variables, subscripts and the operators. Anything
// else gives up and leaves the table to TableDecoder, whose result or error
// stands: another kind, a name not below its node, any value the checks
// refuse, nesting within half the depth limit (each node counts two levels,
// never fewer than the walk counts). So a table read here is one the walk
// reads the same, and every failure keeps the walk's error.
class OnePass {
public:
    explicit OnePass(const pb::NodeTable& nodes) : nodes_(nodes) {}

    // The root's value as an expression; none where the walk must decide.
    std::optional<Expression> expression_at(std::uint64_t root) {
        if (root >= nodes_.size() || !fits_in_memory(root + 1, sizeof(Expression) + 3)) return std::nullopt;
        try {
            const DepthGuard guard;
            if (!count_reads(root)) return std::nullopt;
            values_.reserve(root + 1);
            depths_.reserve(root + 1);
            for (std::uint64_t i = 0; i <= root; ++i) {
                below_ = 0;
                std::optional<Expression> value = make(i);
                const std::uint32_t depth = below_ + 2;
                if (!value || misread_ || depth > static_cast<std::uint32_t>(DepthGuard::kLimit))
                    return std::nullopt;
                values_.push_back(std::move(*value));
                depths_.push_back(static_cast<std::uint16_t>(depth));
            }
            return expression(root);
        } catch (const DepthExceeded&) {
            return std::nullopt;
        }
    }

private:
    static constexpr std::uint8_t kMany = 0xff;  // shared for good: never handed over

    // Whether every node up to the root is of a kind read here and names
    // only nodes before it; counts the reads of each (the root's one too).
    bool count_reads(std::uint64_t root) {
        reads_.assign(root + 1, 0);
        bool ordered = true;
        std::uint64_t i = 0;
        auto name = [&](std::uint64_t id) {
            if (id >= i) {
                ordered = false;
                return;
            }
            if (reads_[id] != kMany) ++reads_[id];
        };
        auto name_all = [&](pb::IdRange ids) {
            for (std::uint32_t id : nodes_.ids_of(ids)) name(id);
        };
        auto name_bound = [&](const std::optional<pb::Bound>& b) {
            if (!b) return false;
            switch (b->type) {
                case pb::decision_var::kExpression:
                case pb::decision_var::kPlaceholder:
                case pb::decision_var::kSubscriptedPlaceholder: name(b->bound_id); return true;
                default: return false;
            }
        };
        for (; i <= root && ordered; ++i) {
            switch (nodes_.member(i)) {
                case pb::expr_node::kNumberLit:
                case pb::expr_node::kPlaceholder: break;
                case pb::expr_node::kDecisionVar: {
                    const auto& v = nodes_.get<pb::DecisionVar>(i);
                    name_all(v.shape_ids);
                    if (v.type != pb::decision_var::kBinary &&
                        !(name_bound(v.lower_bound) && name_bound(v.upper_bound)))
                        return false;
                    break;
                }
                case pb::expr_node::kSubscript: {
                    const auto& sub = nodes_.get<pb::Subscript>(i);
                    name(sub.variable_id);
                    name_all(sub.subscript_ids);
                    break;
                }
                case pb::expr_node::kUnaryOp: name(nodes_.get<pb::UnaryOp>(i).operand_id); break;
                case pb::expr_node::kBinaryOp: {
                    const auto& b = nodes_.get<pb::BinaryOp>(i);
                    name(b.left_id);
                    name(b.right_id);
                    break;
                }
                case pb::expr_node::kCommutativeOp:
                    name_all(nodes_.get<pb::CommutativeOp>(i).term_ids);
                    break;
                default: return false;
            }
        }
        i = root + 1;
        name(root);
        return ordered;
    }

    // The value of node `id` as it stands, read by the node being built:
    // handed over at its last read.
    Expression take(std::uint64_t id) {
        below_ = std::max<std::uint32_t>(below_, depths_[id]);
        std::uint8_t& reads = reads_[id];
        if (reads == 1) {
            reads = 0;
            return std::move(values_[id]);
        }
        if (reads == 0) misread_ = true;  // a read not counted (none should be)
        if (reads != kMany) --reads;
        return values_[id];
    }

    // The value of node `id` read as an expression: an operand of no
    // dimension.
    std::optional<Expression> expression(std::uint64_t id) {
        Expression e = take(id);
        switch (e.kind()) {
            case ExprKind::Placeholder:
                if (e.as<Placeholder>().ndim != 0) return std::nullopt;
                break;
            case ExprKind::DecisionVar:
                if (!e.as<DecisionVar>().shape.empty()) return std::nullopt;
                break;
            case ExprKind::Subscript:
                if (e.as<Subscript>().ndim() != 0) return std::nullopt;
                break;
            default: break;
        }
        return e;
    }

    // The values of `ids` as expressions, onto the end of `into`.
    bool expressions(pb::IdRange ids, std::vector<Expression>& into) {
        for (std::uint32_t id : nodes_.ids_of(ids)) {
            std::optional<Expression> e = expression(id);
            if (!e) return false;
            into.push_back(std::move(*e));
        }
        return true;
    }

    std::optional<Expression> make(std::uint64_t i) {
        switch (nodes_.member(i)) {
            case pb::expr_node::kNumberLit: {
                std::optional<NumericValue> v = literal_value(nodes_.get<pb::NumberLit>(i));
                if (!v) return std::nullopt;
                return Expression(*v);
            }
            case pb::expr_node::kPlaceholder:
                return Expression(placeholder_value(nodes_.get<pb::Placeholder>(i)));
            case pb::expr_node::kDecisionVar: return decision_var(nodes_.get<pb::DecisionVar>(i));
            case pb::expr_node::kSubscript: return subscript(nodes_.get<pb::Subscript>(i));
            case pb::expr_node::kUnaryOp: {
                const auto& u = nodes_.get<pb::UnaryOp>(i);
                std::optional<Expression> operand = expression(u.operand_id);
                std::optional<UnaryOpKind> kind = pb::model_of(pb::kUnaryKinds, u.kind);
                if (!operand || !kind) return std::nullopt;
                Result<Expression> op = make_unary_op(*kind, std::move(*operand));
                if (!op) return std::nullopt;
                return std::move(*op);
            }
            case pb::expr_node::kBinaryOp: {
                const auto& b = nodes_.get<pb::BinaryOp>(i);
                std::optional<BinaryOpKind> kind = pb::model_of(pb::kBinaryKinds, b.kind);
                if (!kind) return std::nullopt;
                std::optional<Expression> left = expression(b.left_id);
                std::optional<Expression> right = expression(b.right_id);
                if (!left || !right) return std::nullopt;
                return *kind == BinaryOpKind::Pow ? make_pow_op(std::move(*left), std::move(*right))
                                                  : make_mod_op(std::move(*left), std::move(*right));
            }
            case pb::expr_node::kCommutativeOp: return commutative(nodes_.get<pb::CommutativeOp>(i));
            default: return std::nullopt;
        }
    }

    // As the walk makes them: a short list from a reused one, a longer one
    // into the vector its sum keeps.
    std::optional<Expression> commutative(const pb::CommutativeOp& c) {
        std::optional<CommutativeOpKind> kind = pb::model_of(pb::kCommutativeKinds, c.kind);
        if (!kind) return std::nullopt;
        if (c.term_ids.count <= 2) {
            scratch_.clear();
            if (!expressions(c.term_ids, scratch_)) return std::nullopt;
            return commutative_value(*kind, std::span<Expression>(scratch_));
        }
        std::vector<Expression> terms;
        terms.reserve(c.term_ids.count);
        if (!expressions(c.term_ids, terms)) return std::nullopt;
        return commutative_value(*kind, std::move(terms));
    }

    std::optional<Expression> subscript(const pb::Subscript& s) {
        const Expression variable = take(s.variable_id);
        switch (nodes_.member(s.variable_id)) {
            case pb::expr_node::kPlaceholder: {
                if (!variable.is<Placeholder>()) return std::nullopt;
                return subscript_of(s, variable.box<Placeholder>(), variable.as<Placeholder>().ndim);
            }
            case pb::expr_node::kDecisionVar: {
                if (!variable.is<DecisionVar>()) return std::nullopt;
                return subscript_of(s, variable.box<DecisionVar>(), variable.as<DecisionVar>().shape.size());
            }
            default: return std::nullopt;
        }
    }

    template <class T>
    std::optional<Expression> subscript_of(const pb::Subscript& s, Box<T> variable, std::uint64_t ndim) {
        scratch_.clear();
        if (!expressions(s.subscript_ids, scratch_)) return std::nullopt;
        std::optional<Box<Subscript>> built =
            plain_subscript(std::move(variable), ndim, std::span<Expression>(scratch_));
        if (!built) return std::nullopt;
        return Expression(std::move(*built));
    }

    std::optional<Expression> decision_var(const pb::DecisionVar& v) {
        std::vector<Expression> shape;
        shape.reserve(v.shape_ids.count);
        if (!expressions(v.shape_ids, shape)) return std::nullopt;
        DecisionVarKind kind = DecisionVarKind::Binary;
        DecisionVarBound lower = binary_var_lower_bound();
        DecisionVarBound upper = binary_var_upper_bound();
        if (v.type != pb::decision_var::kBinary) {
            std::optional<DecisionVarBound> l = bound(*v.lower_bound);
            std::optional<DecisionVarBound> u = l ? bound(*v.upper_bound) : std::nullopt;
            std::optional<DecisionVarKind> type = pb::model_of(pb::kDecisionVarTypes, v.type);
            if (!u || !type) return std::nullopt;
            lower = std::move(*l);
            upper = std::move(*u);
            kind = *type;
        }
        return Expression(
            Box<DecisionVar>(DecisionVar{kind, std::string(v.name), std::move(shape), std::move(lower),
                                         std::move(upper), std::nullopt, std::nullopt}));
    }

    // A bound as the walk reads it (its type is one of the three: counted).
    std::optional<DecisionVarBound> bound(const pb::Bound& b) {
        switch (b.type) {
            case pb::decision_var::kExpression: {
                std::optional<Expression> e = expression(b.bound_id);
                if (!e) return std::nullopt;
                return bound_from_expression(std::move(*e));
            }
            case pb::decision_var::kPlaceholder:
                return bound_of(b.bound_id, pb::expr_node::kPlaceholder, bound_from_placeholder);
            default: return bound_of(b.bound_id, pb::expr_node::kSubscript, bound_from_subscript);
        }
    }

    // The bound made of node `id`, which must be a T of `member`.
    template <class T>
    std::optional<DecisionVarBound> bound_of(std::uint64_t id, std::uint32_t member,
                                             Result<DecisionVarBound> (*make)(T)) {
        if (nodes_.member(id) != member) return std::nullopt;
        const Expression operand = take(id);
        if (!operand.is<T>()) return std::nullopt;
        Result<DecisionVarBound> bound = make(operand.as<T>());
        if (!bound) return std::nullopt;
        return std::move(*bound);
    }

    const pb::NodeTable& nodes_;
    std::vector<std::uint8_t> reads_;
    LargeVector<Expression> values_;
    LargeVector<std::uint16_t> depths_;
    std::vector<Expression> scratch_;
    std::uint32_t below_ = 0;  // the deepest node the node being built reads
    bool misread_ = false;
};

class Deserializer {
public:
    Result<Expression> expr_message(const pb::Expr& expr) {
        if (std::optional<Expression> e = OnePass(expr.expr_nodes).expression_at(expr.root_id))
            return std::move(*e);
        TableDecoder table(expr.expr_nodes, true);
        return table.expression_at(expr.root_id, kInvalidRoot);
    }

    // An expression, else (when the root is a valid id) a condition.
    Result<DeserializedObject> expr_body(const pb::Expr& expr) {
        if (std::optional<Expression> e = OnePass(expr.expr_nodes).expression_at(expr.root_id))
            return DeserializedObject(std::move(*e));
        TableDecoder table(expr.expr_nodes, true);
        auto e = table.expression_at(expr.root_id, kInvalidRoot);
        if (e) return DeserializedObject(std::move(*e));
        // A table refused as hostile stays refused, whatever it was meant to hold.
        if (e.error().message == kCycle) return std::unexpected(e.error());
        if (expr.root_id >= table.size()) return decoding_error(kInvalidRoot);
        FV_ASSIGN_OR_RETURN(ConditionalExpr c, table.condition(expr.root_id));
        return DeserializedObject(std::move(c));
    }

    Result<ForallList> forall_list(const std::optional<pb::ForallList>& message) {
        ForallList list;
        if (!message) return list;
        TableDecoder table(message->expr_nodes, false);
        list.reserve(message->indices.size());
        for (const pb::Index& index : message->indices) {
            FV_ASSIGN_OR_RETURN(ForallIndex entry, table.index(index));
            list.push_back(std::move(entry));
        }
        FV_TRY(check_forall_list(list));
        return list;
    }

    Result<Constraint> constraint(const pb::Constraint& m) {
        ConstraintSense sense;
        if (std::optional<ConstraintSense> s = pb::model_of(pb::kConstraintSenses, m.sense))
            sense = *s;
        else
            return decoding_error(
                "failed to decode the input buffer because it did not contain a Protobuf message "
                "according to a constraint equality.");
        if (!m.left)
            return decoding_error(
                "failed to decode the input buffer because it did not contain a Protobuf message "
                "according to the left-hand side of a constraint.");
        FV_ASSIGN_OR_RETURN(Expression left, expr_message(*m.left));
        if (!m.right)
            return decoding_error(
                "failed to decode the input buffer because it did not contain a Protobuf message "
                "according to the right-hand side of a constraint.");
        FV_ASSIGN_OR_RETURN(Expression right, expr_message(*m.right));
        FV_ASSIGN_OR_RETURN(ForallList forall, forall_list(m.forall_list));
        return make_constraint(std::string(m.name), std::move(left), std::move(right), sense,
                               std::move(forall));
    }

    Result<CustomPenaltyTerm> penalty_term(const pb::CustomPenaltyTerm& m) {
        if (!m.term)
            return decoding_error(
                "failed to decode the input buffer because it did not contain a Protobuf message "
                "according to the term of a custom penalty term.");
        FV_ASSIGN_OR_RETURN(Expression term, expr_message(*m.term));
        FV_ASSIGN_OR_RETURN(ForallList forall, forall_list(m.forall_list));
        return make_custom_penalty_term(std::string(m.name), std::move(term), std::move(forall));
    }

    Result<Problem> problem(const pb::Problem& m) {
        Problem p;
        if (std::optional<ProblemSense> s = pb::model_of(pb::kProblemSenses, m.sense))
            p.sense = *s;
        else
            return decoding_error(
                "failed to decode the input buffer because it did not contain a Protobuf message "
                "according to a problem sense.");
        if (!m.objective_function)
            return decoding_error(
                "failed to decode the input buffer because it did not contain a Protobuf message "
                "according to an objective function.");
        FV_ASSIGN_OR_RETURN(p.objective, expr_message(*m.objective_function));
        for (const auto& [key, message] : m.constraints) {
            FV_ASSIGN_OR_RETURN(Constraint c, constraint(message));
            p.constraints.emplace_hint(p.constraints.end(), std::string(key), std::move(c));
        }
        for (const auto& [key, message] : m.custom_penalty_terms) {
            FV_ASSIGN_OR_RETURN(CustomPenaltyTerm t, penalty_term(message));
            p.custom_penalty_terms.emplace_hint(p.custom_penalty_terms.end(), std::string(key), std::move(t));
        }
        p.name = std::string(m.name);
        return p;
    }
};

Result<DeserializedObject> deserialize(std::string_view bytes) {
    if (bytes.size() >= kMaxProtobufInput)
        return decoding_error(
            "failed to decode the input buffer because it is larger than the 2 GiB that a "
            "Protobuf message can hold.");
    pb::Header header;
    if (!pb::decode_header(bytes, header))
        return decoding_error(
            "failed to decode the input buffer because it did not contain a valid Protobuf message.");
    if (header.version < pb::kFormatVersion)
        return decoding_error(
            "the input schema has an unsupported version: " + std::to_string(header.version) +
            ". The minimum supported version is " + std::to_string(pb::kFormatVersion) +
            ". Please update the forvela to generate the model.");
    if (header.version > pb::kFormatVersion)
        return decoding_error(
            "the input schema has an unsupported version: " + std::to_string(header.version) +
            ". The maximum supported version is " + std::to_string(pb::kFormatVersion) +
            ". Please update the forvela to receive the model");
    Deserializer d;
    return std::visit(
        overloaded{[&](const pb::Problem& m) -> Result<DeserializedObject> {
                       FV_ASSIGN_OR_RETURN(Problem p, d.problem(m));
                       return DeserializedObject(std::move(p));
                   },
                   [&](const pb::Constraint& m) -> Result<DeserializedObject> {
                       FV_ASSIGN_OR_RETURN(Constraint c, d.constraint(m));
                       return DeserializedObject(std::move(c));
                   },
                   [&](const pb::CustomPenaltyTerm& m) -> Result<DeserializedObject> {
                       FV_ASSIGN_OR_RETURN(CustomPenaltyTerm t, d.penalty_term(m));
                       return DeserializedObject(std::move(t));
                   },
                   [&](const pb::Expr& m) -> Result<DeserializedObject> { return d.expr_body(m); },
                   [](std::monostate) -> Result<DeserializedObject> {
                       return decoding_error(
                           "failed to decode the input buffer because it did not contain a Problem message.");
                   }},
        header.body);
}

}  // namespace

Result<DeserializedObject> deserialize_from_protobuf(std::string_view bytes) {
    // The model's checks walk the trees they are handed from the few levels
    // the reader has spent on the messages around a table.
    const DepthAllowance allowance(32);
    try {
        return deserialize(bytes);
    } catch (const DepthExceeded&) {
        return decoding_error(kTooDeep);
    }
}

}  // namespace forvela
