// Loading a JSON data file: the two documents, the text tables, the sections in dependency order
// and the trace line that times every load.
#include <rapidjson/error/en.h>
#include <rapidjson/filereadstream.h>

#include <array>
#include <charconv>

#include "json/DataFileV2.h"
#include "json/JsonValue.h"
#include "platform/FileSystem.h"
#include "platform/Trace.h"

namespace vqdf {
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

}  // namespace

uint32_t CDataFileV2::Load(const std::wstring& path) {
    LoadTimer timer(L"");
    if (path.empty() || !platform::FileExists(path)) {
        return 0;
    }
    rapidjson::Document data;
    if (!ParseFile(path, data) || !LoadTitleDocument(path) || !ReadSections(data)) {
        return 0;
    }
    SetFilePath(path);
    return 1;
}

bool CDataFileV2::LoadTitleDocument(const std::wstring& path) {
    const std::optional<std::wstring> titlePath = platform::SiblingPath(path, L"_Title.json");
    if (!titlePath || !platform::FileExists(*titlePath)) {
        return false;
    }
    rapidjson::Document titles;
    if (!ParseFile(*titlePath, titles)) {
        return false;
    }
    return ReadTextTable(Member(titles, "Titles"), titles_);
}

// "id" and "Text"; the text is read as at most 29 bytes of UTF-8 and trimmed.
bool CDataFileV2::ReadTextTable(const Value& value, TextTable& table) {
    if (!value.IsArray()) {
        return false;
    }
    for (const Value& element : value.GetArray()) {
        const auto id = json::ReadInt(element, "id");
        const Value& text = Member(element, "Text");
        if (!id || !text.IsString()) {
            continue;
        }
        table[static_cast<uint32_t>(*id)] = json::ToWideText(json::StringBytes(text));
    }
    return true;
}

// The order is a dependency order: titles and units first, messages before every section that
// names one, parameters before every section that computes an address.
bool CDataFileV2::ReadSections(const Value& root) {
    if (!ReadTextTable(Member(root, "Units"), units_) || !ReadMessages(Member(root, "Messages"))) {
        return false;
    }
    ReadDevice(Member(root, "Device"));
    const Value& io = Member(root, "IO");
    if (!io.IsObject()) {
        return false;
    }
    ReadTerminalHalf(Member(io, "Input"), io_.InputCount, io_.InputBasicCount,
                     io_.InputStatusCommAddr, io_.InputTerminals, io_.InputFuncTitleCount,
                     io_.InputFuncTitles);
    ReadTerminalHalf(Member(io, "Output"), io_.OutputCount, io_.OutputBasicCount,
                     io_.OutputStatusCommAddr, io_.OutputTerminals, io_.OutputFuncTitleCount,
                     io_.OutputFuncTitles);
    if (!ReadParameterGroups(Member(root, "ParameterGroups")) ||
        !ReadCommonParameters(Member(root, "CommonParameters"))) {
        return false;
    }
    const Value& trips = Member(root, "Trips");
    if (!trips.IsObject()) {
        return false;
    }
    ReadStatusInfo(Member(trips, "StatusInfo"));
    ReadTripHalf(Member(trips, "CurrentTrip"), "FirstTripAddr", "TripAddr", trip_.FirstTripAddr,
                 trip_.TripAddrCount, trip_.TripAddr, trip_.TripStatusInfoCount,
                 trip_.TripStatusInfoData, trip_.TripCount, trip_.TripNames);
    ReadTripHalf(Member(trips, "CurrentWarning"), "FirstWarnAddr", "WarnAddr", trip_.FirstWarnAddr,
                 trip_.WarnAddrCount, trip_.WarnAddr, trip_.WarnStatusInfoCount,
                 trip_.WarnStatusInfoData, trip_.WarnCount, trip_.WarnNames);
    if (!ReadInitOrder(Member(root, "InitOrder")) || !ReadAdvUserSeq(Member(root, "AdvUserSeq"))) {
        return false;
    }
    ReadSimpleScope(Member(root, "SimpleScope"));
    return true;
}

}  // namespace vqdf
