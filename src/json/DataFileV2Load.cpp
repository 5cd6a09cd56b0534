// Loading a JSON data file: the two documents, the text tables, the sections in dependency order
// and the trace line that times every load.
#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <memory>

#include "json/DataFileV2.h"
#include "json/JsonFormat.h"
#include "model/TableMemory.h"
#include "platform/FileSystem.h"
#include "platform/Trace.h"

namespace vqdf {

namespace key = json::key;

namespace {

using json::Members;

// Times a scope and writes "<label>: Duration = <seconds>" when it ends, to the receiver given or
// else to the debugger channel. The counter and its frequency are taken to their low 32 bits, as
// the trace line has always been computed.
class LoadTimer {
public:
    LoadTimer(std::wstring label, const CDataFileBase::TraceReceiver& receiver)
        : label_(std::move(label)),
          receiver_(receiver),
          start_(static_cast<uint32_t>(platform::ReadPerformanceCounter())),
          frequency_(static_cast<uint32_t>(platform::PerformanceFrequency())) {}
    ~LoadTimer() {
        const uint32_t end = static_cast<uint32_t>(platform::ReadPerformanceCounter());
        const double seconds = static_cast<double>(end - start_) / static_cast<double>(frequency_);
        std::array<char, 64> text{};
        const auto written = std::to_chars(text.data(), text.data() + text.size(), seconds,
                                           std::chars_format::fixed, 6);
        try {
            const std::wstring line =
                label_ + L": Duration = " + std::wstring(text.data(), written.ptr) + L"\n";
            if (receiver_) {
                receiver_(line);
            } else {
                platform::WriteDebuggerOutput(line);
            }
        } catch (...) {
            // Out of memory for the line, or a receiver that throws: the load's own result stands.
        }
    }
    LoadTimer(const LoadTimer&) = delete;
    LoadTimer& operator=(const LoadTimer&) = delete;

private:
    std::wstring label_;
    const CDataFileBase::TraceReceiver& receiver_;
    uint32_t start_;
    uint32_t frequency_;
};

// A file's bytes, read in one go into memory of the readers' own, with a zero byte after them.
class FileBytes {
public:
    explicit FileBytes(const std::wstring& path) : path_(path), read_(ReadAll()) {}
    // Whether the file could be opened and read whole.
    bool Read() const { return read_; }
    // Reads the file again into the same place; false when it is no longer what it was.
    bool Reread() { return ReadAll(); }
    char* Data() { return bytes_.get(); }
    std::size_t Size() const { return size_; }

private:
    bool ReadAll() {
        const platform::FileHandle file = platform::OpenForReading(path_);
        if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) {
            return false;
        }
        const long size = std::ftell(file.get());
        if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0 ||
            (bytes_ && static_cast<std::size_t>(size) != size_)) {
            return false;
        }
        if (!bytes_) {
            bytes_.reset(static_cast<char*>(AllocateBytes(static_cast<std::size_t>(size) + 1)));
            if (!bytes_) {
                throw std::bad_alloc();
            }
        }
        size_ = std::fread(bytes_.get(), 1, static_cast<std::size_t>(size), file.get());
        bytes_.get()[size_] = '\0';
        return size_ == static_cast<std::size_t>(size);
    }

    struct Free {
        void operator()(char* bytes) const { FreeBytes(bytes); }
    };
    std::wstring path_;
    std::unique_ptr<char, Free> bytes_;
    std::size_t size_ = 0;
    bool read_;
};

// The parser's pool grows by chunks about the size of the text, so that a load needs few.
std::size_t PoolChunkBytes(const FileBytes& text) {
    return std::max<std::size_t>(64 * 1024, text.Size());
}

// Nesting deeper than this is parsed without recursion: data files nest a few levels, and a
// recursive parse of a hostile file nested a hundred thousand deep would exhaust the stack.
constexpr int kMaxRecursiveDepth = 256;

