// The library for the programs around it: open a data file of either format through the
// library's own readers, read every record as a host reads it, walk the records as one document,
// and write them in either format. Hosts use include/vqDataFileReader.h instead; the tools, the
// benchmark and the Python module see this header and that one, nothing else.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vqDataFileReader.h"

namespace vqdf::api {

enum class Format { Json, Legacy };

// "json" or "legacy".
const char* FormatName(Format format);

// An error: a host will misbehave on the file; a warning: something looks wrong.
enum class Severity { Error, Warning };

// "error" or "warning".
const char* SeverityName(Severity severity);

// What a load skipped, cut or failed on, or what a rule found wrong in the loaded file: its kind
// ("unknown-id", or the rule's name), the file it is in (the data file, or the titles document
// beside it), the place in that file (a JSON Pointer, a line and column, a legacy storage path,
// or nothing for the file as a whole), and what. What a load finds is an error.
struct Finding {
    std::string kind;
    std::string file;
    std::string place;
    std::string message;
    // For a file the system cannot give ("unreadable"): the system's error number, or 0.
    int errorNumber = 0;
    Severity severity = Severity::Error;
};

// A finding as one line: "FILE:PLACE: MESSAGE [KIND]", "FILE:PLACE: warning: MESSAGE [KIND]".
std::string FindingLine(const Finding& finding);

struct OpenOptions {
    // Collect what the load finds: the findings, and the reason a failed load gives. Without,
    // the readers build no reports and a failure says only that the file cannot be read.
    bool findings = true;
    // Receives the trace line of the load when set.
    std::function<void(const std::string& line)> trace;
    // For a data file read from a stream (standard input as "-", a pipe, /dev/stdin), which has
    // nothing beside it: its titles document, if it is a JSON one.
    std::string titles;
};

class DataFile;

// The file, or the reason it could not be loaded; the findings either way when asked for.
struct OpenResult {
    std::unique_ptr<DataFile> file;
    std::string error;  // FindingLine-like: "FILE:PLACE: MESSAGE"
    // Why the load failed: the finding that stopped it, or kind "unreadable" with the system's
    // reason for a file the system cannot give.
    Finding failure;
    std::vector<Finding> findings;
};

// Loads the data file at path (a file name as the system gives it, or "-" for standard input).
// Its format is told by its content: the compound-file signature, or JSON text; the name's
// extension only where the content tells neither, as in an empty file. A file the system cannot
// give gets the system's reason, and a legacy file that cannot be opened says whether it is no
// compound file, is held by another program, or is damaged.
OpenResult Open(const std::string& path, const OpenOptions& options = {});

// The format an output's name asks for: ".json" or ".inv", in any letter case; none for another.
std::optional<Format> FormatOfName(const std::string& path);

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

struct WriteOptions {
    // Refuse to write anything when the output would not give back every record.
    bool strict = false;
};

// What a conversion gives up: a kind of record the target format cannot hold, and how many.
struct Loss {
    enum class How { Dropped, Changed, Added };
    std::string what;  // "function blocks", "device KeypadCommOffset32", ...
    std::size_t count = 0;
    How how = How::Dropped;  // gone, kept with another value, or there only in the output
    std::string example;     // the first of them, as a line of diff
};

struct WriteResult {
    bool written = false;
    std::string error;         // why nothing was written
    std::vector<Loss> losses;  // where the written file differs from the records
};

// One loaded data file; its records stay valid as long as the object lives. Reading it never
// changes it, so several threads may read one DataFile at once; ShowDegreeSigns writes.
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

    // How many entries of a table its file holds: all of count, or, where a damaged file
    // supplies the table only in part, those it supplies (the rest of the table is zero). For
    // a report that must stay proportional to the file, not to what its counts claim.
    template <typename T>
    int64_t EntriesHeld(const T* table, int64_t count) const {
        return EntriesHeld(static_cast<const void*>(table), count, sizeof(T));
    }
    int64_t EntriesHeld(const void* table, int64_t count, std::size_t entrySize) const;

    // Rewrites the temperature placeholders of the message titles to degree signs, as the
    // library does before it hands the message table to a host.
    void ShowDegreeSigns();

    // The communication addresses of a parameter of this drive; the 32-bit one only where the
    // file gives the 32-bit base.
    uint32_t ParamAddress16(int32_t groupNum, int32_t codeNum) const;
    std::optional<uint32_t> ParamAddress32(int32_t groupNum, int32_t codeNum) const;

