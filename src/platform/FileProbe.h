// File access for the tools, which report every failure with the system's own reason.
#pragma once

#include <cstddef>
#include <string>

namespace vqdf::platform {

// Opens the file for reading and reads up to count bytes of its start into head. A directory, a
// FIFO or a device is refused without waiting on it. False with the system's reason when the
// file cannot be read.
bool PeekFile(const std::string& nativePath, std::size_t count, std::string& head,
              std::string& reason);

// Creates a file that must not exist yet, empty, for a writer to fill; false with the system's
// reason when it cannot.
bool CreateNewFile(const std::string& nativePath, std::string& reason);

// This process's id, for names no other process uses.
unsigned long ProcessId();

}  // namespace vqdf::platform
