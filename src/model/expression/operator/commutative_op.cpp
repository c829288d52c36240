#include "model/expression/operator/commutative_op.hpp"

#include "model/expression/equality.hpp"
#include "model/expression/expression.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

namespace forvela {

namespace {

bool is_literal(const Expression& e) { return e.kind() == ExprKind::NumberLit; }
NumericValue number_of(const Expression& e) { return e.as<NumericValue>(); }

bool is_commutative(const Expression& e, CommutativeOpKind kind) {
    return e.kind() == ExprKind::CommutativeOp && e.as<CommutativeOp>().kind == kind;
}
bool is_sum(const Expression& e) { return is_commutative(e, CommutativeOpKind::Add); }
bool is_product(const Expression& e) { return is_commutative(e, CommutativeOpKind::Mul); }
bool is_plain_sum(const Expression& e) { return is_sum(e) && !has_custom_latex(e); }
bool is_plain_product(const Expression& e) { return is_product(e) && !has_custom_latex(e); }
bool is_pow(const Expression& e) {
    return e.kind() == ExprKind::BinaryOp && e.as<BinaryOp>().kind == BinaryOpKind::Pow;
}

std::vector<Expression> vec_of(Expression a, Expression b) {
    std::vector<Expression> terms;
    terms.reserve(2);
    terms.push_back(std::move(a));
    terms.push_back(std::move(b));
    return terms;
}

Expression unwrap_single(Expression sum) {
    const auto& terms = std::as_const(sum).as<CommutativeOp>().terms;
    if (terms.size() == 1) {
        Expression only = terms.front();
        return only;
    }
    return sum;
}

NumericValue numeric_sub(const NumericValue& a, const NumericValue& b) {
    if (a.is_integer() && b.is_integer()) return numeric_add(a, numeric_neg(b));
    return NumericValue::of_float(a.as_double() - b.as_double());
}

}  // namespace

bool is_zero_literal(const Expression& e) { return is_literal(e) && number_of(e).is_zero(); }
bool is_one_literal(const Expression& e) { return is_literal(e) && number_of(e).is_one(); }

// ---- term helpers ----

void fold_number_into_sum(CommutativeOp& sum, const NumericValue& number) {
    auto& terms = sum.terms;
    if (terms.has_tail()) {
        terms.set_tail(Expression(numeric_add(number_of(terms.tail()), number)));
    } else if (!terms.empty() && is_literal(terms.back())) {
        auto& items = terms.edit();
        items.back() = Expression(numeric_add(number_of(items.back()), number));
    } else {
        terms.set_tail(Expression(number));
    }
}

void push_sum_term(CommutativeOp& sum, Expression term) {
    if (is_literal(term)) {
        fold_number_into_sum(sum, number_of(term));
        return;
    }
    auto& terms = sum.terms;
    if (!terms.has_tail() && !terms.empty() && is_literal(terms.back())) {
        // Hold the literal apart, so that it stays last as terms are appended.
        auto& items = terms.edit();
        Expression literal = std::move(items.back());
        items.pop_back();
        terms.set_tail(std::move(literal));
    }
    terms.push_before_tail(std::move(term));
}

std::optional<NumericValue> take_number_term(CommutativeOp& sum) {
    auto& terms = sum.terms;
    for (std::size_t i = 0; i < terms.size(); ++i) {
        if (!is_literal(terms[i])) continue;
        NumericValue n = number_of(terms[i]);
        if (terms.has_tail() && i + 1 == terms.size()) {
            terms.drop_tail();
        } else {
            auto& items = terms.edit();
            if (i + 1 != items.size()) items[i] = std::move(items.back());
            items.pop_back();
        }
        return n;
    }
    return std::nullopt;
}

void fold_number_into_product(CommutativeOp& product, const NumericValue& number) {
    auto& items = product.terms.edit();
    if (!items.empty() && is_literal(items.front())) {
        items.front() = Expression(numeric_mul(number_of(items.front()), number));
    } else {
        items.insert(items.begin(), Expression(number));
    }
}

std::optional<NumericValue> take_leading_number(CommutativeOp& product) {
    if (product.terms.empty() || !is_literal(product.terms.front())) return std::nullopt;
    auto& items = product.terms.edit();
    NumericValue n = number_of(items.front());
    if (items.size() > 1) items.front() = std::move(items.back());
    items.pop_back();
    return n;
}

// Sums and products hold at most one literal, last (in the tail) or first:
// only it can have become zero.
void remove_zero_terms(CommutativeOp& op) {
    auto& terms = op.terms;
    if (terms.has_tail()) {
        if (is_zero_literal(terms.tail())) terms.drop_tail();
        return;
    }
    if (!terms.empty() && (is_zero_literal(terms.back()) || is_zero_literal(terms.front())))
        std::erase_if(terms.edit(), [](const Expression& t) { return is_zero_literal(t); });
}

namespace {

void extend_terms(TermList& a, const TermList& b) {
    for (const auto& t : b) a.push_back(t);
}

}  // namespace

// ---- node constructors ----

namespace {

// A long list without literals is kept as it is.
bool keeps_whole(const std::vector<Expression>& terms) {
    return terms.size() > 2 && std::none_of(terms.begin(), terms.end(), is_literal);
}

}  // namespace

Expression make_add_op(std::vector<Expression> terms) {
    if (keeps_whole(terms))
        return Expression(CommutativeOp{std::nullopt, TermList(std::move(terms)), CommutativeOpKind::Add});
    return make_add_op(std::span<Expression>(terms));
}

Expression make_mul_op(std::vector<Expression> terms) {
    if (keeps_whole(terms))
        return Expression(CommutativeOp{std::nullopt, TermList(std::move(terms)), CommutativeOpKind::Mul});
    return make_mul_op(std::span<Expression>(terms));
}

namespace {

// The terms of `terms` that are not literals, in order, `first` (when it is
// given) before them: inline when they fit, with no buffer of their own.
TermList kept_terms(std::span<Expression> terms, std::size_t kept, std::optional<Expression> first) {
    TermList list;
    if (kept + (first ? 1 : 0) <= 2) {
        if (first) list.push_back(std::move(*first));
        for (auto& t : terms)
            if (!is_literal(t)) list.push_back(std::move(t));
        return list;
    }
    std::vector<Expression> items;
    items.reserve(terms.size() + 1);
    if (first) items.push_back(std::move(*first));
    for (auto& t : terms)
        if (!is_literal(t)) items.push_back(std::move(t));
    return TermList(std::move(items));
}

}  // namespace

Expression make_add_op(std::span<Expression> terms) {
    NumericValue total = NumericValue::of_integer(0);
    std::size_t kept = 0;
    for (const auto& t : terms) {
        if (is_literal(t))
            total = numeric_add(total, number_of(t));
        else
            ++kept;
    }
    CommutativeOp op{std::nullopt, kept_terms(terms, kept, std::nullopt), CommutativeOpKind::Add};
    if (!numeric_values_equal(total, NumericValue::of_integer(0))) op.terms.set_tail(Expression(total));
    return Expression(std::move(op));
}

Expression make_mul_op(std::span<Expression> terms) {
    NumericValue total = NumericValue::of_integer(1);
    std::size_t kept = 0;
    for (const auto& t : terms) {
        if (is_literal(t))
            total = numeric_mul(total, number_of(t));
        else
            ++kept;
    }
    std::optional<Expression> first;
    if (!numeric_values_equal(total, NumericValue::of_integer(1))) first.emplace(total);
    return Expression(
        CommutativeOp{std::nullopt, kept_terms(terms, kept, std::move(first)), CommutativeOpKind::Mul});
}

// ---- builders ----

Expression add(Expression a, Expression b) {
    if (is_literal(a) && is_literal(b)) return Expression(numeric_add(number_of(a), number_of(b)));
    if (is_zero_literal(a)) return b;
    if (is_zero_literal(b)) return a;
    bool a_latex = has_custom_latex(a), b_latex = has_custom_latex(b);
    if (is_literal(a) && b_latex) return make_add_op(vec_of(std::move(b), std::move(a)));
    if (is_plain_sum(a) && b_latex) {
        push_sum_term(a.mut<CommutativeOp>(), std::move(b));
        return a;
    }
    if (is_plain_sum(b) && a_latex) {
        push_sum_term(b.mut<CommutativeOp>(), std::move(a));
        return b;
    }
    if (a_latex || b_latex) return make_add_op(vec_of(std::move(a), std::move(b)));

    if (is_literal(a)) {
        if (is_sum(b)) {
            auto& sum = b.mut<CommutativeOp>();
            fold_number_into_sum(sum, number_of(a));
            remove_zero_terms(sum);
            return unwrap_single(std::move(b));
        }
        return make_add_op(vec_of(std::move(b), std::move(a)));
    }
    if (is_sum(a) && is_literal(b)) {
        auto& sum = a.mut<CommutativeOp>();
        fold_number_into_sum(sum, number_of(b));
        remove_zero_terms(sum);
        return unwrap_single(std::move(a));
    }
    if (is_sum(a) && is_sum(b)) {
        auto& left = a.mut<CommutativeOp>();
        auto& right = b.mut<CommutativeOp>();
        auto na = take_number_term(left);
        auto nb = take_number_term(right);
        std::optional<NumericValue> combined = na && nb ? numeric_add(*na, *nb) : na ? na : nb;
        for (const auto& t : right.terms) left.terms.push_before_tail(t);
        if (combined) left.terms.set_tail(Expression(*combined));
        remove_zero_terms(left);
        return unwrap_single(std::move(a));
    }
    if (is_sum(a)) {
        push_sum_term(a.mut<CommutativeOp>(), std::move(b));
        return a;
    }
    if (is_sum(b)) {
        push_sum_term(b.mut<CommutativeOp>(), std::move(a));
        return b;
    }
    return make_add_op(vec_of(std::move(a), std::move(b)));
}

Expression multiply(Expression a, Expression b) {
    if (is_literal(a) && is_literal(b)) return Expression(numeric_mul(number_of(a), number_of(b)));
    if (is_zero_literal(a) || is_zero_literal(b)) return Expression(NumericValue::of_integer(0));
    if (is_one_literal(b)) return a;
    if (is_one_literal(a)) return b;
    bool a_latex = has_custom_latex(a), b_latex = has_custom_latex(b);
    if (is_literal(b) && a_latex) return make_mul_op(vec_of(std::move(b), std::move(a)));
    if (is_plain_product(a) && b_latex) {
        a.mut<CommutativeOp>().terms.push_back(std::move(b));
        return a;
    }
    if (is_plain_product(b) && a_latex) {
        b.mut<CommutativeOp>().terms.push_back(std::move(a));
        return b;
    }
    if (a_latex || b_latex) return make_mul_op(vec_of(std::move(a), std::move(b)));

    if (is_literal(a)) {
        if (is_product(b)) {
            fold_number_into_product(b.mut<CommutativeOp>(), number_of(a));
            return b;
        }
        return make_mul_op(vec_of(std::move(a), std::move(b)));
    }
    if (a.kind() == ExprKind::BinaryOp) {
        if (is_literal(b)) return make_mul_op(vec_of(std::move(b), std::move(a)));
        if (is_pow(a) && is_pow(b) && equal(*a.as<BinaryOp>().left, *b.as<BinaryOp>().left)) {
            auto& pa = a.mut<BinaryOp>();
            auto& pb = b.mut<BinaryOp>();
            Expression exponent = add(pa.right.take(), pb.right.take());
            return make_pow_op(pa.left.take(), std::move(exponent));
        }
        if (is_product(b)) {
            b.mut<CommutativeOp>().terms.push_back(std::move(a));
            return b;
        }
        return make_mul_op(vec_of(std::move(a), std::move(b)));
    }
    if (is_product(a)) {
        auto& product = a.mut<CommutativeOp>();
        if (is_literal(b)) {
            fold_number_into_product(product, number_of(b));
        } else if (is_product(b)) {
            auto& other = b.mut<CommutativeOp>();
            if (auto n = take_leading_number(other)) fold_number_into_product(product, *n);
            extend_terms(product.terms, other.terms);
        } else {
            product.terms.push_back(std::move(b));
        }
        return a;
    }
    if (is_literal(b)) return make_mul_op(vec_of(std::move(b), std::move(a)));
    if (is_product(b)) {
        b.mut<CommutativeOp>().terms.push_back(std::move(a));
        return b;
    }
    return make_mul_op(vec_of(std::move(a), std::move(b)));
}

Expression subtract(Expression a, Expression b) {
    if (is_zero_literal(a)) {
        if (is_zero_literal(b)) return Expression(NumericValue::of_integer(0));
        return multiply(Expression(NumericValue::of_integer(-1)), std::move(b));
    }
    if (is_zero_literal(b)) return a;
    if (is_literal(a) && is_literal(b)) return Expression(numeric_sub(number_of(a), number_of(b)));
    return add(std::move(a), multiply(Expression(NumericValue::of_integer(-1)), std::move(b)));
}

Expression negate(Expression a) {
    if (is_literal(a)) return Expression(numeric_neg(number_of(a)));
    return multiply(Expression(NumericValue::of_integer(-1)), std::move(a));
}

Result<Expression> divide(Expression a, Expression b) {
    if (is_zero_literal(b)) return fail(ErrorKind::ZeroDivisionError, "division by zero");
    auto inverse = power(std::move(b), Expression(NumericValue::of_integer(-1)));
    if (!inverse) return inverse;
    return multiply(std::move(a), std::move(*inverse));
}

Result<Expression> make_min_max_op(CommutativeOpKind kind, std::vector<Expression> operands) {
    for (std::size_t i = 0; i < operands.size(); ++i)
        if (contains_decision_var(operands[i]))
            return modeling_error("the " + std::to_string(i) + "-th term contains a decision variable");
    return Expression(CommutativeOp{std::nullopt, std::move(operands), kind});
}

// ---- serializer normalisation ----

CommutativeOp flatten_add_terms(const CommutativeOp& node) {
    DepthGuard guard;
    CommutativeOp out{std::nullopt, {}, node.kind};
    for (const auto& t : node.terms) {
        if (is_literal(t)) {
            fold_number_into_sum(out, number_of(t));
        } else if (is_sum(t)) {
            CommutativeOp inner = flatten_add_terms(t.as<CommutativeOp>());
            for (const auto& u : inner.terms) push_sum_term(out, u);
        } else {
            push_sum_term(out, t);
        }
    }
    remove_zero_terms(out);
    return out;
}

CommutativeOp flatten_mul_terms(const CommutativeOp& node) {
    DepthGuard guard;
    CommutativeOp out{std::nullopt, {}, node.kind};
    const auto& terms = node.terms;
    for (std::size_t i = 0; i < terms.size(); ++i) {
        const auto& t = terms[i];
        if (is_pow(t)) {
            const auto& pow = t.as<BinaryOp>();
            if (i + 1 < terms.size() && is_pow(terms[i + 1]) &&
                equal(*pow.left, *terms[i + 1].as<BinaryOp>().left)) {
                const auto& next = terms[i + 1].as<BinaryOp>();
                out.terms.push_back(make_pow_op(*pow.left, add(*pow.right, *next.right)));
                ++i;
            } else {
                out.terms.push_back(t);
            }
        } else if (is_product(t)) {
            CommutativeOp inner = flatten_mul_terms(t.as<CommutativeOp>());
            if (auto n = take_leading_number(inner)) fold_number_into_product(out, *n);
            extend_terms(out.terms, inner.terms);
        } else {
            out.terms.push_back(t);
        }
    }
    return out;
}

}  // namespace forvela
