// Process-wide runtime settings the library touches: the locale and the local heap.
#pragma once

namespace vqdf::platform {

void SetDefaultLocale();
void SetUtf8Locale();

// Releases a block of the platform's local heap; null is ignored.
void FreeLocal(void* block);

}  // namespace vqdf::platform
