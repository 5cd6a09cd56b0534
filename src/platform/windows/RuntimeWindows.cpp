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

#if defined(__GLIBCXX__)
// The C++ runtime linked into the DLL keeps an emergency buffer for throwing when memory runs
// out (about 73 KB), which nothing frees when a host unloads the DLL: a host that loads and
// unloads the library would lose it on every round. It goes back when the DLL's statics are
// destroyed, at unload; an exception thrown after that without memory ends the program, as it
// would without the buffer.
namespace __gnu_cxx {
void __freeres();
}

namespace {
struct RuntimeBuffers {
    RuntimeBuffers() = default;
    ~RuntimeBuffers() { __gnu_cxx::__freeres(); }
    RuntimeBuffers(const RuntimeBuffers&) = delete;
    RuntimeBuffers& operator=(const RuntimeBuffers&) = delete;
};
const RuntimeBuffers releasedAtUnload;
}  // namespace
#endif
