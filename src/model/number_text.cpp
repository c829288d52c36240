#include "model/number_text.hpp"

#include <charconv>
#include <cmath>

namespace forvela {

ShortestDigits shortest_digits(double x) {
    // Scientific form without a precision gives the shortest round-trip
    // digits ("1.2345e+20"); the layout is ours.
    char buf[40];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific);
    (void)ec;
    ShortestDigits d{};
    const char* p = buf;
    for (; p < end && *p != 'e'; ++p)
        if (*p != '.') d.digits[d.count++] = *p;
    int exp10 = 0;
    if (p < end) std::from_chars(p + (p[1] == '+' ? 2 : 1), end, exp10);
    d.exponent = exp10 + 1;
    return d;
}

namespace {

void append_zeros(std::string& out, int n) {
    if (n > 0) out.append(static_cast<std::size_t>(n), '0');
}

// Returns true when `x` was written as a special value.
bool append_special(std::string& out, double x) {
    if (std::isnan(x)) {
        out += "NaN";
        return true;
    }
    if (std::isinf(x)) {
        out += x < 0 ? "-inf" : "inf";
        return true;
    }
    return false;
}

void append_exponent_form(std::string& out, const ShortestDigits& d) {
    out += d.digits[0];
    if (d.count > 1) {
        out += '.';
        out.append(d.digits + 1, static_cast<std::size_t>(d.count - 1));
    }
    out += 'e';
    append_signed(out, d.exponent - 1);
}

// digits placed around the decimal point; `fraction` forces ".0" on a whole
// number.
void append_positional(std::string& out, const ShortestDigits& d, bool fraction) {
    const int n = d.count, e = d.exponent;
    if (e <= 0) {
        out += "0.";
        append_zeros(out, -e);
        out.append(d.digits, static_cast<std::size_t>(n));
    } else if (e < n) {
        out.append(d.digits, static_cast<std::size_t>(e));
        out += '.';
        out.append(d.digits + e, static_cast<std::size_t>(n - e));
    } else {
        out.append(d.digits, static_cast<std::size_t>(n));
        append_zeros(out, e - n);
        if (fraction) out += ".0";
    }
}

}  // namespace

void append_plain_float(std::string& out, double x) {
    if (append_special(out, x)) return;
    if (std::signbit(x)) out += '-';
    if (x == 0) {
        out += '0';
        return;
    }
    append_positional(out, shortest_digits(x), false);
}

std::string plain_float_text(double x) {
    std::string s;
    append_plain_float(s, x);
    return s;
}

void append_fraction_float(std::string& out, double x) {
    if (append_special(out, x)) return;
    if (std::signbit(x)) out += '-';
    if (x == 0) {
        out += "0.0";
        return;
    }
    const double a = std::fabs(x);
    ShortestDigits d = shortest_digits(x);
    if (a >= 1e-4 && a < 1e16)
        append_positional(out, d, true);
    else
        append_exponent_form(out, d);
}

void append_json_float(std::string& out, double x) {
    if (!std::isfinite(x)) {
        out += "null";
        return;
    }
    if (std::signbit(x)) out += '-';
    if (x == 0) {
        out += "0.0";
        return;
    }
    ShortestDigits d = shortest_digits(x);
    if (d.exponent > -5 && d.exponent <= 16)
        append_positional(out, d, true);
    else
        append_exponent_form(out, d);
}

void append_unsigned(std::string& out, std::uint64_t n) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, n);
    out.append(buf, r.ptr);
}

void append_signed(std::string& out, std::int64_t n) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, n);
    out.append(buf, r.ptr);
}

}  // namespace forvela
