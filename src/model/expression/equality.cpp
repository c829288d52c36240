#include "model/expression/equality.hpp"

#include <bit>

#include "model/expression/cell_memo.hpp"
#include "model/mix.hpp"
#include "model/overloaded.hpp"

namespace forvela {

void Hasher::word(std::uint64_t w) { state_ = mix64(state_ ^ mix64(w + 0x9e3779b97f4a7c15ULL)); }

void Hasher::bytes(std::string_view s) {
    std::uint64_t chunk = 0;
    int filled = 0;
    for (unsigned char c : s) {
        chunk = (chunk << 8) | c;
        if (++filled == 8) {
            word(chunk);
            chunk = 0;
            filled = 0;
        }
    }
    word(chunk ^ (static_cast<std::uint64_t>(filled) << 56));
}

std::uint64_t Hasher::finish() const { return mix64(state_); }

// ---- equality ----

namespace {

template <class T>
bool equal_boxed(const Box<T>& a, const Box<T>& b) {
    return equal(*a, *b);
}

bool equal_text_free(const std::string& a, const std::string& b) { return a == b; }

// The memo of the outermost call on this thread of a walk over shared cells
// (a comparison or a hash): made by the first scope, reused by nested ones.
template <class Memo>
class MemoScope {
public:
    MemoScope() {
        if (!current) {
            current = &own_;
            owner_ = true;
        }
    }
    ~MemoScope() {
        if (owner_) current = nullptr;
    }
    MemoScope(const MemoScope&) = delete;
    MemoScope& operator=(const MemoScope&) = delete;
    Memo& memo() { return *current; }

private:
    static thread_local Memo* current;
    Memo own_;
    bool owner_ = false;
};
template <class Memo>
thread_local Memo* MemoScope<Memo>::current = nullptr;

// Pairs of cells found equal: a pair met again is equal at once. Unequal
// pairs need no entry, since an unequal part ends the whole comparison.
using EqualPairs = MemoScope<CellSet>;

// Operators and subscripts: the nodes whose parts a walk may meet again.
// The other kinds compare or hash in constant time, or through expressions
// that are memoised themselves.
bool has_parts(const Expression& e) {
    switch (e.kind()) {
        case ExprKind::Subscript:
        case ExprKind::UnaryOp:
        case ExprKind::BinaryOp:
        case ExprKind::CommutativeOp:
        case ExprKind::ReductionOp: return true;
        default: return false;
    }
}

CellKey pair_key(const NodeBase* a, const NodeBase* b) { return {a, reinterpret_cast<std::uintptr_t>(b)}; }

bool equal_nodes(const Expression& a, const Expression& b);
bool equal_conditions(const ConditionalExpr& a, const ConditionalExpr& b);
// `shared_a`, `shared_b`: whether the values are terms of lists whose buffers
// other lists hold too.
bool equal_terms(const Expression& a, const Expression& b, bool shared_a, bool shared_b);
void hash_term(const Expression& e, Hasher& h, bool in_shared_list);

}  // namespace

bool equal(std::span<const Expression> a, std::span<const Expression> b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!equal(a[i], b[i])) return false;
    return true;
}

bool equal(const Placeholder& a, const Placeholder& b) {
    return equal_text_free(a.name, b.name) && a.ndim == b.ndim;
}

bool equal(const Range& a, const Range& b) { return equal(*a.start, *b.start) && equal(*a.end, *b.end); }

bool equal(const ElementBelongTo& a, const ElementBelongTo& b) {
    if (a.index() != b.index()) return false;
    return std::visit(
        overloaded{
            [&](const Range& x) { return equal(x, std::get<Range>(b)); },
            [&](const Box<Placeholder>& x) { return equal(x, std::get<Box<Placeholder>>(b)); },
            [&](const auto& x) { return equal_boxed(x, std::get<std::decay_t<decltype(x)>>(b)); },
        },
        a);
}

