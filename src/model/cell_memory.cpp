#include "model/cell_memory.hpp"

#include <cstdint>
#include <cstdlib>
#include <new>

namespace forvela {

#if defined(__SANITIZE_ADDRESS__)
#define FORVELA_CELLS_APART 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FORVELA_CELLS_APART 1
#endif
#endif

#ifdef FORVELA_CELLS_APART

// The sanitizer sees every cell as a block of its own, so that a use after
// free is caught.
void* allocate_cell(std::size_t bytes) { return ::operator new(bytes); }
void free_cell(void* block, std::size_t) noexcept { ::operator delete(block); }

#else

namespace {

constexpr std::size_t kGrain = kCellAlignment;
constexpr std::size_t kClasses = kMaxCellBytes / kGrain;
constexpr std::size_t kSlabBytes = std::size_t{64} << 10;
// Slabs are taken from the system sixteen at a time, in regions aligned to
// a slab's size; a region whose slabs are all empty goes back, but for a
// few kept for reuse, so that a model freed and another made (a model read
// again) takes no memory from the system.
constexpr std::size_t kSlabsPerRegion = 16;
constexpr std::size_t kSpareRegions = 2;

struct FreeCell {
    FreeCell* next;
};

struct Region;

// One slab: this header, then cells of one size. A cell finds its slab from
// its address. A slab is in its class's list of slabs with room, in no list
// (full), or empty in the list of empty slabs.
struct Slab {
    Slab* prev;
    Slab* next;
    FreeCell* free;  // cells given back
    char* fresh;     // cells never handed out, up to `end`
    char* end;
    Region* region;
    std::uint32_t live;
    bool listed;  // in its class's list
};
constexpr std::size_t kHeaderBytes = (sizeof(Slab) + kGrain - 1) / kGrain * kGrain;

struct Region {
    void* block;
    std::size_t used = 0;  // slabs not empty
};

struct Slabs {
    Slab* open[kClasses] = {};  // the slabs with room, per size class
    Slab* empty = nullptr;
    std::size_t spare_regions = 0;  // regions of empty slabs only
};
Slabs slabs;

std::size_t class_of(std::size_t bytes) { return (bytes - 1) / kGrain; }
std::size_t cell_bytes(std::size_t cls) { return (cls + 1) * kGrain; }
Slab* slab_of(void* cell) {
    const std::uintptr_t offset = reinterpret_cast<std::uintptr_t>(cell) & (kSlabBytes - 1);
    return reinterpret_cast<Slab*>(static_cast<char*>(cell) - offset);
}
Slab* slab_at(void* block, std::size_t k) {
    return reinterpret_cast<Slab*>(static_cast<char*>(block) + k * kSlabBytes);
}

void push(Slab*& head, Slab* s) {
    s->prev = nullptr;
    s->next = head;
    if (head) head->prev = s;
    head = s;
}

void remove(Slab*& head, Slab* s) {
    if (s->prev)
        s->prev->next = s->next;
    else
        head = s->next;
    if (s->next) s->next->prev = s->prev;
}

void add_region() {
    auto* region = new Region{std::aligned_alloc(kSlabBytes, kSlabBytes * kSlabsPerRegion)};
    if (!region->block) {
        delete region;
        throw std::bad_alloc();
    }
    for (std::size_t k = kSlabsPerRegion; k-- > 0;) {
        Slab* s = slab_at(region->block, k);
        s->region = region;
        push(slabs.empty, s);
    }
    ++slabs.spare_regions;
}

Slab* new_slab(std::size_t cls) {
    if (!slabs.empty) add_region();
    Slab* s = slabs.empty;
    remove(slabs.empty, s);
    if (s->region->used++ == 0) --slabs.spare_regions;
    char* base = reinterpret_cast<char*>(s);
    s->free = nullptr;
    s->fresh = base + kHeaderBytes;
    s->end = base + kHeaderBytes + (kSlabBytes - kHeaderBytes) / cell_bytes(cls) * cell_bytes(cls);
    s->live = 0;
    push(slabs.open[cls], s);
    s->listed = true;
    return s;
}

// A slab whose cells are all given back.
void empty_slab(Slab* s) {
    push(slabs.empty, s);
    Region* region = s->region;
    if (--region->used != 0) return;
    if (slabs.spare_regions < kSpareRegions) {
        ++slabs.spare_regions;
        return;
    }
    for (std::size_t k = 0; k < kSlabsPerRegion; ++k) remove(slabs.empty, slab_at(region->block, k));
    std::free(region->block);
    delete region;
}

}  // namespace

void* allocate_cell(std::size_t bytes) {
    if (bytes == 0 || bytes > kMaxCellBytes) return ::operator new(bytes);
    const std::size_t cls = class_of(bytes);
    Slab* s = slabs.open[cls];
    if (!s) s = new_slab(cls);
    void* cell;
    if (s->free) {
        cell = s->free;
        s->free = s->free->next;
    } else {
        cell = s->fresh;
        s->fresh += cell_bytes(cls);
    }
    ++s->live;
    if (!s->free && s->fresh == s->end) {
        remove(slabs.open[cls], s);
        s->listed = false;
    }
    return cell;
}

void free_cell(void* block, std::size_t bytes) noexcept {
    if (bytes == 0 || bytes > kMaxCellBytes) return ::operator delete(block);
    const std::size_t cls = class_of(bytes);
    Slab* s = slab_of(block);
    auto* cell = static_cast<FreeCell*>(block);
    cell->next = s->free;
    s->free = cell;
    if (--s->live == 0) {
        if (s->listed) remove(slabs.open[cls], s);
        s->listed = false;
        empty_slab(s);
    } else if (!s->listed) {
        push(slabs.open[cls], s);
        s->listed = true;
    }
}

#endif

}  // namespace forvela
