// Memo tables of one walk, keyed by cells (or by pairs of cells, or a cell
// and a small number): a shared subtree is worked out once per walk, however
// many times it occurs. Open addressing with linear probing; the key of an
// empty slot has a null first part, which no cell has.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "model/expression/box.hpp"

namespace forvela {

// Whether a walk may meet a cell more than once: another holder shares it, or
// it is a term of a list whose buffer other lists hold too. A cell held once,
// by a node met once, is met once; only the others go in the memo tables.
inline bool may_meet_again(const NodeBase* cell, bool in_shared_list = false) {
    return cell && (in_shared_list || cell->refs > 1);
}

struct CellKey {
    const void* first = nullptr;
    std::uintptr_t second = 0;
    friend bool operator==(const CellKey&, const CellKey&) = default;
};

template <class V>
class CellMemo {
public:
    // The value under `key`, or null.
    V* find(const CellKey& key) {
        if (slots_.empty()) return nullptr;
        for (std::size_t i = index_of(key);; i = (i + 1) & mask_) {
            Slot& s = slots_[i];
            if (!s.key.first) return nullptr;
            if (s.key == key) return &s.value;
        }
    }
    // Stores `value` under `key` unless a value is there; whether it was stored.
    bool insert(const CellKey& key, V value) {
        if ((count_ + 1) * 2 > slots_.size()) grow();
        for (std::size_t i = index_of(key);; i = (i + 1) & mask_) {
            Slot& s = slots_[i];
            if (!s.key.first) {
                s.key = key;
                s.value = std::move(value);
                ++count_;
                return true;
            }
            if (s.key == key) return false;
        }
    }

private:
    struct Slot {
        CellKey key;
        V value{};
    };

    std::size_t index_of(const CellKey& key) const {
        std::uint64_t x = reinterpret_cast<std::uintptr_t>(key.first) ^ (key.second * 0x9e3779b97f4a7c15ULL);
        x ^= x >> 31;
        x *= 0xbf58476d1ce4e5b9ULL;
        x ^= x >> 29;
        return static_cast<std::size_t>(x) & mask_;
    }

    void grow() {
        std::vector<Slot> old = std::move(slots_);
        slots_ = std::vector<Slot>(old.empty() ? 16 : old.size() * 2);
        mask_ = slots_.size() - 1;
        count_ = 0;
        for (Slot& s : old)
            if (s.key.first) insert(s.key, std::move(s.value));
    }

    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    std::size_t count_ = 0;
};

// A set of cells (or keys) met by one walk.
class CellSet {
public:
    // Whether `key` was new.
    bool insert(const CellKey& key) { return memo_.insert(key, Unit{}); }
    bool contains(const CellKey& key) { return memo_.find(key) != nullptr; }

private:
    struct Unit {};
    CellMemo<Unit> memo_;
};

}  // namespace forvela
