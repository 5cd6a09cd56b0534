// The library's own file on Linux: the object that holds this very function, found by dladdr and
// made absolute once, while the library is being loaded.
#include <dlfcn.h>

#include <climits>
#include <cstdlib>

#include "platform/FileSystem.h"
#include "platform/LibraryFile.h"

namespace vqdf::platform {

const wchar_t kDirectorySeparator = L'/';

namespace {

// The name dladdr reports is the one the loader was given, which may be relative to the
// directory current at that moment. It is resolved while the library's static objects are being
// made, inside the load and under that directory; the host may change directory any time later.
// A fixed buffer, so that nothing is allocated while the library loads.
char resolvedFileName[PATH_MAX];

bool ResolveLibraryFileName() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&ResolveLibraryFileName), &info) == 0 ||
        info.dli_fname == nullptr) {
        return false;
    }
    return realpath(info.dli_fname, resolvedFileName) != nullptr;
}

const bool resolved = ResolveLibraryFileName();

}  // namespace

std::wstring LibraryFileName() { return resolved ? WidePath(resolvedFileName) : std::wstring(); }

}  // namespace vqdf::platform
