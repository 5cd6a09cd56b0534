// The trace line's way out: the sink a tool or test sets, or else the platform's debugger channel.
#include "platform/Trace.h"

#include <utility>

namespace vqdf::platform {
namespace {

// At namespace scope: a guarded local static would take the runtime's lock for statics, which
// on Windows outlives the DLL. Nothing writes a trace line before the library is initialised.
TraceSink sink;

TraceSink& Sink() { return sink; }

}  // namespace

void WriteTrace(const std::wstring& line) {
    if (Sink()) {
        Sink()(line);
        return;
    }
    WriteDebuggerOutput(line);
}

void SetTraceSink(TraceSink sink) { Sink() = std::move(sink); }

}  // namespace vqdf::platform
