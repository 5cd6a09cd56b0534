// File access for the readers: existence, opening for reading, and the companion-file path.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

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

// The 8-bit form of a path as the platform's file calls take it.
std::string NativePath(const std::wstring& path);

}  // namespace vqdf::platform
