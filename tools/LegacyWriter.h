// The legacy ".inv" form of a loaded data file: the records as raw images in the storage and
// stream tree that the legacy loader reads.
#pragma once

#include <string>

#include "CompoundWriter.h"
#include "model/DataFile.h"

namespace vqdf::tools {

// The tree of a data file's records. A table whose pointer is null while its count is positive
// gets no stream, unless it shares a stream with a table that has entries; then its part of the
// stream is zero bytes.
CompoundNode LegacyTree(IDataFile& file);

// Writes the records of a loaded data file as a legacy file; false with a reason on failure.
bool WriteLegacyDataFile(IDataFile& file, const std::string& path, std::string& error);

}  // namespace vqdf::tools
