#include "model/expression/arithmetic.hpp"

#include "model/expression/equality.hpp"

#include <cmath>

namespace forvela {

namespace {

bool is_literal(const Expression& e) { return e.kind() == ExprKind::NumberLit; }
const NumericValue& number_of(const Expression& e) { return e.as<NumericValue>(); }

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
    auto& terms = sum.as<CommutativeOp>().terms;
    if (terms.size() == 1) {
        Expression only = std::move(terms.front());
        return only;
    }
    return sum;
}

NumericValue numeric_sub(const NumericValue& a, const NumericValue& b) {
    if (a.is_integer() && b.is_integer()) return numeric_add(a, numeric_neg(b));
    return NumericValue::of_float(a.as_double() - b.as_double());
}

// A positive literal: an integer above 0, or a float with its sign bit clear
// that is not zero (NaN with a clear sign bit included, as is +inf).
bool is_positive_literal(const Expression& e) {
    if (!is_literal(e)) return false;
    const auto& v = number_of(e);
    return v.is_integer() ? v.integer > 0 : !std::signbit(v.floating) && v.floating != 0.0;
}

bool is_negative_literal(const Expression& e) {
    return is_literal(e) && number_of(e).sign_bit();
}

}  // namespace

bool is_zero_literal(const Expression& e) { return is_literal(e) && number_of(e).is_zero(); }
bool is_one_literal(const Expression& e) { return is_literal(e) && number_of(e).is_one(); }

// ---- term helpers ----

void fold_number_into_sum(CommutativeOp& sum, const NumericValue& number) {
    if (!sum.terms.empty() && is_literal(sum.terms.back())) {
        auto& last = sum.terms.back().as<NumericValue>();
        last = numeric_add(last, number);
    } else {
        sum.terms.emplace_back(number);
    }
}

void push_sum_term(CommutativeOp& sum, Expression term) {
    if (is_literal(term)) {
        fold_number_into_sum(sum, number_of(term));
        return;
    }
    if (!sum.terms.empty() && is_literal(sum.terms.back())) {
        // Keep the literal last: the new term takes its slot, it moves behind.
        sum.terms.push_back(std::move(term));
        std::swap(sum.terms[sum.terms.size() - 1], sum.terms[sum.terms.size() - 2]);
    } else {
        sum.terms.push_back(std::move(term));
    }
}

std::optional<NumericValue> take_number_term(CommutativeOp& sum) {
    for (std::size_t i = 0; i < sum.terms.size(); ++i) {
        if (!is_literal(sum.terms[i])) continue;
        NumericValue n = number_of(sum.terms[i]);
        if (i + 1 != sum.terms.size()) sum.terms[i] = std::move(sum.terms.back());
        sum.terms.pop_back();
        return n;
    }
    return std::nullopt;
}

void fold_number_into_product(CommutativeOp& product, const NumericValue& number) {
    if (!product.terms.empty() && is_literal(product.terms.front())) {
        auto& first = product.terms.front().as<NumericValue>();
        first = numeric_mul(first, number);
    } else {
        product.terms.insert(product.terms.begin(), Expression(number));
    }
}

std::optional<NumericValue> take_leading_number(CommutativeOp& product) {
    if (product.terms.empty() || !is_literal(product.terms.front())) return std::nullopt;
    NumericValue n = number_of(product.terms.front());
    if (product.terms.size() > 1) product.terms.front() = std::move(product.terms.back());
    product.terms.pop_back();
    return n;
}

void remove_zero_terms(CommutativeOp& op) {
    std::erase_if(op.terms, [](const Expression& t) { return is_zero_literal(t); });
}

namespace {

void extend_terms(std::vector<Expression>& a, std::vector<Expression>&& b) {
    a.reserve(a.size() + b.size());
    for (auto& t : b) a.push_back(std::move(t));
    b.clear();
}

}  // namespace

// ---- node constructors ----

Expression new_binary_op(BinaryOpKind kind, Expression left, Expression right) {
    return Expression(BinaryOp{std::nullopt, Box<Expression>(std::move(left)),
                               Box<Expression>(std::move(right)), kind});
}

