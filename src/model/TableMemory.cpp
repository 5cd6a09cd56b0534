// The C heap behind the readers' own allocations. Only these four functions are in this file, so
// that a test program can put its own in their place and make any one allocation fail.
#include "model/TableMemory.h"

#include <cstdlib>

namespace vqdf {

void* AllocateBytes(std::size_t size) { return std::malloc(size); }

void* AllocateZeroedBytes(std::size_t count, std::size_t size) { return std::calloc(count, size); }

void* ReallocateBytes(void* block, std::size_t size) { return std::realloc(block, size); }

void FreeBytes(void* block) { std::free(block); }

}  // namespace vqdf
