// The trace channel on Windows is the debugger output; the timer is the performance counter.
#include <windows.h>

#include "platform/Trace.h"

namespace vqdf::platform {

void WriteDebuggerOutput(const std::wstring& line) { OutputDebugStringW(line.c_str()); }

uint64_t ReadPerformanceCounter() {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return static_cast<uint64_t>(counter.QuadPart);
}

uint64_t PerformanceFrequency() {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return static_cast<uint64_t>(frequency.QuadPart);
}

}  // namespace vqdf::platform
