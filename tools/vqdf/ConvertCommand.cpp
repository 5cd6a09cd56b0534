// vqdf convert: a loaded file written in the format its output name gives.
#include "Commands.h"
#include "JsonWriter.h"
#include "LegacyWriter.h"

namespace vqdf::cli {

bool Convert(const LoadedFile& file, const std::string& output, std::string& error) {
    if (FormatOfPath(output) == Format::Json) {
        return tools::WriteJsonDataFile(file.File(), output, error);
    }
    return tools::WriteLegacyDataFile(file.File(), output, error);
}

}  // namespace vqdf::cli
