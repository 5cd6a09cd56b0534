// The library for the programs around it: open a data file of either format through the
// library's own readers, read every record as a host reads it, walk the records as one document,
// and write them in either format. Hosts use include/vqDataFileReader.h instead; the tools, the
// benchmark and the Python module see this header and that one, nothing else.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "vqDataFileReader.h"

namespace vqdf::api {

enum class Format { Json, Legacy };

// "json" or "legacy".
const char* FormatName(Format format);

// What a load skipped, cut or failed on: its kind ("unknown-id"), where (a JSON Pointer, a
// titles-document pointer "NAME_Title.json#/...", a legacy storage path, or a file name), and what.
struct Finding {
    std::string kind;
    std::string place;
    std::string message;
};

struct OpenOptions {
    // Collect what the load finds: the findings, and the reason a failed load gives. Without,
    // the readers build no reports and a failure says only that the file cannot be read.
    bool findings = true;
    // Receives the trace line of the load when set.
    std::function<void(const std::string& line)> trace;
};

class DataFile;

// The file, or the reason it could not be loaded; the findings either way when asked for.
struct OpenResult {
    std::unique_ptr<DataFile> file;
    std::string error;
    std::vector<Finding> findings;
};

// Loads the data file at path (a file name as the system gives it); the format is chosen as the
// library chooses it.
OpenResult Open(const std::string& path, const OpenOptions& options = {});

// The function blocks of a data file as a host receives them: copies, freed with the list.
class FunctionBlockList {
public:
    FunctionBlockList() = default;
    ~FunctionBlockList();
    FunctionBlockList(FunctionBlockList&& other) noexcept;
    FunctionBlockList& operator=(FunctionBlockList&&) = delete;
    FunctionBlockList(const FunctionBlockList&) = delete;
    FunctionBlockList& operator=(const FunctionBlockList&) = delete;

    const std::vector<FunctionBlock*>& Blocks() const { return blocks_; }
    std::vector<FunctionBlock*>& Blocks() { return blocks_; }

private:
    std::vector<FunctionBlock*> blocks_;
};

// One loaded data file; its records stay valid as long as the object lives.
class DataFile {
public:
    ~DataFile();
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;

    const std::string& Path() const;
    Format GetFormat() const;

    const DeviceInfo& Device() const;
    const IOSpec& IO() const;
    const TripSpec& Trips() const;
    const MessageSpec& Messages() const;
    const CommonSpec& Common() const;
    const ParaSpec& Parameters() const;
    const InitOrder& Init() const;
    // The tables only a JSON data file has: null, or empty, for a legacy file.
    const ExtendSpec* Extend() const;
    const SpecialParamMap* SpecialParameters() const;
    ParamIdMap ParamIds() const;
    FunctionBlockList FunctionBlocks() const;
    int32_t ParaStatusNum() const;
    int32_t ParaControlNum() const;
    int32_t ReservedCount() const;

    // Rewrites the temperature placeholders of the message titles to degree signs, as the
    // library does before it hands the message table to a host.
    void ShowDegreeSigns();

    // The 16-bit communication address of a parameter of this drive.
    uint32_t ParamAddress16(int32_t groupNum, int32_t codeNum) const;

    struct Impl;
    explicit DataFile(std::unique_ptr<Impl> impl);

private:
    friend bool Write(const DataFile& file, const std::string& path, Format format,
                      std::string& error);

    std::unique_ptr<Impl> impl_;
};

// Writes the records in the format given: a JSON data file with its titles document beside it,
// or a legacy file. False with the reason in error when it cannot.
bool Write(const DataFile& file, const std::string& path, Format format, std::string& error);

// The JSON data file's titles document for a data file's path.
std::string TitlesPathOf(const std::string& path);

// The path of a model and version in a DataFile directory: DIR/MODEL/KEY.inv.
std::string DataFilePath(const std::string& dir, const std::string& model,
                         const std::string& version);

// Every record and table of a file as one document, members in the order of the record fields:
// the events of a JSON writer. Texts are UTF-8, each field decoded in its own encoding.
class RecordSink {
public:
    virtual ~RecordSink() = default;
    virtual void StartObject() = 0;
    virtual void EndObject() = 0;
    virtual void StartArray() = 0;
    virtual void EndArray() = 0;
    virtual void Key(std::string_view key) = 0;
    virtual void Int(int64_t value) = 0;
    virtual void Text(std::string_view utf8) = 0;
    virtual void Null() = 0;
};
void WalkRecords(const DataFile& file, RecordSink& sink);

// The document of WalkRecords as indented JSON text, written as it goes; false when the output
// could not be written.
bool WriteDump(const DataFile& file, std::FILE* out);

// Texts of record fields as UTF-8. Titles of terminals, parameters, groups, common parameters and
// status values, and common-parameter units, are stored in the 8-bit code page; message titles,
// parameter and status units and the device texts in UTF-8; function-block texts in UTF-16.
// A field that fills its width without a terminator gives all its bytes.
std::string CodePageText(const char* field, std::size_t width);
std::string Utf8Text(const char* field, std::size_t width);
std::string Utf16Text(const char16_t* field, std::size_t width);
template <std::size_t N>
std::string CodePageText(const char (&field)[N]) {
    return CodePageText(field, N);
}
template <std::size_t N>
std::string Utf8Text(const char (&field)[N]) {
    return Utf8Text(field, N);
}
template <std::size_t N>
std::string Utf16Text(const char16_t (&field)[N]) {
    return Utf16Text(field, N);
}

// Writes a synthetic drive of the size given, every parameter with a title, a unit, a range and
// an address: DIR/STEM.json and its titles document. Returns the data file's path.
std::string WriteSyntheticDataFile(const std::string& dir, const std::string& stem, int groups,
                                   int parametersPerGroup, int messages, int titlesPerMessage);

// An enumerated parameter names the message that lists its values in its decimal point.
bool IsEnumerated(const ParamInfo& param);

}  // namespace vqdf::api
