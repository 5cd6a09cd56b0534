// The legacy ".inv" form of a loaded data file: the records as raw images in the storage and
// stream tree that the legacy loader reads.
#pragma once

#include <string>

#include "model/DataFile.h"
#include "platform/CompoundOutput.h"

namespace vqdf {

// The tree of a data file's records. A table whose pointer is null while its count is positive
// gets no stream, unless it shares a stream with a table that has entries; then its part of the
// stream is zero bytes.
platform::CompoundNode LegacyTree(IDataFile& file);

// Writes the records of a loaded data file as a legacy file; false with a reason on failure.
bool WriteLegacyDataFile(IDataFile& file, const std::string& path, std::string& error);

}  // namespace vqdf
