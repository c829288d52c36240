// NumericValue: the number held by a NumberLit node, a signed 64-bit integer
// or a 64-bit float, with its equality, folding arithmetic and text form.
#pragma once

#include <cstdint>
#include <string>

namespace forvela {

struct NumericValue {
    enum class Tag : std::uint8_t { Integer = 0, Float = 1 };

    Tag tag = Tag::Integer;
    // The member the tag names is the one in use.
    union {
        std::int64_t integer = 0;
        double floating;
    };

    static NumericValue of_integer(std::int64_t v) {
        NumericValue n;
        n.integer = v;
        return n;
    }
    static NumericValue of_float(double v) {
        NumericValue n;
        n.tag = Tag::Float;
        n.floating = v;
        return n;
    }

    bool is_integer() const { return tag == Tag::Integer; }
    double as_double() const { return is_integer() ? static_cast<double>(integer) : floating; }
    // True for a negative integer or a float whose sign bit is set (-0.0 and a
    // sign-bit NaN included).
    bool sign_bit() const;
    // True for the integer -1 or the float -1.0.
    bool is_minus_one() const;
    bool is_zero() const;
    bool is_one() const;
};

bool numeric_values_equal(const NumericValue& a, const NumericValue& b);

// Integer with integer stays Integer while the exact result fits in 64 bits;
// otherwise (or with any Float operand) the result is the Float of the exact
// value. Never wraps.
NumericValue numeric_add(const NumericValue& a, const NumericValue& b);
NumericValue numeric_mul(const NumericValue& a, const NumericValue& b);
NumericValue numeric_neg(const NumericValue& a);

// Decimal text: integers plainly, floats as the shortest round-trip digits laid
// out positionally ("2", "0.00000015", "NaN", "inf", "-0").
std::string numeric_text(const NumericValue& v);
void append_numeric_text(std::string& out, const NumericValue& v);

}  // namespace forvela
