// The JSON form of a loaded data file: the data file and its titles document, written so that
// the JSON reader fills the same records from them.
#pragma once

#include <string>

#include "model/DataFile.h"

namespace vqdf {

// Writes the whole text to a file, flushed and closed; false with the system's reason when any
// of it fails.
bool WriteTextFile(const std::string& path, const std::string& text, std::string& error);

// The titles document beside a data file: "<name without extension>_Title.json"; empty where the
// name is too long for the system to make one.
std::string TitlesPathOf(const std::string& path);

// Writes path and its titles document; false with a reason on failure. What the JSON form
// cannot carry is dropped: the reserved fields and diagnosis numbers of the device, an
// alternative title that differs from the title, the reserved field of common parameters, and
// texts longer than the 29 bytes the reader takes.
bool WriteJsonDataFile(IDataFile& file, const std::string& path, std::string& error);

}  // namespace vqdf
