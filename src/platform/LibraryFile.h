// Where the library itself lies, and how the platform separates directories.
#pragma once

#include <string>

namespace vqdf::platform {

extern const wchar_t kDirectorySeparator;

// Full file name of this library (never of the host program); empty when it cannot be found.
std::wstring LibraryFileName();

}  // namespace vqdf::platform
