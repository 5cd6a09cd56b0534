// JSON Schemas (draft 2020-12) of the JSON data file and of its titles document, for the editors
// of data-file authors.
#pragma once

#include <string>

namespace vqdf::json {

std::string DataFileSchema();
std::string TitlesSchema();

}  // namespace vqdf::json