Expression new_add_op(std::vector<Expression> terms) {
    NumericValue total = NumericValue::of_integer(0);
    std::vector<Expression> kept;
    kept.reserve(terms.size() + 1);
    for (auto& t : terms) {
        if (is_literal(t))
            total = numeric_add(total, number_of(t));
        else
            kept.push_back(std::move(t));
    }
    if (!numeric_values_equal(total, NumericValue::of_integer(0))) kept.emplace_back(total);
    CommutativeOp op{std::nullopt, std::move(kept), CommutativeOpKind::Add};
    remove_zero_terms(op);
    return Expression(std::move(op));
}

Expression new_mul_op(std::vector<Expression> terms) {
    NumericValue total = NumericValue::of_integer(1);
    std::vector<Expression> kept;
    kept.reserve(terms.size() + 1);
    for (auto& t : terms) {
        if (is_literal(t))
            total = numeric_mul(total, number_of(t));
        else
            kept.push_back(std::move(t));
    }
    if (!numeric_values_equal(total, NumericValue::of_integer(1)))
        kept.insert(kept.begin(), Expression(total));
    return Expression(CommutativeOp{std::nullopt, std::move(kept), CommutativeOpKind::Mul});
}

// ---- builders ----

Expression add_expressions(Expression a, Expression b) {
    if (is_literal(a) && is_literal(b)) return Expression(numeric_add(number_of(a), number_of(b)));
    if (is_zero_literal(a)) return b;
    if (is_zero_literal(b)) return a;
    bool a_latex = has_custom_latex(a), b_latex = has_custom_latex(b);
    if (is_literal(a) && b_latex) return new_add_op(vec_of(std::move(b), std::move(a)));
    if (is_plain_sum(a) && b_latex) {
        push_sum_term(a.as<CommutativeOp>(), std::move(b));
        return a;
    }
    if (is_plain_sum(b) && a_latex) {
        push_sum_term(b.as<CommutativeOp>(), std::move(a));
        return b;
    }
    if (a_latex || b_latex) return new_add_op(vec_of(std::move(a), std::move(b)));

    if (is_literal(a)) {
        if (is_sum(b)) {
            auto& sum = b.as<CommutativeOp>();
            fold_number_into_sum(sum, number_of(a));
            remove_zero_terms(sum);
            return unwrap_single(std::move(b));
        }
        return new_add_op(vec_of(std::move(b), std::move(a)));
    }
    if (is_sum(a) && is_literal(b)) {
        auto& sum = a.as<CommutativeOp>();
        fold_number_into_sum(sum, number_of(b));
        remove_zero_terms(sum);
        return unwrap_single(std::move(a));
    }
    if (is_sum(a) && is_sum(b)) {
        auto& left = a.as<CommutativeOp>();
        auto& right = b.as<CommutativeOp>();
        auto na = take_number_term(left);
        auto nb = take_number_term(right);
        std::optional<NumericValue> combined = na && nb ? numeric_add(*na, *nb) : na ? na : nb;
        extend_terms(left.terms, std::move(right.terms));
        if (combined) left.terms.emplace_back(*combined);
        remove_zero_terms(left);
        return unwrap_single(std::move(a));
    }
    if (is_sum(a)) {
        push_sum_term(a.as<CommutativeOp>(), std::move(b));
        return a;
    }
    if (is_sum(b)) {
        push_sum_term(b.as<CommutativeOp>(), std::move(a));
        return b;
    }
    return new_add_op(vec_of(std::move(a), std::move(b)));
}