bool equal(const Element& a, const Element& b) {
    DepthGuard guard;
    return a.name == b.name && a.ndim == b.ndim && equal(a.belong_to, b.belong_to);
}

bool equal(const DecisionVarBound& a, const DecisionVarBound& b) {
    if (a.index() != b.index()) return false;
    return std::visit(
        overloaded{
            [&](const Box<Placeholder>& x) { return equal(x, std::get<Box<Placeholder>>(b)); },
            [&](const auto& x) { return equal_boxed(x, std::get<std::decay_t<decltype(x)>>(b)); },
        },
        a);
}

bool equal(const DecisionVar& a, const DecisionVar& b) {
    DepthGuard guard;
    return a.kind == b.kind && a.name == b.name && equal(a.shape, b.shape) &&
           equal(a.lower_bound, b.lower_bound) && equal(a.upper_bound, b.upper_bound);
}

bool equal(const SubscriptedVariable& a, const SubscriptedVariable& b) {
    if (a.index() != b.index()) return false;
    return std::visit(
        overloaded{
            [&](const Box<Placeholder>& x) { return equal(x, std::get<Box<Placeholder>>(b)); },
            [&](const auto& x) { return equal_boxed(x, std::get<std::decay_t<decltype(x)>>(b)); },
        },
        a);
}

bool equal(const Subscript& a, const Subscript& b) {
    DepthGuard guard;
    return equal(a.variable.get(), b.variable.get()) && equal(a.subscripts, b.subscripts);
}

bool equal(const ArrayOperand& a, const ArrayOperand& b) {
    if (a.index() != b.index()) return false;
    return std::visit(
        overloaded{
            [&](const Box<Placeholder>& x) { return equal(x, std::get<Box<Placeholder>>(b)); },
            [&](const auto& x) { return equal_boxed(x, std::get<std::decay_t<decltype(x)>>(b)); },
        },
        a);
}

bool equal(const ArrayLength& a, const ArrayLength& b) { return equal(a.array, b.array) && a.axis == b.axis; }

bool equal(const UnaryOp& a, const UnaryOp& b) { return a.kind == b.kind && equal(*a.operand, *b.operand); }

bool equal(const BinaryOp& a, const BinaryOp& b) {
    return a.kind == b.kind && equal(*a.left, *b.left) && equal(*a.right, *b.right);
}

bool equal(const CommutativeOp& a, const CommutativeOp& b) {
    if (a.kind != b.kind || a.terms.size() != b.terms.size()) return false;
    const bool shared_a = a.terms.buffer_shared();
    const bool shared_b = b.terms.buffer_shared();
    for (std::size_t i = 0; i < a.terms.size(); ++i)
        if (!equal_terms(a.terms[i], b.terms[i], shared_a, shared_b)) return false;
    return true;
}

bool equal(const ReductionOp& a, const ReductionOp& b) {
    if (a.kind != b.kind || !equal(*a.index, *b.index)) return false;
    if (a.condition.has_value() != b.condition.has_value()) return false;
    if (a.condition && !equal(**a.condition, **b.condition)) return false;
    return equal(*a.operand, *b.operand);
}

bool equal(const ComparisonOp& a, const ComparisonOp& b) {
    return a.kind == b.kind && equal(*a.left, *b.left) && equal(*a.right, *b.right);
}

bool equal(const LogicalOp& a, const LogicalOp& b) {
    if (a.kind != b.kind || a.terms.size() != b.terms.size()) return false;
    for (std::size_t i = 0; i < a.terms.size(); ++i)
        if (!equal(a.terms[i], b.terms[i])) return false;
    return true;
}

bool equal(const ConditionalExpr& a, const ConditionalExpr& b) {
    if (a.same_cell(b)) return true;
    if (!may_meet_again(a.cell_key()) && !may_meet_again(b.cell_key())) return equal_conditions(a, b);
    EqualPairs pairs;
    const CellKey key = pair_key(a.cell_key(), b.cell_key());
    if (pairs.memo().contains(key)) return true;
    if (!equal_conditions(a, b)) return false;
    pairs.memo().insert(key);
    return true;
}

