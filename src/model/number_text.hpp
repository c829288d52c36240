// The texts of numbers: three layouts of the shortest round-trip digits of
// a float (plain, fraction and JSON) and the decimal text of integers.
#pragma once

#include <cstdint>
#include <string>

namespace forvela {

// The fewest decimal digits d1..dn (d1 != 0, no trailing zeros) that read
// back to |x|, with |x| = 0.d1..dn * 10^exponent. Only for finite x != 0.
struct ShortestDigits {
    char digits[20];
    int count;
    int exponent;
};
ShortestDigits shortest_digits(double x);

// Plain text: never an exponent, no forced fraction ("1", "0.25", "-0",
// "0.0000001", "NaN", "inf").
void append_plain_float(std::string& out, double x);
std::string plain_float_text(double x);

// Fraction text: positional with at least one fraction digit when x is 0 or
// 1e-4 <= |x| < 1e16 ("1.0", "-0.0", "0.0001"), else exponent form ("1e16",
// "1.5e-7").
void append_fraction_float(std::string& out, double x);

// JSON number text of a finite float ("0.0", "1.0", "0.00001", "1e16",
// "1.2345e20"); NaN and the infinities are written as null.
void append_json_float(std::string& out, double x);

void append_unsigned(std::string& out, std::uint64_t n);
void append_signed(std::string& out, std::int64_t n);

}  // namespace forvela
