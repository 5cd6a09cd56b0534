// The registry of loaded data files: one reader per key made of model and version, loaded once and
// kept until the library is unloaded.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

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

    // Lookups build the key without allocating where it is short, as it is for any real model.
    IDataFile* FindDataFile(std::wstring_view model, std::wstring_view version) const;
    // The message table of a registered file as hosts read it: its temperature placeholders
    // rewritten to degree signs. The rewrite lasts, so it is done on the first call only.
    MessageSpec* FindMessageSpec(std::wstring_view model, std::wstring_view version);
    int32_t LoadDataFile(const std::wstring& path, const std::wstring& key);
    int32_t SetDataFileVer(const std::wstring& model, const std::wstring& version);
    int32_t SetDataFilePath(const std::wstring& path);
    int32_t GetRecentDataFileVer(std::wstring_view model, std::wstring_view version) const;
    void RemoveAllDataFiles();
    // The library's own directory with a trailing separator; 0 found, 1 not.
    static int32_t GetModuleDirectory(std::wstring& directory);

    std::size_t Size() const { return files_.size(); }

private:
    struct Registered {
        std::unique_ptr<IDataFile> file;
        bool degreeSignsShown = false;
    };
    // Keys looked up as views of a key built on the stack.
    struct KeyHash {
        using is_transparent = void;
        std::size_t operator()(std::wstring_view key) const {
            return std::hash<std::wstring_view>()(key);
        }
    };
    using Files = std::unordered_map<std::wstring, Registered, KeyHash, std::equal_to<>>;

    // A beginning of a registered key that a recent-version search can ask for ("M1_1_"), and
    // the minor the rest of the key gives.
    using RecentEntry = std::pair<std::wstring, int32_t>;
    static std::vector<RecentEntry> RecentEntriesOf(std::wstring_view key);

    Files::iterator Find(std::wstring_view model, std::wstring_view version);
    Files::const_iterator Find(std::wstring_view model, std::wstring_view version) const;

    ReaderFactory factory_;
    Files files_;
    // The recent-version entries of every registered key, ordered by beginning, then minor; kept
    // with the files, so that a search only reads.
    std::vector<RecentEntry> recentIndex_;
};

// The reader a path calls for: JSON when the path holds ".json" anywhere, directories included
// and case-sensitive; legacy otherwise.
ReaderKind ReaderKindOfPath(const std::wstring& path);

// The readers of the two formats, as the registry makes them by default.
std::unique_ptr<CDataFileBase> MakeReader(ReaderKind kind, const std::wstring& path);

}  // namespace vqdf
