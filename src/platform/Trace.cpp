// The trace line's way out: the sink a tool or test sets, or else the platform's debugger channel.
#include "platform/Trace.h"

#include <utility>

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
    WriteDebuggerOutput(line);
}

void SetTraceSink(TraceSink sink) { Sink() = std::move(sink); }

}  // namespace vqdf::platform
