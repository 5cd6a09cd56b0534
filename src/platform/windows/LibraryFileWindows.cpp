// The library's own file on Windows: the module that holds this very function, never the host
// program's.
#include <windows.h>

#include "platform/LibraryFile.h"

namespace vqdf::platform {

const wchar_t kDirectorySeparator = L'\\';

std::wstring LibraryFileName() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(&LibraryFileName), &self)) {
        return {};
    }
    wchar_t name[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(self, name, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return {};
    }
    return std::wstring(name, length);
}

}  // namespace vqdf::platform
