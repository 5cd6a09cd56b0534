// A DLL linked as the library is, whose one export uses what of the runtimes the library itself
// uses only when memory runs out: an exception thrown and caught, on the calling thread and on a
// thread of the DLL's own that then ends, and a function-local static. All that the runtimes set
// up for it must go with the DLL.
#include <windows.h>

#include <stdexcept>
#include <string>

namespace {

int ThrowAndCatch() {
    try {
        throw std::runtime_error(std::string(64, 'x'));
    } catch (const std::exception& error) {
        return error.what()[0] == 'x' ? 1 : 0;
    }
}

DWORD WINAPI ThreadMain(void*) { return static_cast<DWORD>(ThrowAndCatch()); }

const std::string& Static() {
    static const std::string text(64, 's');
    return text;
}

}  // namespace

// 3 when the exceptions were caught on both threads and the static was made.
extern "C" __declspec(dllexport) int ProbeRuntime() {
    DWORD caughtThere = 0;
    HANDLE thread = CreateThread(nullptr, 0, ThreadMain, nullptr, 0, nullptr);
    if (thread != nullptr) {
        WaitForSingleObject(thread, INFINITE);
        GetExitCodeThread(thread, &caughtThere);
        CloseHandle(thread);
    }
    return ThrowAndCatch() + static_cast<int>(caughtThere) + (Static().size() == 64 ? 1 : 0);
}
