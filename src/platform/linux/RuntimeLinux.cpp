// Locale and local heap on Linux.
#include <clocale>
#include <cstdlib>

#include "platform/Runtime.h"

namespace vqdf::platform {

void SetDefaultLocale() { std::setlocale(LC_ALL, ""); }

// glibc knows no locale of this name and refuses it, so the default stays in force.
void SetUtf8Locale() { std::setlocale(LC_ALL, ".UTF8"); }

void FreeLocal(void* block) { std::free(block); }

}  // namespace vqdf::platform
