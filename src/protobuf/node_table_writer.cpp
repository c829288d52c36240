#include "protobuf/node_table_writer.hpp"

#include <algorithm>
#include <cstring>

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
    h ^= w;
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    return h ^ (h >> 33);
}

}  // namespace

std::uint64_t NodeArena::insert(std::string_view node, std::uint64_t first_possible) {
    std::uint64_t h = hash_bytes(node);
    std::uint64_t id = nodes_.size();
    // A node stored right after its newest child (a product of two new
    // subscripts, say) has no earlier equal: the probes are skipped.
    if (first_possible < id) {
        if (std::optional<std::uint64_t> known = find(recent_, h, node)) return *known;
        if (first_possible < recent_start_)
            if (std::optional<std::uint64_t> known = find(older_, h, node)) return *known;
    }
    out_.key(field_, pb::kLengthDelimited);
    out_.varint(node.size());
    nodes_.push_back(Entry{out_.size(), node.size(), h});
    out_.bytes().append(node);
    add_recent(id);
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

std::optional<std::uint64_t> NodeArena::find(const SlotTable& t, std::uint64_t h,
                                             std::string_view node) const {
    if (t.count == 0) return std::nullopt;
    const std::size_t mask = t.slots.size() - 1;
    for (std::size_t i = h & mask;; i = (i + 1) & mask) {
        Slot s = t.slots[i];
        if (s.id == 0) return std::nullopt;
        if (s.tag == tag_of(h) && stored(s.id - 1) == node) return s.id - 1;
    }
}

void NodeArena::add_recent(std::uint64_t id) {
    if ((recent_.count + 1) * 2 > recent_.slots.size()) {
        if (recent_.slots.size() < kRecentSlots)
            rebuild(recent_, recent_.slots.empty() ? 64 : recent_.slots.size() * 2, recent_start_, id);
        else
            retire_recent(id);
    }
    place(recent_, id);
}

void NodeArena::retire_recent(std::uint64_t end) {
    if (end * 2 > older_.slots.size()) {
        std::size_t size = std::max<std::size_t>(older_.slots.size(), kRecentSlots);
        while (end * 2 > size) size *= 2;
        rebuild(older_, size, 0, end);
    } else {
        place_all(older_, recent_start_, end);
    }
    recent_start_ = end;
    rebuild(recent_, recent_.slots.size(), end, end);
}

void NodeArena::rebuild(SlotTable& t, std::size_t size, std::size_t first, std::size_t last) {
    t.slots.assign(size, Slot{});
    t.count = 0;
    place_all(t, first, last);
}

void NodeArena::place_all(SlotTable& t, std::size_t first, std::size_t last) {
    constexpr std::size_t kAhead = 16;
    const std::size_t mask = t.slots.size() - 1;
    for (std::size_t k = first; k < last; ++k) {
        if (k + kAhead < last) __builtin_prefetch(&t.slots[nodes_[k + kAhead].hash & mask], 1);
        place(t, k);
    }
}

void NodeArena::place(SlotTable& t, std::size_t id) {
    const std::size_t mask = t.slots.size() - 1;
    std::uint64_t h = nodes_[id].hash;
    std::size_t i = h & mask;
    while (t.slots[i].id != 0) i = (i + 1) & mask;
    t.slots[i] = Slot{static_cast<std::uint32_t>(id + 1), tag_of(h)};
    ++t.count;
}

}  // namespace forvela::pb
