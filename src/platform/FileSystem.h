// File access for the readers: existence, opening for reading, and the companion-file path.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vqdf::platform {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

bool FileExists(const std::wstring& path);

// Opens for reading while other readers and writers may keep the file open; null on failure.
FileHandle OpenForReading(const std::wstring& path);

// The path of a file beside the given one: its folder, its name without extension, the suffix.
// Empty when a part is too long for the platform's path rules.
std::optional<std::wstring> SiblingPath(const std::wstring& path, const std::wstring& suffix);

// The form of a path the platform's file calls take, and back. On Linux a file name is bytes: valid
// UTF-8 becomes its characters, and each byte that is not part of valid UTF-8 becomes U+DC80 plus
// the byte's value less 0x80 (U+DC80 to U+DCFF), which turns back into that byte. So any name the
// system gives survives the way to wide text and back. A wide path holding a character no name
// can (another lone surrogate, or a value beyond U+10FFFF) has no native form: it names no file,
// and no stand-in character may make it name another.
std::optional<std::string> NativePath(const std::wstring& path);
std::wstring WidePath(std::string_view nativePath);

}  // namespace vqdf::platform