    struct Impl;
    explicit DataFile(std::unique_ptr<Impl> impl);

private:
    friend WriteResult Write(const DataFile& file, const std::string& path, Format format,
                             const WriteOptions& options);

    std::unique_ptr<Impl> impl_;
};

// Writes the records in the format given: a JSON data file with its titles document beside it,
// or a legacy file ("-" for a legacy file on standard output). The output is written beside the
// target under a temporary name, read back through the library's own reader and compared with
// the records, and only then renamed into place; a data file and its titles document appear
// together. Where the read-back file differs is listed in losses; with strict set, anything
// dropped or changed leaves nothing written (what is only added does not count).
WriteResult Write(const DataFile& file, const std::string& path, Format format,
                  const WriteOptions& options = {});

// Writes text as the file at path, under a temporary name beside it and renamed into place
// (through a symbolic link, keeping the mode of the file it replaces); "-" is standard output.
bool WriteTextFileAtomically(const std::string& path, const std::string& text, std::string& error);

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
// an address: DIR/STEM.json and its titles document. Returns the data file's path. A drive of at
// most 240 groups of 256 parameters passes every rule (SyntheticSizeIsClean); in a larger one,
// parameters share registers or have codes beyond their group.
std::string WriteSyntheticDataFile(const std::string& dir, const std::string& stem, int groups,
                                   int parametersPerGroup, int messages, int titlesPerMessage);
bool SyntheticSizeIsClean(int groups, int parametersPerGroup);

// One difference between two data files, keyed as people name things: a parameter by group and
// code number, a group by number, a common parameter by address, a function block by id, a
// message, terminal, trip or list entry by its number. Values are shown as text: numbers in
// decimal, addresses and attributes in hexadecimal, texts in quotation marks.
struct Change {
    std::string change;  // "added", "removed" or "changed"
    std::string what;    // "parameter", "group", "device", ...
    std::string key;     // "3/12", "5", ... or empty for a record without one
    std::string field;   // what changed inside it; empty when it was added or removed
    std::string before;
    std::string after;
    // The same values as data, compact JSON text: numbers as numbers, texts as strings, an
    // entry as its object, and null for one that is absent.
    std::string beforeJson = "null";
    std::string afterJson = "null";
};

// Everything that differs between two files, from the same walk of the records that the dump
// writes, so that no record the dump shows can be left out. The format itself is not compared.
std::vector<Change> Diff(const DataFile& before, const DataFile& after);

// A change as one line: "~ parameter 1/0 Def: 20 -> 25", "+ group 9 \"Extra\"", "- ...".
std::string ChangeLine(const Change& change);

// JSON Schemas (draft 2020-12) of the data file and of the titles document, for editors.
std::string DataFileSchema();
std::string TitlesSchema();

// An address or attribute as the format writes it: "0x" and at least four upper-case digits.
std::string HexText(uint32_t value);

// The JSON member that names a parameter role: "SimpleScope/Enable", "AdvUserSeq/StatusParameter";
// empty for a role the format does not define.
std::string RoleName(uint32_t role);

// An enumerated parameter names the message that lists its values in its decimal point.
bool IsEnumerated(const ParamInfo& param);

// A check of what a loaded file means, beyond its form: its name (kebab-case, stable), its
// severity, and what it finds, in a sentence. The rules read the records alone, so both formats
// get the same checks.
struct Rule {
    std::string_view name;
    Severity severity;
    std::string_view sentence;
};

// The rules, in the order they run; and the kinds of finding a load itself reports, each an
// error, which can be ignored or looked up by name as the rules can.
const std::vector<Rule>& Rules();
const std::vector<Rule>& LoadFindingKinds();

// What the rules find in the file, rule by rule, each in file order.
std::vector<Finding> CheckRules(const DataFile& file);

// Findings as a user wants them: those of the kinds in ignore dropped, those of the kinds in
// error made errors. Every name must be a rule's or a load finding kind's; the first that is
// neither is returned, and nothing is changed.
struct RuleChoices {
    std::vector<std::string> ignore;
    std::vector<std::string> error;
};
std::optional<std::string> ApplyRuleChoices(std::vector<Finding>& findings,
                                            const RuleChoices& choices);

}  // namespace vqdf::api
