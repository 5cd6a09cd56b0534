// The trace channel on Linux is syslog at debug level: silent unless someone listens.
#include <syslog.h>

#include <chrono>

#include "platform/CodePage.h"
#include "platform/Trace.h"

namespace vqdf::platform {

void WriteDebuggerOutput(const std::wstring& line) {
    syslog(LOG_DEBUG, "%s", WideToMultiByte(CodePage::Utf8, line).c_str());
}

// A steady clock counted in ticks of 100 ns.
uint64_t ReadPerformanceCounter() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() /
                                 100);
}

uint64_t PerformanceFrequency() { return 10'000'000; }

}  // namespace vqdf::platform
