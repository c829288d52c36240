#include "model/expression/operand/number_lit.hpp"
#include "model/expression/expression.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>
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

namespace {

// Lays out the shortest round-trip digits of a finite, non-zero double
// positionally, without an exponent.
void append_positional(std::string& out, double v) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
    std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));
    bool negative = false;
    if (!sci.empty() && sci.front() == '-') {
        negative = true;
        sci.remove_prefix(1);
    }
    auto e = sci.find('e');
    std::string digits;
    for (char c : sci.substr(0, e))
        if (c != '.') digits.push_back(c);
    int exponent = std::atoi(std::string(sci.substr(e + 1)).c_str());
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    if (negative) out.push_back('-');
    int point = exponent + 1;  // digits before the decimal point
    int n = static_cast<int>(digits.size());
    if (point <= 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-point), '0');
        out += digits;
    } else if (point >= n) {
        out += digits;
        out.append(static_cast<std::size_t>(point - n), '0');
    } else {
        out.append(digits, 0, static_cast<std::size_t>(point));
        out.push_back('.');
        out.append(digits, static_cast<std::size_t>(point));
    }
}

}  // namespace

void append_numeric_text(std::string& out, const NumericValue& v) {
    if (v.is_integer()) {
        char buf[32];
        auto res = std::to_chars(buf, buf + sizeof buf, v.integer);
        out.append(buf, res.ptr);
        return;
    }
    double f = v.floating;
    if (std::isnan(f)) {
        out += "NaN";
    } else if (std::isinf(f)) {
        out += f < 0 ? "-inf" : "inf";
    } else if (f == 0.0) {
        out += std::signbit(f) ? "-0" : "0";
    } else {
        append_positional(out, f);
    }
}

std::string numeric_text(const NumericValue& v) {
    std::string out;
    append_numeric_text(out, v);
    return out;
}

}  // namespace forvela
