// The registry of loaded data files: one reader per key made of model and version, loaded once and
// kept until the library is unloaded.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "model/DataFile.h"

namespace vqdf {

enum class ReaderKind { Json, Legacy };

// Makes the reader for a path; the registry calls Load on it.
using ReaderFactory =
    std::function<std::unique_ptr<IDataFile>(ReaderKind kind, const std::wstring& path)>;

class CDataFileRegistry {
public:
    CDataFileRegistry();
    explicit CDataFileRegistry(ReaderFactory factory);
    ~CDataFileRegistry();
    CDataFileRegistry(const CDataFileRegistry&) = delete;
    CDataFileRegistry& operator=(const CDataFileRegistry&) = delete;

    static std::wstring MakeKey(const std::wstring& model, const std::wstring& version);
    // The reader whose key the file name of path gives (its stem split at the first "_").
    static std::wstring KeyOfPath(const std::wstring& path);

    IDataFile* FindDataFile(const std::wstring& model, const std::wstring& version) const;
    int32_t LoadDataFile(const std::wstring& path, const std::wstring& key);
    int32_t SetDataFileVer(const std::wstring& model, const std::wstring& version);
    int32_t SetDataFilePath(const std::wstring& path);
    int32_t GetRecentDataFileVer(const std::wstring& model, const std::wstring& version) const;
    void RemoveAllDataFiles();
    // The library's own directory with a trailing separator; 0 found, 1 not.
    static int32_t GetModuleDirectory(std::wstring& directory);

    std::size_t Size() const { return files_.size(); }

private:
    ReaderFactory factory_;
    std::map<std::wstring, std::unique_ptr<IDataFile>> files_;
};

// The reader a path calls for: JSON when the path holds ".json" anywhere, directories included
// and case-sensitive; legacy otherwise.
ReaderKind ReaderKindOfPath(const std::wstring& path);

// The readers of the two formats, as the registry makes them by default.
std::unique_ptr<CDataFileBase> MakeReader(ReaderKind kind, const std::wstring& path);

}  // namespace vqdf
