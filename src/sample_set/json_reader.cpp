#include "sample_set/json_reader.hpp"

#include <charconv>
#include <cmath>
#include <limits>

#include "model/number_text.hpp"
#include "sample_set/debug_text.hpp"

namespace forvela {

namespace {

bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }

int hex_value(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The length of the well-formed UTF-8 sequence starting at `i` (lead byte
// 0x80 or above), or 0 when it is malformed.
std::size_t utf8_sequence_length(std::string_view s, std::size_t i) {
    auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char b0 = at(i);
    std::size_t len;
    unsigned char lo = 0x80, hi = 0xBF;  // bounds of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        if (b0 == 0xE0) lo = 0xA0;  // no overlong forms
        if (b0 == 0xED) hi = 0x9F;  // no surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        if (b0 == 0xF0) lo = 0x90;
        if (b0 == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (i + len > s.size()) return 0;
    if (at(i + 1) < lo || at(i + 1) > hi) return 0;
    for (std::size_t k = 2; k < len; ++k)
        if ((at(i + k) & 0xC0) != 0x80) return 0;
    return len;
}

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Whether a number token whose float conversion is out of range lies above
// the largest float (rather than below the smallest): the decimal magnitude
// of its leading digit decides, the two limits being 600 decades apart.
bool number_overflows(std::string_view token) {
    std::size_t i = token.starts_with('-') ? 1 : 0;
    long long magnitude = 0;
    bool seen_nonzero = false;
    for (; i < token.size() && is_digit(static_cast<unsigned char>(token[i])); ++i) {
        if (token[i] != '0') seen_nonzero = true;
        if (seen_nonzero) ++magnitude;
    }
    if (i < token.size() && token[i] == '.') {
        for (++i; i < token.size() && is_digit(static_cast<unsigned char>(token[i])); ++i) {
            if (seen_nonzero) continue;
            if (token[i] != '0')
                seen_nonzero = true;
            else
                --magnitude;
        }
    }
    long long exponent = 0;
    if (i < token.size() && (token[i] == 'e' || token[i] == 'E')) {
        ++i;
        bool negative = false;
        if (i < token.size() && (token[i] == '+' || token[i] == '-')) negative = token[i++] == '-';
        for (; i < token.size(); ++i)
            if (exponent < 1'000'000'000) exponent = exponent * 10 + (token[i] - '0');
        if (negative) exponent = -exponent;
    }
    return magnitude + exponent > 0;
}

std::string found_number(const JsonNumber& n) {
    std::string s;
    switch (n.kind) {
        case JsonNumber::Kind::Unsigned:
            s = "integer `";
            append_unsigned(s, n.u);
            break;
        case JsonNumber::Kind::Signed:
            s = "integer `";
            append_signed(s, n.i);
            break;
        case JsonNumber::Kind::Float:
            s = "floating point `";
            append_json_float(s, n.f);
            break;
    }
    s += '`';
    return s;
}

}  // namespace

double JsonNumber::as_double() const {
    switch (kind) {
        case Kind::Unsigned: return static_cast<double>(u);
        case Kind::Signed: return static_cast<double>(i);
        case Kind::Float: break;
    }
    return f;
}

std::string invalid_length_message(std::size_t read, const RecordShape& shape) {
    std::string s = "invalid length ";
    append_unsigned(s, read);
    s += ", expected struct ";
    s += shape.name;
    s += " with ";
    append_unsigned(s, shape.fields.size());
    s += shape.fields.size() == 1 ? " element" : " elements";
    return s;
}

// ---- errors and positions ----

Error JsonReader::syntax_error(std::string_view code) {
    error_index_ = index_;
    error_positioned_ = true;
    return Error{ErrorKind::ValueError, std::string(code)};
}

Error JsonReader::peek_syntax_error(std::string_view code) {
    error_index_ = std::min(text_.size(), index_ + 1);
    error_positioned_ = true;
    return Error{ErrorKind::ValueError, std::string(code)};
}

Error JsonReader::custom_error(std::string message) {
    error_positioned_ = false;
    return Error{ErrorKind::ValueError, std::move(message)};
}

void JsonReader::fix_position() {
    if (error_positioned_) return;
    error_index_ = index_;
    error_positioned_ = true;
}

Error JsonReader::positioned(Error error) {
    if (error.kind != ErrorKind::ValueError) return error;
    fix_position();
    const std::size_t at = std::min(error_index_, text_.size());
    std::size_t line_start = 0, line = 1;
    for (std::size_t k = 0; k < at; ++k) {
        if (text_[k] == '\n') {
            ++line;
            line_start = k + 1;
        }
    }
    error.message += " at line ";
    append_unsigned(error.message, line);
    error.message += " column ";
    append_unsigned(error.message, at - line_start);
    return error;
}

// ---- tokens ----

std::optional<unsigned char> JsonReader::peek_token() {
    while (index_ < text_.size()) {
        auto c = static_cast<unsigned char>(text_[index_]);
        if (c != ' ' && c != '\n' && c != '\t' && c != '\r') return c;
        ++index_;
    }
    return std::nullopt;
}

Result<void> JsonReader::end_of_text() {
    if (peek_token()) return std::unexpected(peek_syntax_error("trailing characters"));
    return {};
}

Result<void> JsonReader::enter_level() {
    if (--remaining_depth_ == 0) {
        ++remaining_depth_;
        return std::unexpected(peek_syntax_error("recursion limit exceeded"));
    }
    return {};
}

Result<void> JsonReader::parse_ident(std::string_view rest) {
    for (char expected : rest) {
        if (index_ >= text_.size()) return std::unexpected(syntax_error("EOF while parsing a value"));
        if (text_[index_++] != expected) return std::unexpected(syntax_error("expected ident"));
    }
    return {};
}

Result<bool> JsonReader::scan_number(std::string_view at_end) {
    auto digit_next = [&] {
        return index_ < text_.size() && is_digit(static_cast<unsigned char>(text_[index_]));
    };
    if (index_ >= text_.size()) return std::unexpected(syntax_error(at_end));
    auto first = static_cast<unsigned char>(text_[index_++]);
    if (first == '0') {
        if (digit_next()) return std::unexpected(peek_syntax_error("invalid number"));
    } else if (first >= '1' && first <= '9') {
        while (digit_next()) ++index_;
    } else {
        return std::unexpected(syntax_error("invalid number"));
    }
    bool is_float = false;
    if (index_ < text_.size() && text_[index_] == '.') {
        ++index_;
        is_float = true;
        if (!digit_next())
            return std::unexpected(peek_syntax_error(index_ < text_.size() ? "invalid number" : at_end));
        while (digit_next()) ++index_;
    }
    if (index_ < text_.size() && (text_[index_] == 'e' || text_[index_] == 'E')) {
        ++index_;
        is_float = true;
        if (index_ < text_.size() && (text_[index_] == '+' || text_[index_] == '-')) ++index_;
        if (index_ >= text_.size()) return std::unexpected(syntax_error(at_end));
        if (!is_digit(static_cast<unsigned char>(text_[index_++])))
            return std::unexpected(syntax_error("invalid number"));
        while (digit_next()) ++index_;
    }
    return is_float;
}

Result<JsonNumber> JsonReader::parse_number(bool positive) {
    const std::size_t start = positive ? index_ : index_ - 1;
    FV_ASSIGN_OR_RETURN(bool is_float, scan_number("EOF while parsing a value"));
    const std::string_view token = text_.substr(start, index_ - start);
    JsonNumber n{JsonNumber::Kind::Float};
    if (!is_float) {
        std::string_view digits = positive ? token : token.substr(1);
        std::uint64_t magnitude = 0;
        auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
        (void)ptr;
        if (ec == std::errc{}) {
            if (positive) {
                n.kind = JsonNumber::Kind::Unsigned;
                n.u = magnitude;
                return n;
            }
            if (magnitude != 0 && magnitude <= (std::uint64_t{1} << 63)) {
                n.kind = JsonNumber::Kind::Signed;
                n.i = static_cast<std::int64_t>(0 - magnitude);
                return n;
            }
            // -0 and negatives beyond the signed range are floats.
        }
    }
    double value = 0;
    auto [ptr, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        if (number_overflows(token)) return std::unexpected(syntax_error("number out of range"));
        value = positive ? 0.0 : -0.0;
    } else if (ec != std::errc{}) {
        return std::unexpected(syntax_error("invalid number"));
    }
    n.f = value;
    return n;
}

Result<std::uint16_t> JsonReader::decode_hex() {
    if (text_.size() - index_ < 4) {
        index_ = text_.size();
        return std::unexpected(syntax_error("EOF while parsing a string"));
    }
    unsigned value = 0;
    bool ok = true;
    for (std::size_t k = 0; k < 4; ++k) {
        int h = hex_value(static_cast<unsigned char>(text_[index_ + k]));
        if (h < 0) ok = false;
        value = value * 16 + static_cast<unsigned>(h < 0 ? 0 : h);
    }
    index_ += 4;
    if (!ok) return std::unexpected(syntax_error("invalid escape"));
    return static_cast<std::uint16_t>(value);
}

Result<void> JsonReader::parse_escape(std::string* out) {
    if (index_ >= text_.size()) return std::unexpected(syntax_error("EOF while parsing a string"));
    char c = text_[index_++];
    char simple = 0;
    switch (c) {
        case '"': simple = '"'; break;
        case '\\': simple = '\\'; break;
        case '/': simple = '/'; break;
        case 'b': simple = '\b'; break;
        case 'f': simple = '\f'; break;
        case 'n': simple = '\n'; break;
        case 'r': simple = '\r'; break;
        case 't': simple = '\t'; break;
        case 'u': break;
        default: return std::unexpected(syntax_error("invalid escape"));
    }
    if (c != 'u') {
        if (out) *out += simple;
        return {};
    }
    FV_ASSIGN_OR_RETURN(std::uint16_t unit, decode_hex());
    // A skipped string may hold any code unit; a decoded one must be text.
    if (!out) return {};
    char32_t code = unit;
    if (unit >= 0xDC00 && unit <= 0xDFFF)
        return std::unexpected(syntax_error("lone leading surrogate in hex escape"));
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        for (char expected : {'\\', 'u'}) {
            if (index_ >= text_.size()) return std::unexpected(syntax_error("EOF while parsing a string"));
            if (text_[index_++] != expected)
                return std::unexpected(syntax_error("unexpected end of hex escape"));
        }
        FV_ASSIGN_OR_RETURN(std::uint16_t low, decode_hex());
        if (low < 0xDC00 || low > 0xDFFF)
            return std::unexpected(syntax_error("lone leading surrogate in hex escape"));
        code = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (low - 0xDC00);
    }
    append_utf8(*out, code);
    return {};
}

Result<void> JsonReader::parse_string_body(std::string* out) {
    for (;;) {
        const std::size_t run = index_;
        while (index_ < text_.size()) {
            auto c = static_cast<unsigned char>(text_[index_]);
            if (c == '"' || c == '\\' || c < 0x20 || c >= 0x80) break;
            ++index_;
        }
        if (out) out->append(text_.substr(run, index_ - run));
        if (index_ >= text_.size()) return std::unexpected(syntax_error("EOF while parsing a string"));
        auto c = static_cast<unsigned char>(text_[index_]);
        if (c == '"') {
            ++index_;
            return {};
        }
        if (c == '\\') {
            ++index_;
            FV_TRY(parse_escape(out));
            continue;
        }
        if (c < 0x20) {
            ++index_;
            return std::unexpected(
                syntax_error("control character (\\u0000-\\u001F) found while parsing a string"));
        }
        std::size_t len = utf8_sequence_length(text_, index_);
        if (len == 0) {
            ++index_;
            return std::unexpected(syntax_error("invalid unicode code point"));
        }
        if (out) out->append(text_.substr(index_, len));
        index_ += len;
    }
}

// ---- arrays and objects ----

Result<bool> JsonReader::has_next_element(bool& first) {
    auto peek = peek_token();
    if (!peek) return std::unexpected(peek_syntax_error("EOF while parsing a list"));
    if (*peek == ']') return false;
    if (first) {
        first = false;
        return true;
    }
    if (*peek != ',') return std::unexpected(peek_syntax_error("expected `,` or `]`"));
    eat();
    auto next = peek_token();
    if (!next) return std::unexpected(peek_syntax_error("EOF while parsing a value"));
    if (*next == ']') return std::unexpected(peek_syntax_error("trailing comma"));
    return true;
}

Result<std::optional<std::string>> JsonReader::next_key(bool& first) {
    auto peek = peek_token();
    if (!peek) return std::unexpected(peek_syntax_error("EOF while parsing an object"));
    if (*peek == '}') return std::optional<std::string>{};
    if (*peek == ',' && !first) {
        eat();
        peek = peek_token();
    } else if (first) {
        first = false;
    } else {
        return std::unexpected(peek_syntax_error("expected `,` or `}`"));
    }
    if (!peek) return std::unexpected(peek_syntax_error("EOF while parsing a value"));
    if (*peek == '}') return std::unexpected(peek_syntax_error("trailing comma"));
    if (*peek != '"') return std::unexpected(peek_syntax_error("key must be a string"));
    eat();
    std::string key;
    FV_TRY(parse_string_body(&key));
    return std::optional<std::string>(std::move(key));
}

Result<void> JsonReader::expect_colon() {
    auto peek = peek_token();
    if (!peek) return std::unexpected(peek_syntax_error("EOF while parsing an object"));
    if (*peek != ':') return std::unexpected(peek_syntax_error("expected `:`"));
    eat();
    return {};
}

Result<void> JsonReader::end_seq() {
    auto peek = peek_token();
    if (!peek) return std::unexpected(peek_syntax_error("EOF while parsing a list"));
    if (*peek == ']') {
        eat();
        return {};
    }
    if (*peek == ',') {
        eat();
        auto next = peek_token();
        return std::unexpected(
            peek_syntax_error(next && *next == ']' ? "trailing comma" : "trailing characters"));
    }
    return std::unexpected(peek_syntax_error("trailing characters"));
}

Result<void> JsonReader::end_map() {
    auto peek = peek_token();
    if (!peek) return std::unexpected(peek_syntax_error("EOF while parsing an object"));
    if (*peek == '}') {
        eat();
        return {};
    }
    return std::unexpected(peek_syntax_error(*peek == ',' ? "trailing comma" : "trailing characters"));
}

void JsonReader::end_seq_quietly() {
    auto peek = peek_token();
    if (peek && *peek == ']') {
        eat();
    } else if (peek && *peek == ',') {
        eat();
        peek_token();
    }
}

void JsonReader::end_map_quietly() {
    auto peek = peek_token();
    if (peek && *peek == '}') eat();
}

// ---- values ----

Error JsonReader::invalid_type_here(std::string_view expected) {
    unsigned char c = index_ < text_.size() ? static_cast<unsigned char>(text_[index_]) : 0;
    std::string found;
    switch (c) {
        case 'n':
            eat();
            if (auto r = parse_ident("ull"); !r) return r.error();
            found = "null";
            break;
        case 't':
            eat();
            if (auto r = parse_ident("rue"); !r) return r.error();
            found = "boolean `true`";
            break;
        case 'f':
            eat();
            if (auto r = parse_ident("alse"); !r) return r.error();
            found = "boolean `false`";
            break;
        case '"': {
            eat();
            std::string text;
            if (auto r = parse_string_body(&text); !r) return r.error();
            found = "string ";
            append_debug_quoted(found, text);
            break;
        }
        // The bracket is the offending byte and counts as read.
        case '[':
            eat();
            found = "sequence";
            break;
        case '{':
            eat();
            found = "map";
            break;
        default: {
            if (c != '-' && !is_digit(c)) return peek_syntax_error("expected value");
            bool positive = c != '-';
            if (!positive) eat();
            auto n = parse_number(positive);
            if (!n) return n.error();
            found = found_number(*n);
        }
    }
    return custom_error("invalid type: " + found + ", expected " + std::string(expected));
}

Result<JsonNumber> JsonReader::read_number(std::string_view expected) {
    auto peek = peek_token();
    if (!peek) return std::unexpected(peek_syntax_error("EOF while parsing a value"));
    if (*peek == '-') {
        eat();
        return parse_number(false);
    }
    if (is_digit(*peek)) return parse_number(true);
    return std::unexpected(invalid_type_here(expected));
}

Result<double> JsonReader::read_f64() {
    Result<JsonNumber> n = read_number("f64");
    if (!n) {
        fix_position();
        return std::unexpected(std::move(n.error()));
    }
    return n->as_double();
}

Result<void> JsonReader::read_f64_list(std::vector<double>& out) {
    out.clear();
    return read_seq([&]() -> Result<void> {
        FV_ASSIGN_OR_RETURN(double x, read_f64());
        out.push_back(x);
        return {};
    });
}

Result<void> JsonReader::read_u64_list(std::vector<std::uint64_t>& out, std::string_view expected) {
    out.clear();
    return read_seq([&]() -> Result<void> {
        FV_ASSIGN_OR_RETURN(std::uint64_t n, read_u64(expected));
        out.push_back(n);
        return {};
    });
}

Result<std::optional<double>> JsonReader::read_optional_f64() {
    if (auto peek = peek_token(); peek && *peek == 'n') {
        eat();
        FV_TRY(parse_ident("ull"));
        return std::optional<double>{};
    }
    FV_ASSIGN_OR_RETURN(double value, read_f64());
    return std::optional<double>(value);
}

Result<std::uint64_t> JsonReader::read_u64(std::string_view expected) {
    Result<JsonNumber> n = read_number(expected);
    Result<std::uint64_t> r;
    if (!n) {
        r = std::unexpected(std::move(n.error()));
    } else if (n->kind == JsonNumber::Kind::Unsigned) {
        r = n->u;
    } else if (n->kind == JsonNumber::Kind::Signed) {
        r = std::unexpected(
            custom_error("invalid value: " + found_number(*n) + ", expected " + std::string(expected)));
    } else {
        r = std::unexpected(
            custom_error("invalid type: " + found_number(*n) + ", expected " + std::string(expected)));
    }
    if (!r) fix_position();
    return r;
}

Result<std::string> JsonReader::read_string(std::string_view expected) {
    auto peek = peek_token();
    if (!peek) return std::unexpected(peek_syntax_error("EOF while parsing a value"));
    Result<std::string> r;
    if (*peek == '"') {
        eat();
        std::string text;
        if (auto body = parse_string_body(&text); !body)
            r = std::unexpected(std::move(body.error()));
        else
            r = std::move(text);
    } else {
        r = std::unexpected(invalid_type_here(expected));
    }
    if (!r) fix_position();
    return r;
}

Result<void> JsonReader::skip_value() {
    // The open arrays and objects, innermost last.
    std::vector<unsigned char> open;
    for (;;) {
        auto peek = peek_token();
        if (!peek) return std::unexpected(peek_syntax_error("EOF while parsing a value"));
        bool opened = false;
        switch (*peek) {
            case 'n':
                eat();
                FV_TRY(parse_ident("ull"));
                break;
            case 't':
                eat();
                FV_TRY(parse_ident("rue"));
                break;
            case 'f':
                eat();
                FV_TRY(parse_ident("alse"));
                break;
            case '-':
                eat();
                FV_TRY(scan_number("invalid number"));
                break;
            case '"':
                eat();
                FV_TRY(parse_string_body(nullptr));
                break;
            case '[':
            case '{':
                eat();
                open.push_back(*peek);
                opened = true;
                break;
            default:
                if (!is_digit(*peek)) return std::unexpected(peek_syntax_error("expected value"));
                FV_TRY(scan_number("invalid number"));
        }
        // After a value (or an opening bracket): close what ends here, then
        // move on to the next element or member.
        bool accept_comma = !opened;
        for (;;) {
            if (open.empty()) return {};
            const unsigned char frame = open.back();
            auto next = peek_token();
            if (!next)
                return std::unexpected(peek_syntax_error(frame == '[' ? "EOF while parsing a list"
                                                                      : "EOF while parsing an object"));
            if ((frame == '[' && *next == ']') || (frame == '{' && *next == '}')) {
                eat();
                open.pop_back();
                accept_comma = true;
                continue;
            }
            if (accept_comma) {
                if (*next != ',')
                    return std::unexpected(
                        peek_syntax_error(frame == '[' ? "expected `,` or `]`" : "expected `,` or `}`"));
                eat();
            }
            break;
        }
        if (open.back() == '{') {
            auto key = peek_token();
            if (!key) return std::unexpected(peek_syntax_error("EOF while parsing an object"));
            if (*key != '"') return std::unexpected(peek_syntax_error("key must be a string"));
            eat();
            FV_TRY(parse_string_body(nullptr));
            FV_TRY(expect_colon());
        }
    }
}

}  // namespace forvela
