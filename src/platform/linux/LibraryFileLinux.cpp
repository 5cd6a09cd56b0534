// The library's own file on Linux: the object that holds this very function, by the name the
// loader has for it (dladdr), made absolute once while the library is being loaded.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <string_view>

#include "platform/FileSystem.h"
#include "platform/LibraryFile.h"

namespace vqdf::platform {

const wchar_t kDirectorySeparator = L'/';

namespace {

// The name dladdr reports is the one the loader was given or found, which may be relative to the
// directory current at that moment. It is made absolute while the library's static objects are
// being made, inside the load and under that directory; the host may change directory any time
// later. Symbolic links are kept, not resolved: a host that links the library into its own
// folder has the DataFile folder beside the link, as the loader names the library. A fixed
// buffer, so that nothing is allocated while the library loads.
char absoluteFileName[PATH_MAX];

// Drops each "./" step of an absolute name ("/app/./lib/x.so" is "/app/lib/x.so"), in place. Only
// those: a ".." step depends on the links before it.
void RemoveCurrentDirectorySteps(char* name) {
    char* out = name;
    for (const char* in = name; *in != '\0';) {
        if (in[0] == '/' && in[1] == '.' && in[2] == '/') {
            in += 2;
            continue;
        }
        *out++ = *in++;
    }
    *out = '\0';
}

bool MakeLibraryFileNameAbsolute() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&MakeLibraryFileNameAbsolute), &info) == 0 ||
        info.dli_fname == nullptr || info.dli_fname[0] == '\0') {
        return false;
    }
    std::string_view name = info.dli_fname;
    std::size_t length = 0;
    if (name.front() != '/') {
        if (getcwd(absoluteFileName, sizeof absoluteFileName) == nullptr) {
            return false;
        }
        length = std::strlen(absoluteFileName);
        if (length == 0 || absoluteFileName[length - 1] != '/') {
            absoluteFileName[length++] = '/';
        }
    }
    if (name.size() >= sizeof absoluteFileName - length) {
        return false;
    }
    name.copy(absoluteFileName + length, name.size());
    absoluteFileName[length + name.size()] = '\0';
    RemoveCurrentDirectorySteps(absoluteFileName);
    return true;
}

const bool found = MakeLibraryFileNameAbsolute();

}  // namespace

std::wstring LibraryFileName() { return found ? WidePath(absoluteFileName) : std::wstring(); }

}  // namespace vqdf::platform
