// This process's id, for names of scratch files that no test running beside it uses.
#pragma once

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace vqdf::testing {

inline int ProcessId() {
#ifdef _WIN32
    return _getpid();
#else
    return getpid();
#endif
}

}  // namespace vqdf::testing
