// Allocation of the record arrays that a reader owns. Every array is zero-filled when made and
// freed in one place, so a pointer is either null or the start of a whole array.
#pragma once

#include <cstdint>
#include <new>

namespace vqdf {

// A count of zero or less means no entries: the pointer stays null.
template <typename T>
T* AllocateZeroed(int64_t count) {
    if (count <= 0) {
        return nullptr;
    }
    return new T[static_cast<std::size_t>(count)]();
}

template <typename T>
void FreeArray(T*& array) {
    delete[] array;
    array = nullptr;
}

}  // namespace vqdf
