// The debugger trace line of each load and the counter that times it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vqdf::platform {

using TraceSink = std::function<void(const std::wstring& line)>;

// Writes one trace line to the platform's debugger channel, or to the sink set below.
void WriteTrace(const std::wstring& line);

// Replaces the debugger channel (tests, the command-line tool); an empty sink restores it.
void SetTraceSink(TraceSink sink);

// The platform's debugger channel itself.
void WriteDebuggerOutput(const std::wstring& line);

uint64_t ReadPerformanceCounter();
uint64_t PerformanceFrequency();

}  // namespace vqdf::platform
