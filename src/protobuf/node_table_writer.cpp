#include "protobuf/node_table_writer.hpp"

#include <algorithm>
#include <cstring>

#include "model/mix.hpp"

namespace forvela::pb {

namespace {

std::uint64_t hash_bytes(std::string_view s) {
    std::uint64_t h = 0x9e3779b97f4a7c15ULL ^ s.size();
    const char* p = s.data();
    std::size_t n = s.size();
    while (n >= 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        h = (h ^ w) * 0xff51afd7ed558ccdULL;
        h ^= h >> 32;
        p += 8;
        n -= 8;
    }
    // The last bytes: the final word of a string of 8 bytes or more (its
    // length is mixed in already), else the bytes one by one.
    std::uint64_t w = 0;
    if (s.size() >= 8)
        std::memcpy(&w, s.data() + s.size() - 8, 8);
    else
        for (std::size_t i = 0; i < n; ++i) w |= std::uint64_t{static_cast<std::uint8_t>(p[i])} << (8 * i);
    // A full final mix: the table indexes by the low bits, and nodes that
    // differ in one varint byte must not land in one cluster.
    return mix64(h ^ w);
}

}  // namespace

bool NodeArena::stored_is(std::uint32_t id_plus_1, std::string_view node) const {
    const Entry& e = nodes_[id_plus_1 - 1];
    if (e.len != node.size()) return false;
    // Nodes are short: compared a word at a time, without a call.
    const char* a = out_.data() + e.offset;
    const char* b = node.data();
    std::size_t n = node.size();
    for (; n >= 8; a += 8, b += 8, n -= 8) {
        std::uint64_t x, y;
        std::memcpy(&x, a, 8);
        std::memcpy(&y, b, 8);
        if (x != y) return false;
    }
    for (; n > 0; --n)
        if (*a++ != *b++) return false;
    return true;
}

// Ids, offsets and lengths past 32 bits belong to encodings far beyond the
// 2 GiB the format holds, which are refused once written: such a node is
// stored with length 0, never to be found again.
bool NodeArena::indexable(std::string_view node) const {
    return nodes_.size() < 0xfffffffeu && out_.size() + 15 + node.size() <= 0xffffffffu;
}

std::uint64_t NodeArena::append(std::string_view node, bool indexed) {
    const std::uint64_t id = nodes_.size();
    char* p = out_.room(15 + node.size());
    p = Writer::put_varint(p, (std::uint64_t{field_} << 3) | kLengthDelimited);
    p = Writer::put_varint(p, node.size());
    const auto offset = static_cast<std::uint32_t>(p - out_.data());
    nodes_.push_back(Entry{offset, indexed ? static_cast<std::uint32_t>(node.size()) : 0, 0, 0});
    chained_.push_back(0);
    std::memcpy(p, node.data(), node.size());
    out_.commit(p + node.size());
    return id;
}

std::uint64_t NodeArena::insert(std::string_view node, std::uint64_t after) {
    if (!indexable(node)) return append(node, false);
    if (after == 0) return insert_leaf(node, hash_bytes(node));
    const std::size_t child = after - 1;
    for (std::uint32_t k = nodes_[child].parents; k != 0; k = nodes_[k - 1].next)
        if (stored_is(k, node)) return k - 1;
    if (chained_[child] < kChained) {
        const std::uint64_t id = append(node, true);
        nodes_[id].next = nodes_[child].parents;
        nodes_[child].parents = static_cast<std::uint32_t>(id + 1);
        ++chained_[child];
        return id;
    }
    const std::uint64_t h = hash_bytes(node);
    if (std::uint32_t known = find_hashed(h, node)) return known - 1;
    return add_hashed(h, append(node, true));
}

std::uint64_t NodeArena::insert_number(std::string_view node, bool integer, std::uint64_t bits) {
    if (!indexable(node)) return append(node, false);
    // The slot index of an integer (the key's low half) keeps its four low
    // bits beside a mix of the rest: the integers of one run of 16 fill one
    // aligned group of slots, two cache lines, and the groups land apart.
    // The tag (the high half) mixes all of it.
    const std::uint64_t h = integer ? (mix64(bits) & 0xffffffff00000000ULL) |
                                          (((mix64(bits >> 4) << 4) | (bits & 15)) & 0xffffffffULL)
                                    : mix64(~bits);
    return insert_leaf(node, h);
}

std::uint64_t NodeArena::insert_leaf(std::string_view node, std::uint64_t h) {
    const auto tag = static_cast<std::uint32_t>(h >> 32);
    Slot& cached = cache_[h & (kCacheSlots - 1)];
    if (cached.tag == tag && cached.id != 0 && stored_is(cached.id, node)) return cached.id - 1;
    const std::uint32_t known = find_hashed(h, node);
    const std::uint64_t id = known ? known - 1 : add_hashed(h, append(node, true));
    cached = Slot{static_cast<std::uint32_t>(id + 1), tag};
    return id;
}

std::size_t NodeArena::run_of(const void* first_slot, std::size_t slots) {
    const std::size_t* known = runs_.find(first_slot);
    if (!known) {
        std::size_t run = run_spans_.size();
        run_spans_.push_back(RunSpan{run_ids_.size(), slots});
        run_ids_.resize(run_ids_.size() + slots, 0);
        runs_.insert(first_slot, run);
        return run;
    }
    RunSpan& span = run_spans_[*known];
    if (span.size < slots) {
        // A longer list than any before: its run moves to the end of the pool.
        std::size_t first = run_ids_.size();
        run_ids_.resize(first + slots, 0);
        std::copy_n(run_ids_.begin() + static_cast<std::ptrdiff_t>(span.first), span.size,
                    run_ids_.begin() + static_cast<std::ptrdiff_t>(first));
        span = RunSpan{first, slots};
    }
    return *known;
}

std::uint32_t NodeArena::find_hashed(std::uint64_t h, std::string_view node) const {
    if (slots_.empty()) return 0;
    const std::size_t mask = slots_.size() - 1;
    const auto tag = static_cast<std::uint32_t>(h >> 32);
    for (std::size_t i = h & mask;; i = (i + 1) & mask) {
        const Slot s = slots_[i];
        if (s.id == 0) return 0;
        if (s.tag == tag && stored_is(s.id, node)) return s.id;
    }
}

std::uint64_t NodeArena::add_hashed(std::uint64_t h, std::uint64_t id) {
    if ((hashed_.size() + 1) * 2 > slots_.size()) {
        slots_.assign(slots_.empty() ? 64 : slots_.size() * 2, Slot{});
        for (const Hashed& k : hashed_) place(k.hash, k.id);
    }
    const auto id_plus_1 = static_cast<std::uint32_t>(id + 1);
    hashed_.push_back(Hashed{h, id_plus_1});
    place(h, id_plus_1);
    return id;
}

void NodeArena::place(std::uint64_t h, std::uint32_t id) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = h & mask;
    while (slots_[i].id != 0) i = (i + 1) & mask;
    slots_[i] = Slot{id, static_cast<std::uint32_t>(h >> 32)};
}

}  // namespace forvela::pb