bool equal(const Expression& a, const Expression& b) { return equal_terms(a, b, false, false); }

namespace {

// A pair may be met again when either of its cells may: the walk meets a
// pair twice only along two paths, and where those first join, one of the two
// cells has two holders. (Both cells held once does not make a pair met once:
// under a shared cell, a cell held once is met as often as its holder.)
bool equal_terms(const Expression& a, const Expression& b, bool shared_a, bool shared_b) {
    if (a.same_cell(b)) return true;
    if (!has_parts(a) || !has_parts(b) ||
        (!may_meet_again(a.cell_key(), shared_a) && !may_meet_again(b.cell_key(), shared_b)))
        return equal_nodes(a, b);
    EqualPairs pairs;
    const CellKey key = pair_key(a.cell_key(), b.cell_key());
    if (pairs.memo().contains(key)) return true;
    if (!equal_nodes(a, b)) return false;
    pairs.memo().insert(key);
    return true;
}

bool equal_conditions(const ConditionalExpr& a, const ConditionalExpr& b) {
    DepthGuard guard;
    if (a.is_comparison() != b.is_comparison()) return false;
    if (a.is_comparison()) return equal(a.as<ComparisonOp>(), b.as<ComparisonOp>());
    return equal(a.as<LogicalOp>(), b.as<LogicalOp>());
}

bool equal_nodes(const Expression& a, const Expression& b) {
    DepthGuard guard;
    if (a.kind() != b.kind()) return false;
    switch (a.kind()) {
        case ExprKind::NumberLit: return numeric_values_equal(a.as<NumericValue>(), b.as<NumericValue>());
        case ExprKind::Placeholder: return equal(a.as<Placeholder>(), b.as<Placeholder>());
        case ExprKind::Element: return equal(a.as<Element>(), b.as<Element>());
        case ExprKind::DecisionVar: return equal(a.as<DecisionVar>(), b.as<DecisionVar>());
        case ExprKind::Subscript: return equal(a.as<Subscript>(), b.as<Subscript>());
        case ExprKind::ArrayLength: return equal(a.as<ArrayLength>(), b.as<ArrayLength>());
        case ExprKind::UnaryOp: return equal(a.as<UnaryOp>(), b.as<UnaryOp>());
        case ExprKind::BinaryOp: return equal(a.as<BinaryOp>(), b.as<BinaryOp>());
        case ExprKind::CommutativeOp: return equal(a.as<CommutativeOp>(), b.as<CommutativeOp>());
        case ExprKind::ReductionOp: return equal(a.as<ReductionOp>(), b.as<ReductionOp>());
    }
    return false;
}

}  // namespace

// ---- hashing ----

namespace {

// The hash of every cell met, so a shared subtree is hashed once; a cell
// adds its own hash to the hash of its parent.
using CellHashes = MemoScope<CellMemo<std::uint64_t>>;

void hash_node(const Expression& e, Hasher& h);

}  // namespace

void hash(std::span<const Expression> list, Hasher& h) {
    h.word(list.size());
    for (const auto& e : list) hash(e, h);
}

void hash(const NumericValue& v, Hasher& h) {
    double d = v.as_double();
    if (d == 0.0) d = 0.0;  // zero and negative zero compare equal, so hash alike
    h.word(std::bit_cast<std::uint64_t>(d));
}

void hash(const Placeholder& p, Hasher& h) {
    h.bytes(p.name);
    h.word(0xFF);
    h.word(p.ndim);
}

