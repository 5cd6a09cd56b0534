// Locale and local heap on Windows.
#include <windows.h>

#include <clocale>

#include "platform/Runtime.h"

namespace vqdf::platform {

void SetDefaultLocale() { std::setlocale(LC_ALL, ""); }

// The runtime knows ".UTF8" where it supports UTF-8 locales; elsewhere it refuses the name and
// the default stays in force.
void SetUtf8Locale() { _wsetlocale(LC_ALL, L".UTF8"); }

void FreeLocal(void* block) {
    if (block != nullptr) {
        LocalFree(block);
    }
}

}  // namespace vqdf::platform
