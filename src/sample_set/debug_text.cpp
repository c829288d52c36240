#include "sample_set/debug_text.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <iterator>
#include <utility>

namespace forvela {

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
