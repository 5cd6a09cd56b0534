// A data file of either format loaded by the library's own readers for the command-line tool,
// with every finding of the load and the reason a failed load gives.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/DataFile.h"
#include "model/LoadObserver.h"

namespace vqdf::cli {

enum class Format { Json, Legacy };

struct Finding {
    FindingKind kind;
    std::string place;  // a JSON Pointer, a titles-document pointer, or a legacy stream path
    std::string message;
};

class LoadedFile {
public:
    LoadedFile(std::string path, Format format, std::unique_ptr<CDataFileBase> file,
               std::vector<Finding> findings);
    ~LoadedFile();
    LoadedFile(const LoadedFile&) = delete;
    LoadedFile& operator=(const LoadedFile&) = delete;

    const std::string& Path() const { return path_; }
    Format GetFormat() const { return format_; }
    CDataFileBase& File() const { return *file_; }
    const std::vector<Finding>& Findings() const { return findings_; }

private:
    std::string path_;
    Format format_;
    std::unique_ptr<CDataFileBase> file_;
    std::vector<Finding> findings_;
};

// The result of a load: the file, or why it failed with what the load found on the way.
struct LoadResult {
    std::unique_ptr<LoadedFile> file;
    std::string error;
    std::vector<Finding> findings;
};

// JSON when the name holds ".json", as the library decides, and legacy otherwise.
Format FormatOfPath(const std::string& path);

// Loads the file at path. The trace line of the load goes to traceLine when given.
LoadResult LoadDataFile(const std::string& path, std::string* traceLine = nullptr);

// The DataFile layout: <dir>/<model>/<model>_<version with "_" for ".">.inv
std::string DataFilePath(const std::string& dir, const std::string& model,
                         const std::string& version);

}  // namespace vqdf::cli