// The document's own handler, refusing to go deeper than the recursive parse may.
class DepthLimit {
public:
    explicit DepthLimit(json::Document& document) : document_(document) {}
    bool Null() { return document_.Null(); }
    bool Bool(bool b) { return document_.Bool(b); }
    bool Int(int i) { return document_.Int(i); }
    bool Uint(unsigned u) { return document_.Uint(u); }
    bool Int64(int64_t i) { return document_.Int64(i); }
    bool Uint64(uint64_t u) { return document_.Uint64(u); }
    bool Double(double d) { return document_.Double(d); }
    bool RawNumber(const char* text, rapidjson::SizeType length, bool copy) {
        return document_.RawNumber(text, length, copy);
    }
    bool String(const char* text, rapidjson::SizeType length, bool copy) {
        return document_.String(text, length, copy);
    }
    bool StartObject() { return Enter() && document_.StartObject(); }
    bool Key(const char* text, rapidjson::SizeType length, bool copy) {
        return document_.Key(text, length, copy);
    }
    bool EndObject(rapidjson::SizeType members) {
        --depth_;
        return document_.EndObject(members);
    }
    bool StartArray() { return Enter() && document_.StartArray(); }
    bool EndArray(rapidjson::SizeType elements) {
        --depth_;
        return document_.EndArray(elements);
    }
    bool TooDeep() const { return tooDeep_; }

private:
    bool Enter() {
        tooDeep_ = ++depth_ > kMaxRecursiveDepth;
        return !tooDeep_;
    }

    json::Document& document_;
    int depth_ = 0;
    bool tooDeep_ = false;
};

// Strict JSON: no comments, no trailing commas, no byte-order mark, one root value. A zero byte
// ends the text, as the end of the file does. The parse works in place, in the file's own bytes:
// the document's strings point into them, so the bytes must outlive the document.
rapidjson::ParseResult Parse(FileBytes& text, json::Document& document) {
    using Reader =
        rapidjson::GenericReader<rapidjson::UTF8<>, rapidjson::UTF8<>, json::ParserAllocator>;
    rapidjson::ParseResult result;
    bool tooDeep = false;
    const auto recursive = [&](json::Document& handler) {
        Reader reader;
        rapidjson::InsituStringStream stream(text.Data());
        DepthLimit limited(handler);
        result = reader.Parse<rapidjson::kParseInsituFlag>(stream, limited);
        tooDeep = limited.TooDeep();
        return !result.IsError();
    };
    document.Populate(recursive);
    if (!tooDeep || !text.Reread()) {
        return result;
    }
    // The first parse changed the bytes it went through: the file is read again for the second.
    const auto iterative = [&](json::Document& handler) {
        Reader reader;
        rapidjson::InsituStringStream stream(text.Data());
        result = reader.Parse<rapidjson::kParseInsituFlag | rapidjson::kParseIterativeFlag>(
            stream, handler);
        return !result.IsError();
    };
    document.SetNull();
    document.Populate(iterative);
    return result;
}

// The 1-based line and byte column of an offset into a file, counted only to report a parse
// error. The file is read again: the parse has changed the bytes it went through.
std::pair<std::size_t, std::size_t> LineAndColumn(const std::wstring& path, std::size_t offset) {
    const platform::FileHandle file = platform::OpenForReading(path);
    std::size_t line = 1;
    std::size_t column = 1;
    for (std::size_t at = 0; file && at < offset; ++at) {
        const int c = std::fgetc(file.get());
        if (c == EOF) {
            break;
        }
        column = c == '\n' ? 1 : column + 1;
        line += c == '\n' ? 1 : 0;
    }
    return {line, column};
}

// What is wrong with a text that does not parse, in plain words.
const char* ParseErrorWords(rapidjson::ParseErrorCode code, bool atEnd, bool byteOrderMark) {
    switch (code) {
        case rapidjson::kParseErrorDocumentEmpty:
            return "the file holds no JSON text";
        case rapidjson::kParseErrorDocumentRootNotSingular:
            return "more text after the end of the document";
        case rapidjson::kParseErrorStringInvalidEncoding:
            return "a string holds bytes that are not UTF-8";
        case rapidjson::kParseErrorNumberTooBig:
            return "a number too large for any JSON reader";
        default:
            break;
    }
    // Whatever else the parser was looking for, a text that ends first is cut short.
    if (atEnd) {
        return "unexpected end of file";
    }
    switch (code) {
        case rapidjson::kParseErrorObjectMissName:
            return "a member name in double quotes was expected";
        case rapidjson::kParseErrorObjectMissColon:
            return "a colon was expected after the member name";
        case rapidjson::kParseErrorObjectMissCommaOrCurlyBracket:
            return "a comma or } was expected";
        case rapidjson::kParseErrorArrayMissCommaOrSquareBracket:
            return "a comma or ] was expected";
        case rapidjson::kParseErrorStringMissQuotationMark:
            return "a string is not closed on its line";
        default:
            return byteOrderMark ? "the file begins with a byte-order mark, not with its JSON text"
                                 : "this is no JSON value";
    }
}

