// The protobuf wire format at its smallest: a writer of varints, keys and
// length-delimited fields, and a strict reader that refuses every malformed
// input instead of guessing (overlong or overflowing varints, keys above
// 2^32 - 1, field 0, wire types 6 and 7, lengths past the end, unmatched
// end-group markers, nesting past the bound).
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace forvela::pb {

enum WireType : std::uint8_t {
    kVarint = 0,
    kFixed64 = 1,
    kLengthDelimited = 2,
    kStartGroup = 3,
    kEndGroup = 4,
    kFixed32 = 5,
};

// Levels of nested messages, map entries and groups decoded below the
// top-level message.
inline constexpr int kMaxNesting = 100;

// The encoded length of a varint: 1 byte for 0..127, up to 10.
constexpr std::size_t varint_size(std::uint64_t x) {
    return static_cast<std::size_t>(((63 - std::countl_zero(x | 1)) * 9 + 73) / 64);
}

// The encoded length of the key of a field.
constexpr std::size_t key_size(std::uint32_t field) { return varint_size(std::uint64_t{field} << 3); }

// Appends fields to a byte string. Scalars equal to their default are left
// out by the *_field helpers; messages are written whenever they are given.
class Writer {
public:
    std::string& bytes() { return out_; }
    const std::string& bytes() const { return out_; }
    std::size_t size() const { return out_.size(); }

    void clear() { out_.clear(); }

    void varint(std::uint64_t x) {
        // Most ids, lengths and codes take one byte.
        if (x < 0x80) {
            out_.push_back(static_cast<char>(x));
            return;
        }
        char buf[10];
        out_.append(buf, encode_varint(buf, x));
    }
    void key(std::uint32_t field, WireType type) { varint((std::uint64_t{field} << 3) | type); }

    void uint64_field(std::uint32_t field, std::uint64_t v) {
        if (v == 0) return;
        key(field, kVarint);
        varint(v);
    }
    // Written even when 0 (a present optional field).
    void optional_uint64_field(std::uint32_t field, std::uint64_t v) {
        key(field, kVarint);
        varint(v);
    }
    // int32 codes go out sign-extended to 64 bits.
    void int32_field(std::uint32_t field, std::int32_t v) {
        if (v == 0) return;
        key(field, kVarint);
        varint(static_cast<std::uint64_t>(static_cast<std::int64_t>(v)));
    }
    void string_field(std::uint32_t field, std::string_view s) {
        if (s.empty()) return;
        bytes_field(field, s);
    }
    // A length-delimited field written even when empty (a present message).
    void bytes_field(std::uint32_t field, std::string_view s) {
        key(field, kLengthDelimited);
        varint(s.size());
        out_.append(s);
    }
    template <class List>
    void packed_field(std::uint32_t field, const List& values) {
        if (values.empty()) return;
        std::size_t len = 0;
        for (std::uint64_t v : values) len += varint_size(v);
        key(field, kLengthDelimited);
        varint(len);
        for (std::uint64_t v : values) varint(v);
    }

    // Turns the bytes written since `start` into the body of one
    // length-delimited field: its key and length go in front of them.
    void enclose(std::uint32_t field, std::size_t start) {
        char prefix[20];
        std::size_t n = encode_varint(prefix, (std::uint64_t{field} << 3) | kLengthDelimited);
        n += encode_varint(prefix + n, out_.size() - start);
        out_.insert(start, prefix, n);
    }

    // Room for the key (up to 5 bytes) and length (up to 10) of a field.
    static constexpr std::size_t kPrefixRoom = 15;

    // The field holding the bytes from `start` on, its key and length put in
    // the kPrefixRoom bytes before them, which the caller left free: the
    // bytes written are not moved.
    std::string_view prefix_in_place(std::uint32_t field, std::size_t start) {
        char prefix[kPrefixRoom];
        std::size_t n = encode_varint(prefix, (std::uint64_t{field} << 3) | kLengthDelimited);
        n += encode_varint(prefix + n, out_.size() - start);
        std::memcpy(out_.data() + start - n, prefix, n);
        return std::string_view(out_).substr(start - n);
    }

private:
    // Writes `x` at `buf` (room for 10 bytes); returns the bytes written.
    static std::size_t encode_varint(char* buf, std::uint64_t x) {
        std::size_t n = 0;
        while (x >= 0x80) {
            buf[n++] = static_cast<char>(static_cast<std::uint8_t>(x) | 0x80);
            x >>= 7;
        }
        buf[n++] = static_cast<char>(x);
        return n;
    }

    std::string out_;
};

// Thrown by the reader on malformed input; the decoder turns it into the one
// decoding error users see.
struct WireError {};

class Reader {
public:
    explicit Reader(std::string_view data)
        : p_(reinterpret_cast<const std::uint8_t*>(data.data())), end_(p_ + data.size()) {}

    bool done() const { return p_ == end_; }

    std::uint64_t varint() {
        // The common one-byte case first.
        if (p_ < end_ && *p_ < 0x80) return *p_++;
        return long_varint();
    }

    // The next key: field number (1 .. 2^29 - 1) and wire type (0 .. 5).
    void key(std::uint32_t& field, WireType& type) {
        std::uint64_t k = varint();
        if (k > 0xffffffffu) throw WireError{};
        std::uint32_t t = static_cast<std::uint32_t>(k & 7);
        if (t > 5) throw WireError{};
        field = static_cast<std::uint32_t>(k >> 3);
        if (field == 0) throw WireError{};
        type = static_cast<WireType>(t);
    }

    std::string_view length_delimited() {
        std::uint64_t n = varint();
        if (n > static_cast<std::uint64_t>(end_ - p_)) throw WireError{};
        std::string_view s(reinterpret_cast<const char*>(p_), static_cast<std::size_t>(n));
        p_ += n;
        return s;
    }

    // Skips the value of an unknown field; a group is skipped up to its own
    // end-group marker, every level counting against the nesting bound.
    void skip(std::uint32_t field, WireType type, int depth) {
        switch (type) {
            case kVarint: varint(); return;
            case kFixed64: advance(8); return;
            case kLengthDelimited: length_delimited(); return;
            case kFixed32: advance(4); return;
            case kEndGroup: throw WireError{};  // no group is open here
            case kStartGroup: {
                if (depth + 1 > kMaxNesting) throw WireError{};
                for (;;) {
                    if (done()) throw WireError{};
                    std::uint32_t f;
                    WireType t;
                    key(f, t);
                    if (t == kEndGroup) {
                        if (f != field) throw WireError{};
                        return;
                    }
                    skip(f, t, depth + 1);
                }
            }
        }
        throw WireError{};
    }

private:
    std::uint64_t long_varint() {
        // With room for the longest varint, no byte needs a check of the end.
        if (end_ - p_ >= 10) {
            const std::uint8_t* p = p_;
            std::uint64_t result = *p & 0x7fu;
            for (int i = 1; i < 10; ++i) {
                std::uint8_t b = p[i];
                result |= std::uint64_t{b & 0x7fu} << (7 * i);
                if (b < 0x80) {
                    if (i == 9 && b > 1) throw WireError{};  // past 64 bits
                    p_ = p + i + 1;
                    return result;
                }
            }
            throw WireError{};  // an 11th byte
        }
        std::uint64_t result = 0;
        for (int i = 0; i < 10; ++i) {
            if (p_ == end_) throw WireError{};
            std::uint8_t b = *p_++;
            if (i == 9 && b > 1) throw WireError{};  // past 64 bits, or an 11th byte
            result |= std::uint64_t{b & 0x7fu} << (7 * i);
            if (b < 0x80) return result;
        }
        throw WireError{};
    }

    void advance(std::size_t n) {
        if (n > static_cast<std::size_t>(end_ - p_)) throw WireError{};
        p_ += n;
    }
    const std::uint8_t* p_;
    const std::uint8_t* end_;
};

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or
// code points above U+10FFFF).
bool valid_utf8(std::string_view s);

}  // namespace forvela::pb
