// File access for the tools, which report every failure with the system's own reason.
#pragma once

#include <cstddef>
#include <string>

namespace vqdf::platform {

// Opens the file for reading and reads up to count bytes of its start into head. A directory, a
// FIFO or a device is refused without waiting on it. False with the system's reason and its
// number (0 where the system gave none) when the file cannot be read.
bool PeekFile(const std::string& nativePath, std::size_t count, std::string& head,
              std::string& reason, int& code);

// Creates a file that must not exist yet, empty, for a writer to fill; false with the system's
// reason when it cannot.
bool CreateNewFile(const std::string& nativePath, std::string& reason);

// Why a file that begins as a compound file cannot be read as one: another program holds it
// (its lock is taken), or it is damaged (with the compound-file reader's reason); empty when
// neither is so.
std::string CompoundFileProblem(const std::string& nativePath);

// Whether the name is a stream that can be read only once, as a pipe or a terminal: its start
// cannot be looked at and read again.
bool IsStream(const std::string& nativePath);

// This process's id, for names no other process uses.
unsigned long ProcessId();

}  // namespace vqdf::platform
