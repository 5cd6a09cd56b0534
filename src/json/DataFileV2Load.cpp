// Loading a JSON data file: the two documents, the text tables, the sections in dependency order
// and the trace line that times every load.
#include <rapidjson/error/en.h>
#include <rapidjson/filereadstream.h>

#include <array>
#include <charconv>

#include "json/DataFileV2.h"
#include "json/JsonFormat.h"
#include "json/JsonValue.h"
#include "platform/FileSystem.h"
#include "platform/Trace.h"

namespace vqdf {

namespace key = json::key;
namespace {

using json::Member;

// Times a scope and writes "<label>: Duration = <seconds>" when it ends. The counter and its
// frequency are taken to their low 32 bits, as the trace line has always been computed.
class LoadTimer {
public:
    explicit LoadTimer(std::wstring label)
        : label_(std::move(label)),
          start_(static_cast<uint32_t>(platform::ReadPerformanceCounter())),
          frequency_(static_cast<uint32_t>(platform::PerformanceFrequency())) {}
    ~LoadTimer() {
        const uint32_t end = static_cast<uint32_t>(platform::ReadPerformanceCounter());
        const double seconds = static_cast<double>(end - start_) / static_cast<double>(frequency_);
        std::array<char, 64> text{};
        const auto written = std::to_chars(text.data(), text.data() + text.size(), seconds,
                                           std::chars_format::fixed, 6);
        platform::WriteTrace(label_ + L": Duration = " + std::wstring(text.data(), written.ptr) +
                             L"\n");
    }
    LoadTimer(const LoadTimer&) = delete;
    LoadTimer& operator=(const LoadTimer&) = delete;

private:
    std::wstring label_;
    uint32_t start_;
    uint32_t frequency_;
};

// Strict JSON: no comments, no trailing commas, no byte-order mark, one root value. The
// iterative parser keeps deep nesting off the call stack. A file that cannot be opened parses
// as empty input.
bool ParseFile(const std::wstring& path, rapidjson::Document& document) {
    const platform::FileHandle file = platform::OpenForReading(path);
    if (!file) {
        document.Parse("");
        return false;
    }
    std::array<char, 65536> buffer;
    rapidjson::FileReadStream stream(file.get(), buffer.data(), buffer.size());
    document.ParseStream<rapidjson::kParseIterativeFlag>(stream);
    return !document.HasParseError();
}

// The 1-based line and byte column of an offset into a file, counted only to report a parse
// error.
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

std::string Utf8(const std::wstring& text) {
    return platform::WideToMultiByte(platform::CodePage::Utf8, text);
}

}  // namespace

uint32_t CDataFileV2::Load(const std::wstring& path) {
    LoadTimer timer(L"");
    if (path.empty() || !platform::FileExists(path)) {
        ReportFile(FindingKind::MissingDocument, path, "the data file does not exist");
        return 0;
    }
    rapidjson::Document data;
    if (!ParseDocument(path, data) || !LoadTitleDocument(path) || !ReadSections(data)) {
        return 0;
    }
    SetFilePath(path);
    return 1;
}

void CDataFileV2::ReportFile(FindingKind kind, const std::wstring& path,
                             std::string message) const {
    if (observer_ != nullptr) {
        observer_->OnFinding({kind, nullptr, Utf8(path), std::move(message)});
    }
}

bool CDataFileV2::ParseDocument(const std::wstring& path, rapidjson::Document& document) const {
    if (ParseFile(path, document)) {
        if (Observed()) {
            observer_->OnDocument(path, &document);
        }
        return true;
    }
    if (Observed()) {
        const auto [line, column] = LineAndColumn(path, document.GetErrorOffset());
        observer_->OnFinding(
            {FindingKind::ParseError, nullptr,
             Utf8(path) + ":" + std::to_string(line) + ":" + std::to_string(column),
             rapidjson::GetParseError_En(document.GetParseError())});
    }
    return false;
}

bool CDataFileV2::LoadTitleDocument(const std::wstring& path) {
    const std::optional<std::wstring> titlePath = platform::SiblingPath(
        path, std::wstring(json::kTitlesSuffix.begin(), json::kTitlesSuffix.end()));
    if (!titlePath || !platform::FileExists(*titlePath)) {
        ReportFile(FindingKind::MissingDocument, titlePath.value_or(path),
                   titlePath ? "the titles document does not exist"
                             : "the data file's name gives no titles document");
        return false;
    }
    rapidjson::Document titles;
    if (!ParseDocument(*titlePath, titles)) {
        return false;
    }
    return RequireSection(titles, key::kTitles,
                          ReadTextTable(Member(titles, key::kTitles), "title", titles_));
}

// "id" and "Text"; the text is read as at most 29 bytes of UTF-8 and trimmed. A later id
// replaces an earlier one.
bool CDataFileV2::ReadTextTable(const Value& value, const char* what, TextTable& table) const {
    if (!value.IsArray()) {
        return false;
    }
    for (const Value& element : value.GetArray()) {
        const auto id = ReadNumber(element, key::kId);
        const Value& text = Member(element, key::kText);
        if (!id || !text.IsString()) {
            continue;
        }
        const auto key = static_cast<uint32_t>(*id);
        if (Observed()) {
            if (table.count(key) != 0) {
                Report(FindingKind::DuplicateId, element, key::kId,
                       std::string(what) + " " + std::to_string(*id) + " is given again");
            }
            CheckFit(json::StringBytes(text).size() <= json::kTextBufferBytes, element, key::kText,
                     json::kTextBufferBytes);
        }
        table[key] = json::ToWideText(json::StringBytes(text));
    }
    return true;
}

// A required member that is absent or of the wrong kind ends the load.
bool CDataFileV2::RequireSection(const Value& parent, std::string_view key, bool read) const {
    if (!read && Observed()) {
        const Value& value = Member(parent, key);
        Report(FindingKind::MissingSection, parent, key,
               value.IsNull() ? "the required section is missing"
                              : "the required section has the wrong kind");
    }
    return read;
}

// The order is a dependency order: titles and units first, messages before every section that
// names one, parameters before every section that computes an address.
bool CDataFileV2::ReadSections(const Value& root) {
    if (!RequireSection(root, key::kUnits,
                        ReadTextTable(Member(root, key::kUnits), "unit", units_)) ||
        !RequireSection(root, key::kMessages, ReadMessages(Member(root, key::kMessages)))) {
        return false;
    }
    ReadDevice(Member(root, key::kDevice));
    const Value& io = Member(root, key::kIO);
    if (!RequireSection(root, key::kIO, io.IsObject())) {
        return false;
    }
    ReadTerminalHalf(Member(io, key::kInput), io_.InputCount, io_.InputBasicCount,
                     io_.InputStatusCommAddr, io_.InputTerminals, io_.InputFuncTitleCount,
                     io_.InputFuncTitles);
    ReadTerminalHalf(Member(io, key::kOutput), io_.OutputCount, io_.OutputBasicCount,
                     io_.OutputStatusCommAddr, io_.OutputTerminals, io_.OutputFuncTitleCount,
                     io_.OutputFuncTitles);
    if (!RequireSection(root, key::kParameterGroups,
                        ReadParameterGroups(Member(root, key::kParameterGroups))) ||
        !RequireSection(root, key::kCommonParameters,
                        ReadCommonParameters(Member(root, key::kCommonParameters)))) {
        return false;
    }
    const Value& trips = Member(root, key::kTrips);
    if (!RequireSection(root, key::kTrips, trips.IsObject())) {
        return false;
    }
    ReadStatusInfo(Member(trips, key::kStatusInfo));
    ReadTripHalf(Member(trips, key::kCurrentTrip), key::kFirstTripAddr, key::kTripAddr,
                 trip_.FirstTripAddr, trip_.TripAddrCount, trip_.TripAddr,
                 trip_.TripStatusInfoCount, trip_.TripStatusInfoData, trip_.TripCount,
                 trip_.TripNames);
    ReadTripHalf(Member(trips, key::kCurrentWarning), key::kFirstWarnAddr, key::kWarnAddr,
                 trip_.FirstWarnAddr, trip_.WarnAddrCount, trip_.WarnAddr,
                 trip_.WarnStatusInfoCount, trip_.WarnStatusInfoData, trip_.WarnCount,
                 trip_.WarnNames);
    if (!RequireSection(root, key::kInitOrder, ReadInitOrder(Member(root, key::kInitOrder))) ||
        !RequireSection(root, key::kAdvUserSeq, ReadAdvUserSeq(Member(root, key::kAdvUserSeq)))) {
        return false;
    }
    ReadSimpleScope(Member(root, key::kSimpleScope));
    return true;
}

}  // namespace vqdf