Expression mul_expressions(Expression a, Expression b) {
    if (is_literal(a) && is_literal(b)) return Expression(numeric_mul(number_of(a), number_of(b)));
    if (is_zero_literal(a) || is_zero_literal(b)) return Expression(NumericValue::of_integer(0));
    if (is_one_literal(b)) return a;
    if (is_one_literal(a)) return b;
    bool a_latex = has_custom_latex(a), b_latex = has_custom_latex(b);
    if (is_literal(b) && a_latex) return new_mul_op(vec_of(std::move(b), std::move(a)));
    if (is_plain_product(a) && b_latex) {
        a.as<CommutativeOp>().terms.push_back(std::move(b));
        return a;
    }
    if (is_plain_product(b) && a_latex) {
        b.as<CommutativeOp>().terms.push_back(std::move(a));
        return b;
    }
    if (a_latex || b_latex) return new_mul_op(vec_of(std::move(a), std::move(b)));

    if (is_literal(a)) {
        if (is_product(b)) {
            fold_number_into_product(b.as<CommutativeOp>(), number_of(a));
            return b;
        }
        return new_mul_op(vec_of(std::move(a), std::move(b)));
    }
    if (a.kind() == ExprKind::BinaryOp) {
        if (is_literal(b)) return new_mul_op(vec_of(std::move(b), std::move(a)));
        if (is_pow(a) && is_pow(b) && equal(*a.as<BinaryOp>().left, *b.as<BinaryOp>().left)) {
            auto& pa = a.as<BinaryOp>();
            auto& pb = b.as<BinaryOp>();
            Expression exponent = add_expressions(pa.right.take(), pb.right.take());
            return new_pow_op(pa.left.take(), std::move(exponent));
        }
        if (is_product(b)) {
            b.as<CommutativeOp>().terms.push_back(std::move(a));
            return b;
        }
        return new_mul_op(vec_of(std::move(a), std::move(b)));
    }
    if (is_product(a)) {
        auto& product = a.as<CommutativeOp>();
        if (is_literal(b)) {
            fold_number_into_product(product, number_of(b));
        } else if (is_product(b)) {
            auto& other = b.as<CommutativeOp>();
            if (auto n = take_leading_number(other)) fold_number_into_product(product, *n);
            extend_terms(product.terms, std::move(other.terms));
        } else {
            product.terms.push_back(std::move(b));
        }
        return a;
    }
    if (is_literal(b)) return new_mul_op(vec_of(std::move(b), std::move(a)));
    if (is_product(b)) {
        b.as<CommutativeOp>().terms.push_back(std::move(a));
        return b;
    }
    return new_mul_op(vec_of(std::move(a), std::move(b)));
}

Expression subtract_expressions(Expression a, Expression b) {
    if (is_zero_literal(a)) {
        if (is_zero_literal(b)) return Expression(NumericValue::of_integer(0));
        return mul_expressions(Expression(NumericValue::of_integer(-1)), std::move(b));
    }
    if (is_zero_literal(b)) return a;
    if (is_literal(a) && is_literal(b)) return Expression(numeric_sub(number_of(a), number_of(b)));
    return add_expressions(std::move(a),
                           mul_expressions(Expression(NumericValue::of_integer(-1)), std::move(b)));
}

Expression neg_expression(Expression a) {
    if (is_literal(a)) return Expression(numeric_neg(number_of(a)));
    return mul_expressions(Expression(NumericValue::of_integer(-1)), std::move(a));
}

Result<Expression> pow_expressions(Expression base, Expression exponent) {
    if (contains_decision_var(exponent))
        return modeling_error("the exponent contains a decision variable");
    if (contains_decision_var(base) && !is_positive_literal(exponent))
        return modeling_error("a decision variable can be raised to only a positive power");
    if (is_zero_literal(base) && is_negative_literal(exponent))
        return fail(ErrorKind::ZeroDivisionError, "zero cannot be raised to a negative power");
    return new_pow_op(std::move(base), std::move(exponent));
}

Result<Expression> truediv_expressions(Expression a, Expression b) {
    if (is_zero_literal(b)) return fail(ErrorKind::ZeroDivisionError, "division by zero");
    auto inverse = pow_expressions(std::move(b), Expression(NumericValue::of_integer(-1)));
    if (!inverse) return inverse;
    return mul_expressions(std::move(a), std::move(*inverse));
}

Result<Expression> mod_expressions(Expression a, Expression b) {
    if (contains_decision_var(a) || contains_decision_var(b))
        return modeling_error("the modulo op contains a decision variable");
    if (is_zero_literal(b)) return fail(ErrorKind::ZeroDivisionError, "modulo by zero");
    return new_mod_op(std::move(a), std::move(b));
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
            for (auto& u : inner.terms) push_sum_term(out, std::move(u));
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
                out.terms.push_back(
                    new_pow_op(*pow.left, add_expressions(*pow.right, *next.right)));
                ++i;
            } else {
                out.terms.push_back(t);
            }
        } else if (is_product(t)) {
            CommutativeOp inner = flatten_mul_terms(t.as<CommutativeOp>());
            if (auto n = take_leading_number(inner)) fold_number_into_product(out, *n);
            extend_terms(out.terms, std::move(inner.terms));
        } else {
            out.terms.push_back(t);
        }
    }
    return out;
}

}  // namespace forvela
