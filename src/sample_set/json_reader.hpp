// The typed JSON pull reader of the result classes. It reads RFC 8259 text
// straight into values: each field of a record has a rule (a float, an
// optional float, an unsigned integer, a string, an array or object of
// such, a nested record), members that name no field are skipped whatever
// they hold, and any text that is not valid JSON is refused.
//
// Failures are ValueErrors whose message ends in " at line L column C",
// the column counting the bytes of that line read up to and including the
// offending one: the byte that cannot stand where it is, the whole of a
// value of the wrong type (only the opening bracket of an array or object),
// the closing bracket of a record that lacks a field or a value, the end of
// a repeated key.
//
// Records, arrays and objects read through a rule count one level of
// nesting each, from a budget of 128; skipped values are read without
// recursion and count nothing, however deep they nest.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/error.hpp"
#include "model/result_macros.hpp"

namespace forvela {

// A JSON number as read: a non-negative integer that fits 64 bits, a
// negative one that fits, or anything else as a float.
struct JsonNumber {
    enum class Kind : unsigned char { Unsigned, Signed, Float };
    Kind kind;
    std::uint64_t u = 0;
    std::int64_t i = 0;
    double f = 0;

    double as_double() const;
};

struct RecordField {
    std::string_view name;
    bool optional;  // may be left out of the object form
};

// The name and fields of a record, in declared order (the array form's order).
struct RecordShape {
    std::string_view name;
    std::span<const RecordField> fields;
};

class JsonReader {
public:
    static constexpr int kDepthBudget = 128;

    // Reads the whole text as one value through `read(reader)`, which
    // returns Result<T>; only whitespace may follow the value.
    template <class T, class Fn>
    static Result<T> read_text(std::string_view text, Fn&& read) {
        JsonReader reader(text);
        Result<T> value = read(reader);
        if (!value) return std::unexpected(reader.positioned(std::move(value.error())));
        if (auto end = reader.end_of_text(); !end)
            return std::unexpected(reader.positioned(std::move(end.error())));
        return value;
    }

    // ---- field rules ----
    Result<double> read_f64();
    Result<std::optional<double>> read_optional_f64();  // null is absent
    Result<std::uint64_t> read_u64(std::string_view expected = "u64");
    Result<std::string> read_string(std::string_view expected = "a string");
    // Arrays of such numbers into `out`, which is cleared first.
    Result<void> read_f64_list(std::vector<double>& out);
    Result<void> read_u64_list(std::vector<std::uint64_t>& out, std::string_view expected = "u64");
    // Reads past one value of any kind and depth, checking its syntax.
    Result<void> skip_value();

    // An array whose elements `item()` reads, one call per element.
    template <class Fn>
    Result<void> read_seq(Fn&& item, std::string_view expected = "a sequence");

    // An object whose member values `member(std::string key)` reads.
    template <class Fn>
    Result<void> read_map(Fn&& member, std::string_view expected = "a map");

    // A record in array form (every field, in declared order) or object
    // form (any order, unknown members skipped); `field(i)` reads the value
    // of field i. Fields left out of the object form stay as the caller
    // initialised them.
    template <class Fn>
    Result<void> read_record(const RecordShape& shape, Fn&& field);

private:
    // The readers of forms that no field rule covers work the tokens
    // themselves.
    friend class RecordJsonReader;

    explicit JsonReader(std::string_view text) : text_(text) {}

    // ---- building blocks of the rules ----
    // The next byte after whitespace, not consumed; none at the end.
    std::optional<unsigned char> peek_token();
    void eat() { ++index_; }
    // A failure at the bytes read so far.
    Error syntax_error(std::string_view code);
    // A failure counting the byte just peeked.
    Error peek_syntax_error(std::string_view code);
    // A failure about a whole value, positioned by the enclosing read.
    Error custom_error(std::string message);
    // "invalid type: <what is there>, expected <expected>"; scalars are
    // consumed to describe them, a syntax failure among them wins.
    Error invalid_type_here(std::string_view expected);
    Result<void> enter_level();
    void leave_level() { ++remaining_depth_; }
    Result<bool> has_next_element(bool& first);
    Result<std::optional<std::string>> next_key(bool& first);
    Result<void> expect_colon();
    Result<void> end_seq();
    Result<void> end_map();
    // What end_seq and end_map consume, when a failure is already in hand.
    void end_seq_quietly();
    void end_map_quietly();
    // Gives a pending failure about a whole value the current position.
    void fix_position();
    // The frame of an array or object whose opening bracket is next: one
    // nesting level around `body()`, then the closing bracket (consumed
    // quietly when the body failed, so that its failure stands).
    enum class Container : std::uint8_t { Seq, Map };
    template <class Body>
    Result<void> in_container(Container container, Body&& body);
    // The elements of an array, `element()` reading each one.
    template <class Fn>
    Result<void> seq_elements(Fn&& element);
    // The members of an object, `member(key)` reading from the colon on.
    template <class Fn>
    Result<void> map_members(Fn&& member);
    Result<void> end_of_text();
    // The failure with " at line L column C" appended.
    Error positioned(Error error);

