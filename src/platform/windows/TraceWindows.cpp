// The trace channel on Windows is the debugger output; the timer is the performance counter.
#include <windows.h>

#include <utility>

#include "platform/Trace.h"

namespace vqdf::platform {
namespace {

TraceSink& Sink() {
    static TraceSink sink;
    return sink;
}

}  // namespace

void WriteTrace(const std::wstring& line) {
    if (Sink()) {
        Sink()(line);
        return;
    }
    OutputDebugStringW(line.c_str());
}

void SetTraceSink(TraceSink sink) { Sink() = std::move(sink); }

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
