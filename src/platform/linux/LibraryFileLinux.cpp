// The library's own file on Linux: the object that holds this very function, found by dladdr.
#include <dlfcn.h>

#include <climits>
#include <cstdlib>

#include "platform/CodePage.h"
#include "platform/LibraryFile.h"

namespace vqdf::platform {

const wchar_t kDirectorySeparator = L'/';

std::wstring LibraryFileName() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&LibraryFileName), &info) == 0 ||
        info.dli_fname == nullptr) {
        return {};
    }
    char resolved[PATH_MAX];
    if (realpath(info.dli_fname, resolved) == nullptr) {
        return {};
    }
    return MultiByteToWide(CodePage::Utf8, resolved);
}

}  // namespace vqdf::platform
