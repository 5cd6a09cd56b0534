// vqdf convert: a loaded file written in the format its output name gives.
#include <filesystem>

#include "Commands.h"
#include "JsonWriter.h"
#include "LegacyWriter.h"

namespace vqdf::cli {

bool Convert(const LoadedFile& file, const std::string& output, std::string& error) {
    const std::filesystem::path folder = std::filesystem::path(output).parent_path();
    std::error_code ignored;
    if (!folder.empty() && !std::filesystem::is_directory(folder, ignored)) {
        error = "cannot write " + output + ": the folder " + folder.string() + " does not exist";
        return false;
    }
    const bool written = FormatOfPath(output) == Format::Json
                             ? tools::WriteJsonDataFile(file.File(), output, error)
                             : tools::WriteLegacyDataFile(file.File(), output, error);
    if (!written && error.rfind("cannot write", 0) != 0) {
        error = "cannot write " + output + ": " + error;
    }
    return written;
}

}  // namespace vqdf::cli