    // Reads past the grammar of a number from its first digit (any '-' is
    // read already) and tells whether it has a fraction or an exponent.
    // `at_end` is the failure when the text ends where a digit must come.
    Result<bool> scan_number(std::string_view at_end);
    // A number, converted; `positive` is false when its '-' was read.
    Result<JsonNumber> parse_number(bool positive);
    // After the opening quote; appends the decoded text to `out` when given.
    Result<void> parse_string_body(std::string* out);
    Result<void> parse_escape(std::string* out);
    Result<std::uint16_t> decode_hex();
    Result<void> parse_ident(std::string_view rest);
    Result<JsonNumber> read_number(std::string_view expected);

    std::string_view text_;
    std::size_t index_ = 0;
    int remaining_depth_ = kDepthBudget;
    std::size_t error_index_ = 0;
    bool error_positioned_ = true;
};

std::string invalid_length_message(std::size_t read, const RecordShape& shape);

template <class Body>
Result<void> JsonReader::in_container(Container container, Body&& body) {
    FV_TRY(enter_level());
    eat();
    Result<void> r = body();
    leave_level();
    if (r) return container == Container::Seq ? end_seq() : end_map();
    container == Container::Seq ? end_seq_quietly() : end_map_quietly();
    return r;
}

template <class Fn>
Result<void> JsonReader::seq_elements(Fn&& element) {
    for (bool first = true;;) {
        FV_ASSIGN_OR_RETURN(bool more, has_next_element(first));
        if (!more) return {};
        FV_TRY(element());
    }
}

template <class Fn>
Result<void> JsonReader::map_members(Fn&& member) {
    for (bool first = true;;) {
        FV_ASSIGN_OR_RETURN(std::optional<std::string> key, next_key(first));
        if (!key) return {};
        FV_TRY(member(std::move(*key)));
    }
}

template <class Fn>
Result<void> JsonReader::read_seq(Fn&& item, std::string_view expected) {
    auto peek = peek_token();
    if (!peek) return std::unexpected(peek_syntax_error("EOF while parsing a value"));
    Result<void> r = *peek == '[' ? in_container(Container::Seq, [&] { return seq_elements(item); })
                                  : std::unexpected(invalid_type_here(expected));
    if (!r) fix_position();
    return r;
}

template <class Fn>
Result<void> JsonReader::read_map(Fn&& member, std::string_view expected) {
    auto peek = peek_token();
    if (!peek) return std::unexpected(peek_syntax_error("EOF while parsing a value"));
    Result<void> r = *peek == '{' ? in_container(Container::Map,
                                                 [&] {
                                                     return map_members([&](std::string key) -> Result<void> {
                                                         FV_TRY(expect_colon());
                                                         return member(std::move(key));
                                                     });
                                                 })
                                  : std::unexpected(invalid_type_here(expected));
    if (!r) fix_position();
    return r;
}

template <class Fn>
Result<void> JsonReader::read_record(const RecordShape& shape, Fn&& field) {
    auto peek = peek_token();
    if (!peek) return std::unexpected(peek_syntax_error("EOF while parsing a value"));
    const std::size_t n = shape.fields.size();
    // Array form: exactly the n fields, in order.
    auto fields_in_order = [&]() -> Result<void> {
        bool first = true;
        for (std::size_t i = 0; i < n; ++i) {
            FV_ASSIGN_OR_RETURN(bool more, has_next_element(first));
            if (!more) return std::unexpected(custom_error(invalid_length_message(i, shape)));
            FV_TRY(field(i));
        }
        return {};
    };
    // Object form: any order, each field once, unknown members skipped.
    auto fields_by_name = [&]() -> Result<void> {
        std::vector<bool> seen(n, false);
        FV_TRY(map_members([&](std::string key) -> Result<void> {
            std::size_t i = 0;
            while (i < n && shape.fields[i].name != key) ++i;
            if (i < n && seen[i]) {
                // Positioned at the end of the repeated key.
                Error repeated = custom_error("duplicate field `" + std::string(shape.fields[i].name) + "`");
                fix_position();
                return std::unexpected(std::move(repeated));
            }
            FV_TRY(expect_colon());
            if (i == n) return skip_value();
            FV_TRY(field(i));
            seen[i] = true;
            return {};
        }));
        for (std::size_t i = 0; i < n; ++i)
            if (!seen[i] && !shape.fields[i].optional)
                return std::unexpected(
                    custom_error("missing field `" + std::string(shape.fields[i].name) + "`"));
        return {};
    };
    Result<void> r;
    if (*peek == '[')
        r = in_container(Container::Seq, fields_in_order);
    else if (*peek == '{')
        r = in_container(Container::Map, fields_by_name);
    else
        r = std::unexpected(invalid_type_here("struct " + std::string(shape.name)));
    if (!r) fix_position();
    return r;
}

}  // namespace forvela
