#include "sample_set/number_text.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <iterator>
#include <utility>

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

namespace {

constexpr std::pair<char32_t, char32_t> kEscapedRanges[] = {
#include "sample_set/escape_table.inc"
};

bool escaped_in_debug_text(char32_t c) {
    auto it = std::upper_bound(std::begin(kEscapedRanges), std::end(kEscapedRanges), c,
                               [](char32_t v, const auto& r) { return v < r.first; });
    if (it == std::begin(kEscapedRanges)) return false;
    --it;
    return c <= it->second;
}

// Decodes one UTF-8 character at `i`, advancing it; a malformed byte reads
// as U+FFFD.
char32_t next_code_point(std::string_view s, std::size_t& i) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char b0 = byte(i);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int len = b0 >= 0xF0 && b0 <= 0xF4 ? 4 : b0 >= 0xE0 ? 3 : b0 >= 0xC2 && b0 < 0xE0 ? 2 : 0;
    if (len == 0 || b0 > 0xF4 || i + static_cast<std::size_t>(len) > s.size()) {
        ++i;
        return 0xFFFD;
    }
    char32_t c = b0 & (0x7F >> len);
    for (int k = 1; k < len; ++k) {
        unsigned char b = byte(i + static_cast<std::size_t>(k));
        if ((b & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        c = (c << 6) | (b & 0x3F);
    }
    bool overlong = (len == 3 && c < 0x800) || (len == 4 && c < 0x10000);
    if (overlong || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++i;
        return 0xFFFD;
    }
    i += static_cast<std::size_t>(len);
    return c;
}

}  // namespace

void append_debug_quoted(std::string& out, std::string_view text) {
    out += '"';
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t start = i;
        char32_t c = next_code_point(text, i);
        switch (c) {
            case U'"': out += "\\\""; continue;
            case U'\\': out += "\\\\"; continue;
            case U'\t': out += "\\t"; continue;
            case U'\r': out += "\\r"; continue;
            case U'\n': out += "\\n"; continue;
            case U'\0': out += "\\0"; continue;
            default: break;
        }
        if (escaped_in_debug_text(c)) {
            char buf[16];
            auto r = std::to_chars(buf, buf + sizeof buf, static_cast<std::uint32_t>(c), 16);
            out += "\\u{";
            out.append(buf, r.ptr);
            out += '}';
        } else if (c == 0xFFFD && (i - start == 1)) {
            out += "\xEF\xBF\xBD";  // U+FFFD
        } else {
            out.append(text.substr(start, i - start));
        }
    }
    out += '"';
}

}  // namespace forvela