// The plain words, then RapidJSON's own.
std::string ParseErrorText(const rapidjson::ParseResult& result, FileBytes& text) {
    const bool atEnd = result.Offset() >= text.Size();
    const bool byteOrderMark = result.Offset() == 0 && text.Size() >= 3 &&
                               std::string_view(text.Data(), 3) == "\xEF\xBB\xBF";
    return std::string(ParseErrorWords(result.Code(), atEnd, byteOrderMark)) +
           " (RapidJSON: " + rapidjson::GetParseError_En(result.Code()) + ")";
}

// Parses a document read whole; a parse error is told with its line and column.
bool ParseDocument(const json::JsonFindings& findings, const std::wstring& path, FileBytes& text,
                   json::Document& document) {
    if (!text.Read()) {
        findings.ReportFile(FindingKind::MissingDocument, path, "", "the file cannot be read");
        return false;
    }
    const rapidjson::ParseResult result = Parse(text, document);
    if (!result.IsError()) {
        if (findings.Observed()) {
            findings.Observer()->OnDocument(path, &document);
        }
        return true;
    }
    if (findings.Observed()) {
        const auto [line, column] = LineAndColumn(path, result.Offset());
        findings.ReportFile(FindingKind::ParseError, path,
                            std::to_string(line) + ":" + std::to_string(column),
                            ParseErrorText(result, text));
    }
    return false;
}

// The sections of the data file, in the order they are read.
enum Section {
    kUnits,
    kMessages,
    kDevice,
    kIO,
    kParameterGroups,
    kCommonParameters,
    kTrips,
    kInitOrder,
    kAdvUserSeq,
    kSimpleScope,
    kSectionCount
};
constexpr std::array<std::string_view, kSectionCount> kSectionKeys = {
    key::kUnits,           key::kMessages,         key::kDevice, key::kIO,
    key::kParameterGroups, key::kCommonParameters, key::kTrips,  key::kInitOrder,
    key::kAdvUserSeq,      key::kSimpleScope};

enum IOHalf { kInput, kOutput, kHalfCount };
constexpr std::array<std::string_view, kHalfCount> kIOKeys = {key::kInput, key::kOutput};

enum TripPart { kStatusInfo, kCurrentTrip, kCurrentWarning, kTripHistory, kTripPartCount };
constexpr std::array<std::string_view, kTripPartCount> kTripKeys = {
    key::kStatusInfo, key::kCurrentTrip, key::kCurrentWarning, key::kTripHistory};

}  // namespace

uint32_t CDataFileV2::Load(const std::wstring& path) {
    LoadTimer timer(L"", traceReceiver_);
    findings_.SetObserver(observer_);
    if (path.empty() || !platform::FileExists(path)) {
        findings_.ReportFile(FindingKind::MissingDocument, path, "",
                             "the data file does not exist");
        return 0;
    }
    FileBytes text(path);
    json::Allocator pool(PoolChunkBytes(text));
    json::Document data(&pool);
    if (!ParseDocument(findings_, path, text, data) || !LoadTitleDocument(path) ||
        !ReadSections(data)) {
        return 0;
    }
    SetFilePath(path);
    return 1;
}

bool CDataFileV2::LoadTitleDocument(const std::wstring& path) {
    const std::optional<std::wstring> titlePath = platform::SiblingPath(
        path, std::wstring(json::kTitlesSuffix.begin(), json::kTitlesSuffix.end()));
    if (!titlePath || !platform::FileExists(*titlePath)) {
        findings_.ReportFile(FindingKind::MissingDocument, titlePath.value_or(path), "",
                             titlePath ? "the titles document does not exist"
                                       : "the data file's name gives no titles document");
        return false;
    }
    FileBytes text(*titlePath);
    json::Allocator pool(PoolChunkBytes(text));
    json::Document titles(&pool);
    if (!ParseDocument(findings_, *titlePath, text, titles)) {
        return false;
    }
    // The watcher hears when the titles document goes, however its table reading ends.
    struct Ending {
        const json::JsonFindings& findings;
        const json::Document& document;
        ~Ending() {
            if (findings.Observed()) {
                findings.Observer()->OnDocumentEnd(&document);
            }
        }
    } ending{findings_, titles};
    static constexpr std::array<std::string_view, 1> kKeys = {key::kTitles};
    const Members<1> root(titles, kKeys);
    return findings_.RequireSection(root.At(0), ReadTextTable(root[0], "title", titles_));
}

