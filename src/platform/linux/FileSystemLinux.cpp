// File access on Linux, where a file name is a string of bytes, most often UTF-8.
#include <sys/stat.h>

#include <climits>

#include "platform/FileSystem.h"
#include "platform/linux/Utf8.h"

namespace vqdf::platform {

namespace {

// The characters that stand for bytes that are not UTF-8.
constexpr char32_t kEscapeBase = 0xDC00;
constexpr char32_t kFirstEscape = 0xDC80;
constexpr char32_t kLastEscape = 0xDCFF;

}  // namespace

std::optional<std::string> NativePath(const std::wstring& path) {
    std::string bytes;
    bool formed = true;
    utf8::Encode(path, bytes, [&formed](char32_t c, std::string& out) {
        if (c >= kFirstEscape && c <= kLastEscape) {
            out.push_back(static_cast<char>(c - kEscapeBase));
        } else {
            formed = false;  // a lone surrogate, or beyond U+10FFFF: no file name gives it
        }
    });
    if (!formed) {
        return std::nullopt;
    }
    return bytes;
}

std::wstring WidePath(std::string_view nativePath) {
    std::wstring path;
    utf8::Decode(nativePath, path, [](unsigned char byte, std::wstring& out) {
        out.push_back(static_cast<wchar_t>(kEscapeBase + byte));
    });
    return path;
}

bool FileExists(const std::wstring& path) {
    const std::optional<std::string> native = NativePath(path);
    struct stat status {};
    return native && stat(native->c_str(), &status) == 0;
}

FileHandle OpenForReading(const std::wstring& path) {
    const std::optional<std::string> native = NativePath(path);
    return FileHandle(native ? std::fopen(native->c_str(), "rb") : nullptr);
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
