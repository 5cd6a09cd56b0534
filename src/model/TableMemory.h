// Allocation of the record arrays that a reader owns. Every array is zero-filled when made and
// freed in one place, so a pointer is either null or the start of a whole array. Every allocation
// of the readers' own, the JSON parser's included, goes through the four functions below; an
// allocation that fails gives null, which each caller handles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace vqdf {

void* AllocateBytes(std::size_t size);
void* AllocateZeroedBytes(std::size_t count, std::size_t size);
void* ReallocateBytes(void* block, std::size_t size);
void FreeBytes(void* block);

// A count of zero or less means no entries: the pointer stays null. So does a failed allocation,
// which readers treat like a table they could not read. The arrays are zero-filled by the
// allocator: a large table that a file declares but never fills costs address space, not touched
// memory.
template <typename T>
T* AllocateZeroed(int64_t count) {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);
    if (count <= 0 || static_cast<uint64_t>(count) > SIZE_MAX / sizeof(T)) {
        return nullptr;
    }
    return static_cast<T*>(AllocateZeroedBytes(static_cast<std::size_t>(count), sizeof(T)));
}

// An array that a data file lists, allocated also when it lists nothing: a host then finds a
// valid pointer to no entries, and null only for a list the file does not have, or one that could
// not be allocated.
template <typename T>
T* AllocateList(int64_t count) {
    return AllocateZeroed<T>(count > 0 ? count : 1);
}

// For an array that is filled whole right after, so that each page is written once: the same
// rules as above, without the zero fill.
template <typename T>
T* AllocateForFill(int64_t count) {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);
    if (count <= 0 || static_cast<uint64_t>(count) > SIZE_MAX / sizeof(T)) {
        return nullptr;
    }
    return static_cast<T*>(AllocateBytes(static_cast<std::size_t>(count) * sizeof(T)));
}

template <typename T>
void FreeArray(T*& array) {
    FreeBytes(array);
    array = nullptr;
}

}  // namespace vqdf