// "id" and "Text"; the text is read as at most 29 bytes of UTF-8 and trimmed. A later id
// replaces an earlier one.
bool CDataFileV2::ReadTextTable(const Value& value, const char* what,
                                json::TextTable& table) const {
    if (value.IsArray()) {
        table.Reserve(value.Size(), value.Size() * 16);
    }
    return findings_.ReadIdTextTable(
        value, key::kText, what, [&](uint32_t id) { return table.Contains(id); },
        [&](uint32_t id, const Value& text, const Value& element) {
            const std::string_view bytes = json::StringBytes(text);
            findings_.CheckFit(bytes.size() <= json::kTextBufferBytes, element, key::kText,
                               json::kTextBufferBytes);
            table.Set(id, json::TableText(bytes));
        });
}

// The order is a dependency order: titles and units first, messages before every section that
// names one, parameters before every section that computes an address.
bool CDataFileV2::ReadSections(const Value& root) {
    const Members<kSectionCount> sections(root, kSectionKeys);
    if (!findings_.RequireSection(sections.At(kUnits),
                                  ReadTextTable(sections[kUnits], "unit", units_)) ||
        !findings_.RequireSection(sections.At(kMessages), ReadMessages(sections[kMessages]))) {
        return false;
    }
    ReadDevice(sections[kDevice]);
    if (!findings_.RequireSection(sections.At(kIO), sections[kIO].IsObject())) {
        return false;
    }
    const Members<kHalfCount> io(sections[kIO], kIOKeys);
    ReadTerminalHalf(io[kInput], io_.InputCount, io_.InputBasicCount, io_.InputStatusCommAddr,
                     io_.InputTerminals, io_.InputFuncTitleCount, io_.InputFuncTitles);
    ReadTerminalHalf(io[kOutput], io_.OutputCount, io_.OutputBasicCount, io_.OutputStatusCommAddr,
                     io_.OutputTerminals, io_.OutputFuncTitleCount, io_.OutputFuncTitles);
    if (!findings_.RequireSection(sections.At(kParameterGroups),
                                  ReadParameterGroups(sections[kParameterGroups])) ||
        !findings_.RequireSection(sections.At(kCommonParameters),
                                  ReadCommonParameters(sections[kCommonParameters]))) {
        return false;
    }
    if (!findings_.RequireSection(sections.At(kTrips), sections[kTrips].IsObject())) {
        return false;
    }
    const Members<kTripPartCount> trips(sections[kTrips], kTripKeys);
    ReadStatusInfo(trips[kStatusInfo]);
    ReadTripHalf(trips[kCurrentTrip], key::kFirstTripAddr, key::kTripAddr, trip_.FirstTripAddr,
                 trip_.TripAddrCount, trip_.TripAddr, trip_.TripStatusInfoCount,
                 trip_.TripStatusInfoData, trip_.TripCount, trip_.TripNames);
    ReadTripHalf(trips[kCurrentWarning], key::kFirstWarnAddr, key::kWarnAddr, trip_.FirstWarnAddr,
                 trip_.WarnAddrCount, trip_.WarnAddr, trip_.WarnStatusInfoCount,
                 trip_.WarnStatusInfoData, trip_.WarnCount, trip_.WarnNames);
    tripHistory_ = json::ValueText(trips[kTripHistory]);
    if (!findings_.RequireSection(sections.At(kInitOrder), ReadInitOrder(sections[kInitOrder])) ||
        !findings_.RequireSection(sections.At(kAdvUserSeq),
                                  ReadAdvUserSeq(sections[kAdvUserSeq]))) {
        return false;
    }
    ReadSimpleScope(sections[kSimpleScope]);
    return true;
}

}  // namespace vqdf
