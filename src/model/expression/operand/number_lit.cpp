#include "model/expression/operand/number_lit.hpp"
#include "model/expression/expression.hpp"
#include "model/number_text.hpp"

#include <cmath>
#include <limits>

namespace forvela {

bool NumericValue::sign_bit() const { return is_integer() ? integer < 0 : std::signbit(floating); }

bool NumericValue::is_minus_one() const { return is_integer() ? integer == -1 : floating == -1.0; }

bool NumericValue::is_zero() const { return is_integer() ? integer == 0 : floating == 0.0; }

bool NumericValue::is_one() const { return is_integer() ? integer == 1 : floating == 1.0; }

bool numeric_values_equal(const NumericValue& a, const NumericValue& b) {
    if (a.is_integer() && b.is_integer()) return a.integer == b.integer;
    return a.as_double() == b.as_double();
}

namespace {

NumericValue from_wide(__int128 exact) {
    if (exact >= std::numeric_limits<std::int64_t>::min() &&
        exact <= std::numeric_limits<std::int64_t>::max())
        return NumericValue::of_integer(static_cast<std::int64_t>(exact));
    return NumericValue::of_float(static_cast<double>(exact));
}

}  // namespace

NumericValue numeric_add(const NumericValue& a, const NumericValue& b) {
    if (a.is_integer() && b.is_integer()) return from_wide(static_cast<__int128>(a.integer) + b.integer);
    return NumericValue::of_float(a.as_double() + b.as_double());
}

NumericValue numeric_mul(const NumericValue& a, const NumericValue& b) {
    if (a.is_integer() && b.is_integer()) return from_wide(static_cast<__int128>(a.integer) * b.integer);
    return NumericValue::of_float(a.as_double() * b.as_double());
}

NumericValue numeric_neg(const NumericValue& a) {
    if (a.is_integer()) return from_wide(-static_cast<__int128>(a.integer));
    return NumericValue::of_float(-a.floating);
}

void append_numeric_text(std::string& out, const NumericValue& v) {
    if (v.is_integer())
        append_signed(out, v.integer);
    else
        append_plain_float(out, v.floating);
}

std::string numeric_text(const NumericValue& v) {
    std::string out;
    append_numeric_text(out, v);
    return out;
}

}  // namespace forvela
