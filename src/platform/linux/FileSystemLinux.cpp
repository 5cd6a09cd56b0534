// File access on Linux. Paths are UTF-8 on disk.
#include <sys/stat.h>

#include <climits>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"

namespace vqdf::platform {

std::string NativePath(const std::wstring& path) { return WideToMultiByte(CodePage::Utf8, path); }

bool FileExists(const std::wstring& path) {
    struct stat status {};
    return stat(NativePath(path).c_str(), &status) == 0;
}

FileHandle OpenForReading(const std::wstring& path) {
    return FileHandle(std::fopen(NativePath(path).c_str(), "rb"));
}

std::optional<std::wstring> SiblingPath(const std::wstring& path, const std::wstring& suffix) {
    const std::size_t slash = path.rfind(L'/');
    const std::size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
    std::wstring name = path.substr(nameStart);
    const std::size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos) {
        name.erase(dot);
    }
    if (name.size() > NAME_MAX || path.size() - name.size() > PATH_MAX) {
        return std::nullopt;
    }
    std::wstring joined = path.substr(0, nameStart) + name + suffix;
    if (joined.size() >= PATH_MAX) {
        return std::nullopt;
    }
    return joined;
}

}  // namespace vqdf::platform
