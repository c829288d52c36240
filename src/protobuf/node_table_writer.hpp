// The node table of one Expr or ForallList as the writer builds it: each
// distinct node encoding stored once, in the order of first insertion, and
// the memory of shared cells and term runs already written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "protobuf/wire.hpp"

namespace forvela::pb {

// Values by address, in an open-addressed table of at most half load: one
// probe into one flat array per lookup.
template <class V>
class PointerMap {
public:
    const V* find(const void* key) const {
        if (slots_.empty()) return nullptr;
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = slot_of(key, mask);; i = (i + 1) & mask) {
            const Item& c = slots_[i];
            if (c.key == key) return &c.value;
            if (!c.key) return nullptr;
        }
    }
    // `key` must not be present.
    void insert(const void* key, V value) {
        if ((count_ + 1) * 2 > slots_.size()) grow();
        place(Item{key, value});
        ++count_;
    }

private:
    struct Item {
        const void* key = nullptr;
        V value{};
    };
    static std::size_t slot_of(const void* key, std::size_t mask) {
        return static_cast<std::size_t>((reinterpret_cast<std::uintptr_t>(key) * 0x9e3779b97f4a7c15ULL) >>
                                        32) &
               mask;
    }
    void place(Item c) {
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = slot_of(c.key, mask);
        while (slots_[i].key) i = (i + 1) & mask;
        slots_[i] = c;
    }
    void grow() {
        std::vector<Item> old =
            std::exchange(slots_, std::vector<Item>(slots_.empty() ? 64 : slots_.size() * 2));
        for (const Item& c : old)
            if (c.key) place(c);
    }
    std::vector<Item> slots_;
    std::size_t count_ = 0;
};

// The node table of one Expr or ForallList: nodes in insertion order, each
// distinct encoding stored once, already laid out as the repeated field.
//
// A node's encoding holds the ids of its children, and a node is stored
// after its children, so a node equal to one with children can only have an
// id above its newest child's. The newest nodes are indexed in a small table
// of their own that stays in cache; a node whose newest child is among them
// is looked up there alone, and only leaves and nodes of older children probe
// the table of all older nodes, into which the small one is moved whenever
// it fills.
class NodeArena {
public:
    explicit NodeArena(std::uint32_t field) : field_(field) {}

    // The id of `node`, stored if it is new. Nodes below `first_possible`
    // (one past the newest child's id, 0 for a leaf) cannot equal it.
    std::uint64_t insert(std::string_view node, std::uint64_t first_possible);

    // The ids of the terms of the lists that share one run of term slots,
    // keyed by the address of the run's first slot: a handle on them
    // (`run_of`), then the id of slot k, 0 while unknown, else id + 1.
    std::size_t run_of(const void* first_slot, std::size_t slots);
    std::uint64_t& run_slot(std::size_t run, std::size_t k) { return run_ids_[run_spans_[run].first + k]; }

    // The id already written for a shared cell, if any.
    const std::uint64_t* find_cell(const void* cell) const { return cells_.find(cell); }
    void remember_cell(const void* cell, std::uint64_t id) { cells_.insert(cell, id); }

    const std::string& bytes() const { return out_.bytes(); }

private:
    struct Entry {
        std::size_t offset;
        std::size_t len;
        std::uint64_t hash;
    };
    // A node's id plus 1 (0 for a free slot) beside the high half of its
    // hash, which the slot index does not use: a probe past another node
    // reads the slot alone, and only a likely match reads the stored bytes.
    struct Slot {
        std::uint32_t id = 0;
        std::uint32_t tag = 0;
    };
    // Open addressing at most half full.
    struct SlotTable {
        std::vector<Slot> slots;
        std::size_t count = 0;
    };
    // Slots of the table of the newest nodes at most: 512 KiB.
    static constexpr std::size_t kRecentSlots = std::size_t{1} << 16;

    static std::uint32_t tag_of(std::uint64_t hash) { return static_cast<std::uint32_t>(hash >> 32); }

    std::string_view stored(std::size_t id) const {
        const Entry& e = nodes_[id];
        return std::string_view(out_.bytes()).substr(e.offset, e.len);
    }

    std::optional<std::uint64_t> find(const SlotTable& t, std::uint64_t h, std::string_view node) const;

    void add_recent(std::uint64_t id);

    // Moves the newest nodes, up to `end`, into the table of older ones.
    void retire_recent(std::uint64_t end);

    // The table emptied to `size` slots, then holding the nodes first .. last - 1.
    void rebuild(SlotTable& t, std::size_t size, std::size_t first, std::size_t last);

    // Every slot is fetched a few nodes ahead: the probes of a batch overlap
    // instead of waiting for memory one after another.
    void place_all(SlotTable& t, std::size_t first, std::size_t last);

    void place(SlotTable& t, std::size_t id);

    std::uint32_t field_;
    Writer out_;
    std::vector<Entry> nodes_;
    SlotTable recent_;  // nodes from recent_start_ on
    SlotTable older_;   // nodes below recent_start_
    std::size_t recent_start_ = 0;

    // Shared cells already written, by address.
    PointerMap<std::uint64_t> cells_;
    // Term runs: spans of one pool of slot ids, by the address of the first slot.
    struct RunSpan {
        std::size_t first;
        std::size_t size;
    };
    PointerMap<std::size_t> runs_;
    std::vector<RunSpan> run_spans_;
    std::vector<std::uint64_t> run_ids_;
};

}  // namespace forvela::pb
