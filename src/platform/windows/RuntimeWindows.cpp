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

#if defined(__MINGW32__)
// The thread library linked into the DLL (winpthreads) gives a thread that uses it without having
// been made by it a record of its own: a duplicate of the thread's handle, an event and about 330
// bytes. It gives them back when the thread ends. The runtime's registration of the DLL's unwind
// tables makes such a record for the thread that loads the DLL, and a host that unloads and
// loads the DLL again on that thread would lose them on every round. So, as the DLL goes, the
// record of the thread that unloads it is given back the way a thread's end gives it back, through
// the thread library's own callback, before that library's last callback frees its records.
extern "C" PIMAGE_TLS_CALLBACK __xl_f;

namespace {
void NTAPI ReleaseThreadRecord(PVOID module, DWORD reason, PVOID reserved) {
    // reserved is null when the DLL is unloaded, not when the process ends.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr && __xl_f != nullptr) {
        __xl_f(module, DLL_THREAD_DETACH, nullptr);
    }
}
}  // namespace

// Thread-local callbacks run in the order of their section names: this one before the thread
// library's (".CRT$XLF").
extern "C" __attribute__((section(".CRT$XLE"), used))
const PIMAGE_TLS_CALLBACK vqdfReleaseThreadRecord = ReleaseThreadRecord;
#endif
