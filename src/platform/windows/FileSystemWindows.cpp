// File access on Windows: wide paths throughout, the file-status query for existence, and the
// runtime's path splitting and the shell's path append for the file beside another.
#include <share.h>
#include <shlwapi.h>
#include <sys/stat.h>
#include <windows.h>

#include <cstdlib>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"

namespace vqdf::platform {

std::optional<std::string> NativePath(const std::wstring& path) {
    return WideToMultiByte(CodePage::SystemAnsi, path);
}

std::wstring WidePath(std::string_view nativePath) {
    return MultiByteToWide(CodePage::SystemAnsi, nativePath);
}

bool FileExists(const std::wstring& path) {
    struct _stat64 status {};
    return _wstat64(path.c_str(), &status) == 0;
}

// Other readers and writers may keep the file open meanwhile.
FileHandle OpenForReading(const std::wstring& path) {
    return FileHandle(_wfsopen(path.c_str(), L"rb", _SH_DENYNO));
}

// Each part of the split holds at most 255 characters; the joined path stays within MAX_PATH.
namespace {

constexpr std::size_t kPartBuffer = 256;

// Whether each part _wsplitpath_s finds fits its buffer with its terminator. A part that does not
// makes the function call the C runtime's invalid-parameter handler, which ends the host process
// by default, so the lengths are checked first.
bool PartsFit(std::wstring_view path) {
    const std::size_t start = path.size() >= 2 && path[1] == L':' ? 2 : 0;
    const std::size_t separator = path.find_last_of(L"\\/");
    const std::size_t nameStart =
        separator == std::wstring_view::npos || separator < start ? start : separator + 1;
    const std::wstring_view file = path.substr(nameStart);
    const std::size_t dot = file.rfind(L'.');
    const std::size_t name = dot == std::wstring_view::npos ? file.size() : dot;
    return nameStart - start < kPartBuffer && name < kPartBuffer &&
           file.size() - name < kPartBuffer;
}

}  // namespace

std::optional<std::wstring> SiblingPath(const std::wstring& path, const std::wstring& suffix) {
    wchar_t drive[_MAX_DRIVE];
    wchar_t directory[kPartBuffer];
    wchar_t name[kPartBuffer];
    wchar_t extension[kPartBuffer];
    if (!PartsFit(path) || _wsplitpath_s(path.c_str(), drive, _MAX_DRIVE, directory, kPartBuffer,
                                         name, kPartBuffer, extension, kPartBuffer) != 0) {
        return std::nullopt;
    }
    const std::wstring folder = std::wstring(drive) + directory;
    const std::wstring file = std::wstring(name) + suffix;
    if (folder.size() >= MAX_PATH || file.size() >= MAX_PATH) {
        return std::nullopt;
    }
    wchar_t joined[MAX_PATH] = {};
    folder.copy(joined, folder.size());
    if (!PathAppendW(joined, file.c_str())) {
        return std::nullopt;
    }
    return std::wstring(joined);
}

}  // namespace vqdf::platform