void hash(const Element& e, Hasher& h) {
    DepthGuard guard;
    h.bytes(e.name);
    h.word(0xFF);
    h.word(e.ndim);
    h.word(e.belong_to.index());
    std::visit(overloaded{
                   [&](const Range& r) {
                       hash(*r.start, h);
                       hash(*r.end, h);
                   },
                   [&](const Box<Placeholder>& p) { hash(p, h); },
                   [&](const auto& b) { hash(*b, h); },
               },
               e.belong_to);
}

void hash(const DecisionVar& v, Hasher& h) {
    h.bytes(v.name);
    h.word(0xFF);
    hash(v.shape, h);
}

void hash(const Subscript& s, Hasher& h) {
    DepthGuard guard;
    h.word(s.variable.index());
    std::visit(overloaded{
                   [&](const Box<Placeholder>& p) { hash(p, h); },
                   [&](const auto& b) { hash(*b, h); },
               },
               s.variable.get());
    hash(s.subscripts, h);
    h.word(s.ndim());
}

void hash(const ArrayLength& a, Hasher& h) {
    h.word(a.array.index());
    std::visit(overloaded{
                   [&](const Box<Placeholder>& p) { hash(p, h); },
                   [&](const auto& b) { hash(*b, h); },
               },
               a.array);
    h.word(a.axis);
}

void hash(const ConditionalExpr& c, Hasher& h) {
    DepthGuard guard;
    h.word(c.is_comparison() ? 0 : 1);
    if (c.is_comparison()) {
        const auto& cmp = c.as<ComparisonOp>();
        hash(*cmp.left, h);
        hash(*cmp.right, h);
    } else {
        for (const auto& t : c.as<LogicalOp>().terms) hash(t, h);
    }
}

void hash(const Expression& e, Hasher& h) { hash_term(e, h, false); }

namespace {

// A node with parts adds the hash of its own subtree, memoised or not, so
// equal values hash alike however their cells are shared.
void hash_term(const Expression& e, Hasher& h, bool in_shared_list) {
    if (!has_parts(e)) return hash_node(e, h);
    const NodeBase* cell = e.cell_key();
    if (!may_meet_again(cell, in_shared_list)) {
        Hasher own;
        hash_node(e, own);
        return h.word(own.finish());
    }
    CellHashes hashes;
    if (const std::uint64_t* known = hashes.memo().find({cell})) return h.word(*known);
    Hasher own;
    hash_node(e, own);
    const std::uint64_t value = own.finish();
    hashes.memo().insert({cell}, value);
    h.word(value);
}

void hash_node(const Expression& e, Hasher& h) {
    DepthGuard guard;
    h.word(static_cast<std::uint64_t>(e.kind()));
    switch (e.kind()) {
        case ExprKind::NumberLit: hash(e.as<NumericValue>(), h); break;
        case ExprKind::Placeholder: hash(e.as<Placeholder>(), h); break;
        case ExprKind::Element: hash(e.as<Element>(), h); break;
        case ExprKind::DecisionVar: hash(e.as<DecisionVar>(), h); break;
        case ExprKind::Subscript: hash(e.as<Subscript>(), h); break;
        case ExprKind::ArrayLength: hash(e.as<ArrayLength>(), h); break;
        case ExprKind::UnaryOp: hash(*e.as<UnaryOp>().operand, h); break;
        case ExprKind::BinaryOp: {
            const auto& op = e.as<BinaryOp>();
            hash(*op.left, h);
            hash(*op.right, h);
            break;
        }
        case ExprKind::CommutativeOp: {
            const TermList& terms = e.as<CommutativeOp>().terms;
            const bool shared_list = terms.buffer_shared();
            for (const auto& t : terms) hash_term(t, h, shared_list);
            break;
        }
        case ExprKind::ReductionOp: {
            const auto& op = e.as<ReductionOp>();
            hash(*op.index, h);
            h.word(op.condition ? 1 : 0);
            if (op.condition) hash(**op.condition, h);
            hash(*op.operand, h);
            break;
        }
    }
}

}  // namespace

}  // namespace forvela
