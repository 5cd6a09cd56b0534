// The debugger channel that the trace line of each load goes to, and the counter that times it.
#pragma once

#include <cstdint>
#include <string>

namespace vqdf::platform {

// Writes one trace line to the platform's debugger channel.
void WriteDebuggerOutput(const std::wstring& line);

uint64_t ReadPerformanceCounter();
uint64_t PerformanceFrequency();

}  // namespace vqdf::platform
