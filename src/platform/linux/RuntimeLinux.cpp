// Locale and local heap on Linux. Every conversion the library makes here is its own and
// independent of the locale, and a host's locale is the host's: setting it would change the
// whole process (its number formatting, its strtod), so the library leaves it as it finds it.
#include <cstdlib>

#include "platform/Runtime.h"

namespace vqdf::platform {

void SetDefaultLocale() {}

void SetUtf8Locale() {}

void FreeLocal(void* block) { std::free(block); }

}  // namespace vqdf::platform
