#include "analysis/degree.hpp"

#include <cmath>
#include <vector>

#include "model/depth_guard.hpp"
#include "model/expression/cell_memo.hpp"

namespace forvela {

namespace {

// A NaN never becomes the maximum.
void raise_to(double& target, double value) {
    if (!std::isnan(value) && !(value <= target)) target = value;
}

bool is_natural_exponent(const NumericValue& v) {
    if (v.is_integer()) return v.integer >= 0;
    double d = v.floating;
    return std::isfinite(d) && d >= 0 && std::trunc(d) == d;
}

// What the walk of each cell left in a fresh state. A walk only overwrites
// `degree` and raises or sets the other fields, so the walk of a cell in any
// state is the merge of its fresh one into that state.
using DegreeMemo = CellMemo<DegreeState>;

void walk(DegreeState& s, const Expression& e, DegreeMemo& memo, bool in_shared_list = false);

void walk_pow(DegreeState& s, const BinaryOp& op, DegreeMemo& memo) {
    bool outer_has_variable = s.has_variable;
    s.has_variable = false;
    walk(s, *op.left, memo);
    bool base_has_variable = s.has_variable;
    s.has_variable = s.has_variable || outer_has_variable;
    const Expression& exponent = *op.right;
    if (!exponent.is<NumericValue>()) {
        s.dynamic = true;
        return;
    }
    const NumericValue& value = exponent.as<NumericValue>();
    if (base_has_variable && !is_natural_exponent(value)) s.non_polynomial = true;
    s.degree *= value.as_double();
}

void walk_commutative(DegreeState& s, const CommutativeOp& op, DegreeMemo& memo) {
    std::vector<double> degrees;
    degrees.reserve(op.terms.size());
    const bool shared_list = op.terms.buffer_shared();
    for (const Expression& t : op.terms) {
        DegreeState term;
        walk(term, t, memo, shared_list);
        degrees.push_back(term.degree);
        s.dynamic = s.dynamic || term.dynamic;
        s.has_variable = s.has_variable || term.has_variable;
        s.non_polynomial = s.non_polynomial || term.non_polynomial;
    }
    if (op.kind == CommutativeOpKind::Mul) {
        double sum = 0.0;
        for (double d : degrees) sum += d;
        s.degree = sum;
        return;
    }
    double largest = -std::numeric_limits<double>::infinity();
    for (double d : degrees) raise_to(largest, d);
    s.degree = largest;
}

void walk_reduction(DegreeState& s, const ReductionOp& op, DegreeMemo& memo) {
    walk(s, *op.operand, memo);
    if (op.kind == ReductionOpKind::Sum) return;
    const Range* range = std::get_if<Range>(&op.index->belong_to);
    if (range && range->start->is<NumericValue>() && range->end->is<NumericValue>()) {
        s.degree *= range->end->as<NumericValue>().as_double() - range->start->as<NumericValue>().as_double();
        return;
    }
    s.dynamic = true;
}

void walk_node(DegreeState& s, const Expression& e, DegreeMemo& memo) {
    DepthGuard guard;
    switch (e.kind()) {
        case ExprKind::NumberLit:
        case ExprKind::Placeholder:
        case ExprKind::Element:
        case ExprKind::ArrayLength:
        case ExprKind::UnaryOp: s.degree = 0.0; break;
        case ExprKind::DecisionVar:
            s.degree = 1.0;
            s.has_variable = true;
            break;
        case ExprKind::Subscript: {
            bool of_variable = e.as<Subscript>().variable.is<DecisionVar>();
            s.degree = of_variable ? 1.0 : 0.0;
            s.has_variable = s.has_variable || of_variable;
            break;
        }
        case ExprKind::BinaryOp: {
            const BinaryOp& op = e.as<BinaryOp>();
            if (op.kind == BinaryOpKind::Pow) {
                walk_pow(s, op, memo);
            } else {
                walk(s, *op.left, memo);
                walk(s, *op.right, memo);
            }
            break;
        }
        case ExprKind::CommutativeOp: walk_commutative(s, e.as<CommutativeOp>(), memo); break;
        case ExprKind::ReductionOp: walk_reduction(s, e.as<ReductionOp>(), memo); break;
    }
    raise_to(s.max_degree, s.degree);
}

void merge(DegreeState& s, const DegreeState& fresh) {
    s.degree = fresh.degree;
    raise_to(s.max_degree, fresh.max_degree);
    s.dynamic = s.dynamic || fresh.dynamic;
    s.has_variable = s.has_variable || fresh.has_variable;
    s.non_polynomial = s.non_polynomial || fresh.non_polynomial;
}

void walk(DegreeState& s, const Expression& e, DegreeMemo& memo, bool in_shared_list) {
    // Only operators walk parts; every other node is answered at once.
    const ExprKind kind = e.kind();
    const NodeBase* cell = e.cell_key();
    if ((kind != ExprKind::BinaryOp && kind != ExprKind::CommutativeOp && kind != ExprKind::ReductionOp) ||
        !may_meet_again(cell, in_shared_list))
        return walk_node(s, e, memo);
    if (const DegreeState* known = memo.find({cell})) return merge(s, *known);
    DegreeState fresh;
    walk_node(fresh, e, memo);
    memo.insert({cell}, fresh);
    merge(s, fresh);
}

}  // namespace

void compute_degree(DegreeState& state, const Expression& e) {
    DegreeMemo memo;
    walk(state, e, memo);
}

DegreeState degree_of(const Expression& e) {
    DegreeState s;
    compute_degree(s, e);
    return s;
}

bool is_linear(const DegreeState& s) { return !s.dynamic && !s.non_polynomial && s.max_degree == 1.0; }
bool is_quadratic(const DegreeState& s) { return !s.dynamic && !s.non_polynomial && s.max_degree == 2.0; }
bool is_higher_order(const DegreeState& s) { return !s.dynamic && !s.non_polynomial && s.max_degree > 2.0; }

}  // namespace forvela
