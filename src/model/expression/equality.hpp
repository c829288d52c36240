// Structural equality and hashing of expression values and conditions. Both
// ignore custom LaTeX texts and descriptions; equal values hash alike.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "model/expression/expression.hpp"

namespace forvela {

class Hasher {
public:
    void word(std::uint64_t w);
    void bytes(std::string_view s);
    std::uint64_t finish() const;

private:
    std::uint64_t state_ = 0x243f6a8885a308d3ULL;
};

bool equal(const Expression& a, const Expression& b);
bool equal(const Placeholder& a, const Placeholder& b);
bool equal(const Element& a, const Element& b);
bool equal(const Range& a, const Range& b);
bool equal(const ElementBelongTo& a, const ElementBelongTo& b);
bool equal(const DecisionVar& a, const DecisionVar& b);
bool equal(const DecisionVarBound& a, const DecisionVarBound& b);
bool equal(const Subscript& a, const Subscript& b);
bool equal(const SubscriptedVariable& a, const SubscriptedVariable& b);
bool equal(const ArrayOperand& a, const ArrayOperand& b);
bool equal(const ArrayLength& a, const ArrayLength& b);
bool equal(const UnaryOp& a, const UnaryOp& b);
bool equal(const BinaryOp& a, const BinaryOp& b);
bool equal(const CommutativeOp& a, const CommutativeOp& b);
bool equal(const ReductionOp& a, const ReductionOp& b);
bool equal(const ConditionalExpr& a, const ConditionalExpr& b);
bool equal(const ComparisonOp& a, const ComparisonOp& b);
bool equal(const LogicalOp& a, const LogicalOp& b);
bool equal(std::span<const Expression> a, std::span<const Expression> b);

void hash(const Expression& e, Hasher& h);
void hash(const NumericValue& v, Hasher& h);
void hash(const Placeholder& p, Hasher& h);
void hash(const Element& e, Hasher& h);
void hash(const DecisionVar& v, Hasher& h);
void hash(const Subscript& s, Hasher& h);
void hash(const ArrayLength& a, Hasher& h);
void hash(const ConditionalExpr& c, Hasher& h);
void hash(std::span<const Expression> list, Hasher& h);

// Shared cells: one cell is equal to itself without a walk.
template <class T>
bool equal(const Box<T>& a, const Box<T>& b) {
    return a.same_cell(b) || equal(*a, *b);
}
inline bool equal(const Box<Expression>& a, const Box<Expression>& b) { return equal(*a, *b); }
template <class T>
void hash(const Box<T>& b, Hasher& h) {
    hash(*b, h);
}

template <class T>
std::uint64_t hash_of(const T& value) {
    Hasher h;
    hash(value, h);
    return h.finish();
}

}  // namespace forvela
