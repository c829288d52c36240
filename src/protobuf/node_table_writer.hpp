// The node table of one Expr or ForallList as the writer builds it: each
// distinct node encoding stored once, in the order of first insertion, and
// the memory of shared cells and term runs already written.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "model/memory.hpp"
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

// An array that grows a block at a time: nothing is moved as it grows, and
// only the memory of the elements pushed is ever written.
template <class T>
class BlockVector {
public:
    std::size_t size() const { return size_; }
    T& operator[](std::size_t i) { return blocks_[i >> kBits][i & kMask]; }
    const T& operator[](std::size_t i) const { return blocks_[i >> kBits][i & kMask]; }
    T& back() { return (*this)[size_ - 1]; }
    void push_back(const T& v) {
        if ((size_ & kMask) == 0) blocks_.push_back(std::make_unique_for_overwrite<T[]>(kMask + 1));
        blocks_.back()[size_ & kMask] = v;
        ++size_;
    }

private:
    static constexpr std::size_t kBits = 12;
    static constexpr std::size_t kMask = (std::size_t{1} << kBits) - 1;
    std::vector<std::unique_ptr<T[]>> blocks_;
    std::size_t size_ = 0;
};

// The node table of one Expr or ForallList: nodes in insertion order, each
// distinct encoding stored once, already laid out as the repeated field.
//
// A node's encoding holds the ids of its children, and each kind of node
// names a child that bounds the ids of equal nodes (its newest one, say), so
// equal nodes name the same one. A node with children is looked up only
// among the nodes that named the same child: the first few of them are
// chained from that child's entry, and only a child named by many more sends
// the rest to the hash table. Leaves go to the hash table, behind a small
// cache of the latest ones found.
class NodeArena {
public:
    explicit NodeArena(std::uint32_t field) : field_(field), out_(kHeadroom) {}

    // The id of `node`, stored if it is new. `after` is one past the id of
    // the child that the node's kind names (0 for a leaf): equal nodes give
    // the same one.
    std::uint64_t insert(std::string_view node, std::uint64_t after);
    // The same for a number literal, whose value keys the lookup: nearby
    // integers are looked up in nearby memory.
    std::uint64_t insert_number(std::string_view node, bool integer, std::uint64_t bits);

    // The ids of the terms of the lists that share one run of term slots,
    // keyed by the address of the run's first slot: a handle on them
    // (`run_of`), then the id of slot k, 0 while unknown, else id + 1.
    std::size_t run_of(const void* first_slot, std::size_t slots);
    std::uint64_t& run_slot(std::size_t run, std::size_t k) { return run_ids_[run_spans_[run].first + k]; }

    // The id already written for a shared cell, if any.
    const std::uint64_t* find_cell(const void* cell) const { return cells_.find(cell); }
    void remember_cell(const void* cell, std::uint64_t id) { cells_.insert(cell, id); }

    std::string_view bytes() const { return out_.view(); }
    // The table's bytes, taken: the arena is done with. They keep room in
    // front for the fields of the messages around them.
    Writer take_bytes() && { return std::move(out_); }

private:
    // A stored node, and the chain of the nodes that name it as their child:
    // ids plus 1, 0 for none. How many do is counted apart, up to kChained.
    struct Entry {
        std::uint32_t offset;
        std::uint32_t len;
        std::uint32_t next;     // the previous node that names the same child
        std::uint32_t parents;  // the newest node that names this one
    };
    // Nodes naming one child that are chained; the rest are hashed.
    static constexpr std::uint8_t kChained = 8;
    // A node's id plus 1 (0 for a free slot) beside the high half of its
    // hash, which the slot index does not use: a probe past another node
    // reads the slot alone, and only a likely match reads the stored bytes.
    struct Slot {
        std::uint32_t id = 0;
        std::uint32_t tag = 0;
    };
    static constexpr std::size_t kCacheSlots = 1024;
    static constexpr std::size_t kHeadroom = 512;

    bool stored_is(std::uint32_t id_plus_1, std::string_view node) const;

    bool indexable(std::string_view node) const;
    // Stores the node, its length 0 unless `indexed`; returns its id.
    std::uint64_t append(std::string_view node, bool indexed);
    // A leaf with hash `h`: found in the cache or the hash table, else stored.
    std::uint64_t insert_leaf(std::string_view node, std::uint64_t h);

    // The hashed node equal to `node`, as id + 1, else 0.
    std::uint32_t find_hashed(std::uint64_t h, std::string_view node) const;
    // Adds node `id` to the hash table; returns `id`.
    std::uint64_t add_hashed(std::uint64_t h, std::uint64_t id);
    void place(std::uint64_t h, std::uint32_t id);

    std::uint32_t field_;
    Writer out_;
    BlockVector<Entry> nodes_;
    BlockVector<std::uint8_t> chained_;  // per node: the nodes chained from it
    LargeVector<Slot> slots_;            // open addressing, at most half full
    struct Hashed {
        std::uint64_t hash;
        std::uint32_t id;  // plus 1
    };
    LargeVector<Hashed> hashed_;             // the ids in the hash table, for its growth
    std::array<Slot, kCacheSlots> cache_{};  // the latest leaves found, by hash

    // Shared cells already written, by address.
    PointerMap<std::uint64_t> cells_;
    // Term runs: spans of one pool of slot ids, by the address of the first slot.
    struct RunSpan {
        std::size_t first;
        std::size_t size;
    };
    PointerMap<std::size_t> runs_;
    std::vector<RunSpan> run_spans_;
    LargeVector<std::uint64_t> run_ids_;
};

}  // namespace forvela::pb
