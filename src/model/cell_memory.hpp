// The memory of expression cells and their short arrays: blocks of up to
// kMaxCellBytes come from slabs of one size each, so making and freeing the
// hundreds of thousands of small cells of a large model costs a few
// instructions per cell and never makes the system allocator merge them.
// The slabs come from the system sixteen at a time; a region of them whose
// cells are all freed goes back (two are kept for reuse), so freeing a model
// gives its memory back as the system allocator would.
//
// Like the reference counts of the cells, the slabs are not locked: cells
// are made and freed by one thread at a time.
#pragma once

#include <cstddef>

namespace forvela {

inline constexpr std::size_t kMaxCellBytes = 160;
// The alignment of a block of the slabs: sizes go by steps of it, so that a
// cell of 40 bytes takes 40. No cell holds an over-aligned member.
inline constexpr std::size_t kCellAlignment = 8;

// A block of `bytes` (any size; larger ones come from operator new) aligned
// to kCellAlignment; throws std::bad_alloc.
void* allocate_cell(std::size_t bytes);
// Gives back a block of allocate_cell(bytes), with the same `bytes`.
void free_cell(void* block, std::size_t bytes) noexcept;

}  // namespace forvela
