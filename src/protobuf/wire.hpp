// The protobuf wire format at its smallest: a writer of varints, keys and
// length-delimited fields, and a strict reader that refuses every malformed
// input instead of guessing (overlong or overflowing varints, keys above
// 2^32 - 1, field 0, wire types 6 and 7, lengths past the end, unmatched
// end-group markers, nesting past the bound).
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <string>
#include <string_view>

#include "model/memory.hpp"

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

// Appends fields to a growable byte buffer. Scalars equal to their default
// are left out by the *_field helpers; messages are written whenever they
// are given. A writer may keep room in front of its bytes (`headroom`), so
// that a short head can be moved instead of a long body: a prefix put
// before a message's body (`enclose`), or bytes put before another writer's
// (`append_taking`).
class Writer {
public:
    Writer() = default;
    explicit Writer(std::size_t headroom) : front_(headroom) {}
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;
    Writer(Writer&& other) noexcept { swap(other); }
    Writer& operator=(Writer&& other) noexcept {
        Writer gone(std::move(*this));
        swap(other);
        return *this;
    }
    ~Writer() { free_large(base_); }

    std::size_t size() const { return size_; }
    const char* data() const { return base_ + head_; }
    std::string_view view() const { return {data(), size_}; }

    void clear() { size_ = 0; }
    // `n` bytes left to be written later.
    void skip(std::size_t n) {
        room(n);
        size_ += n;
    }
    // Drops the bytes from `n` on.
    void truncate(std::size_t n) { size_ = n; }

    // Room for `n` more bytes, written through the pointer returned; then
    // `commit` the end of what was written.
    [[gnu::always_inline]] char* room(std::size_t n) {
        if (cap_ - head_ - size_ < n) grow(n);
        return base_ + head_ + size_;
    }
    [[gnu::always_inline]] void commit(const char* end) {
        size_ = static_cast<std::size_t>(end - (base_ + head_));
    }

    void append(std::string_view s) {
        if (s.empty()) return;
        std::memcpy(room(s.size()), s.data(), s.size());
        size_ += s.size();
    }

    [[gnu::always_inline]] void varint(std::uint64_t x) { commit(put_varint(room(10), x)); }
    void key(std::uint32_t field, WireType type) { varint((std::uint64_t{field} << 3) | type); }

    [[gnu::always_inline]] void uint64_field(std::uint32_t field, std::uint64_t v) {
        if (v == 0) return;
        optional_uint64_field(field, v);
    }
    // Written even when 0 (a present optional field).
    [[gnu::always_inline]] void optional_uint64_field(std::uint32_t field, std::uint64_t v) {
        char* p = room(15);
        p = put_varint(p, (std::uint64_t{field} << 3) | kVarint);
        commit(put_varint(p, v));
    }
    // int32 codes go out sign-extended to 64 bits.
    [[gnu::always_inline]] void int32_field(std::uint32_t field, std::int32_t v) {
        uint64_field(field, static_cast<std::uint64_t>(static_cast<std::int64_t>(v)));
    }
    [[gnu::always_inline]] void string_field(std::uint32_t field, std::string_view s) {
        if (s.empty()) return;
        bytes_field(field, s);
    }
    // A length-delimited field written even when empty (a present message).
    [[gnu::always_inline]] void bytes_field(std::uint32_t field, std::string_view s) {
        char* p = room(15 + s.size());
        p = put_varint(p, (std::uint64_t{field} << 3) | kLengthDelimited);
        p = put_varint(p, s.size());
        if (!s.empty()) std::memcpy(p, s.data(), s.size());
        commit(p + s.size());
    }
    template <class List>
    void packed_field(std::uint32_t field, const List& values) {
        if (values.empty()) return;
        std::size_t len = 0;
        for (std::uint64_t v : values) len += varint_size(v);
        char* p = room(15 + len);
        p = put_varint(p, (std::uint64_t{field} << 3) | kLengthDelimited);
        p = put_varint(p, len);
        for (std::uint64_t v : values) p = put_varint(p, v);
        commit(p);
    }

    // Turns the bytes written since `start` into the body of one
    // length-delimited field: its key and length go in front of them. The
    // bytes before `start` move into the headroom when they are fewer.
    void enclose(std::uint32_t field, std::size_t start) {
        char prefix[kPrefixRoom];
        char* end = put_varint(prefix, (std::uint64_t{field} << 3) | kLengthDelimited);
        end = put_varint(end, size_ - start);
        const auto n = static_cast<std::size_t>(end - prefix);
        if (head_ >= n && start < size_ - start) {
            std::memmove(base_ + head_ - n, base_ + head_, start);
            head_ -= n;
        } else {
            room(n);
            char* at = base_ + head_ + start;
            std::memmove(at + n, at, size_ - start);
        }
        std::memcpy(base_ + head_ + start, prefix, n);
        size_ += n;
    }

    // Room for the key (up to 5 bytes) and length (up to 10) of a field.
    static constexpr std::size_t kPrefixRoom = 15;

    // The field holding the bytes from `start` on, its key and length put in
    // the kPrefixRoom bytes before them, which the caller left free: the
    // bytes written are not moved.
    std::string_view prefix_in_place(std::uint32_t field, std::size_t start) {
        char prefix[kPrefixRoom];
        char* end = put_varint(prefix, (std::uint64_t{field} << 3) | kLengthDelimited);
        end = put_varint(end, size_ - start);
        const auto n = static_cast<std::size_t>(end - prefix);
        char* at = base_ + head_ + start - n;
        std::memcpy(at, prefix, n);
        return {at, size_ - start + n};
    }

    // Appends the bytes of `other`. When these are fewer and fit in its
    // headroom, they are put there and its buffer becomes this one's.
    void append_taking(Writer&& other) {
        if (other.size_ > size_ && other.head_ >= size_) {
            if (size_ != 0) std::memcpy(other.base_ + other.head_ - size_, data(), size_);
            other.head_ -= size_;
            other.size_ += size_;
            swap(other);
        } else {
            append(other.view());
        }
    }

    // Writes `x` at `p` (room for 10 bytes); returns the end.
    [[gnu::always_inline]] static char* put_varint(char* p, std::uint64_t x) {
        while (x >= 0x80) {
            *p++ = static_cast<char>(static_cast<std::uint8_t>(x) | 0x80);
            x >>= 7;
        }
        *p++ = static_cast<char>(x);
        return p;
    }

private:
    void swap(Writer& other) noexcept {
        std::swap(base_, other.base_);
        std::swap(cap_, other.cap_);
        std::swap(head_, other.head_);
        std::swap(size_, other.size_);
        std::swap(front_, other.front_);
    }
    // At least `n` more bytes of room: the buffer doubles into a new block
    // (one of several megabytes asks for large pages).
    void grow(std::size_t n) {
        if (!base_) head_ = front_;
        constexpr std::size_t kMost = SIZE_MAX >> 2;
        if (n > kMost || head_ + size_ > kMost) throw std::bad_alloc();
        const std::size_t need = head_ + size_ + n;
        std::size_t cap = std::max<std::size_t>(cap_ * 2, 256);
        while (cap < need) cap *= 2;
        char* grown = static_cast<char*>(allocate_large(cap));
        if (base_) std::memcpy(grown, base_, head_ + size_);
        free_large(base_);
        base_ = grown;
        cap_ = cap;
    }

    char* base_ = nullptr;
    std::size_t cap_ = 0;
    std::size_t head_ = 0;  // the headroom: bytes in front of the first byte written
    std::size_t size_ = 0;
    std::size_t front_ = 0;  // the headroom the first allocation keeps
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
