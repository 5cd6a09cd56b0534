// Opening a data file for the tools through the library's own readers, with an observer that
// turns what the readers find into places a person can find; the records; writing either format.
#include "DataFileApi.h"

#include <rapidjson/document.h>

#include <filesystem>
#include <unordered_map>

#include "compound/LegacyFormat.h"
#include "compound/LegacyWriter.h"
#include "json/JsonWriter.h"
#include "json/SyntheticDataFile.h"
#include "model/DataFile.h"
#include "model/DegreeSign.h"
#include "model/FixedText.h"
#include "model/FunctionBlockCopies.h"
#include "model/ParameterAddress.h"
#include "model/ParameterTypes.h"
#include "platform/CodePage.h"
#include "platform/Trace.h"
#include "registry/DataFileRegistry.h"

namespace vqdf::api {
namespace {

std::string Utf8(const std::wstring& text) {
    return platform::WideToMultiByte(platform::CodePage::Utf8, text);
}

std::wstring Wide(const std::string& text) {
    return platform::MultiByteToWide(platform::CodePage::Utf8, text);
}

// A member name as one JSON Pointer token: "~" and "/" are escaped.
std::string PointerToken(std::string_view name) {
    std::string token;
    for (const char c : name) {
        token += c == '~' ? "~0" : c == '/' ? "~1" : std::string(1, c);
    }
    return token;
}

// Collects the findings of one load. Each parsed document is indexed when it arrives, while its
// values are in place: the elements of objects and arrays and the members that hold objects
// and arrays, by address, with their pointers.
class Collector : public ILoadObserver {
public:
    void OnDocument(const std::wstring& path, const void* root) override {
        Index& index = indexes_.emplace_back();
        const std::string name = std::filesystem::path(Utf8(path)).filename().string();
        index.prefix = indexes_.size() == 1 ? std::string() : name + "#";
        IndexDocument(*static_cast<const rapidjson::Value*>(root), index.pointers);
    }

    void OnFinding(LoadFinding finding) override {
        std::string place = finding.place;
        if (finding.element != nullptr) {
            place = PointerOf(finding.element) + (place.empty() ? "" : "/" + PointerToken(place));
        }
        findings.push_back(
            {FindingKindName(finding.kind), std::move(place), std::move(finding.message)});
        kinds.push_back(finding.kind);
    }

    std::vector<Finding> findings;
    std::vector<FindingKind> kinds;

private:
    struct Index {
        std::string prefix;
        std::unordered_map<const void*, std::string> pointers;
    };

    // Without recursion, so that deep nesting cannot exhaust the stack.
    static void IndexDocument(const rapidjson::Value& root,
                              std::unordered_map<const void*, std::string>& pointers) {
        std::vector<std::pair<const rapidjson::Value*, std::string>> pending{{&root, ""}};
        while (!pending.empty()) {
            auto [value, pointer] = std::move(pending.back());
            pending.pop_back();
            if (value->IsObject()) {
                for (const auto& member : value->GetObject()) {
                    if (member.value.IsObject() || member.value.IsArray()) {
                        pending.emplace_back(&member.value,
                                             pointer + "/" +
                                                 PointerToken({member.name.GetString(),
                                                               member.name.GetStringLength()}));
                    }
                }
            } else if (value->IsArray()) {
                for (rapidjson::SizeType k = 0; k < value->Size(); ++k) {
                    pending.emplace_back(&(*value)[k], pointer + "/" + std::to_string(k));
                }
            }
            pointers.emplace(value, std::move(pointer));
        }
    }

    // The data document is searched first: its values are in place for the whole load, while
    // the titles document is gone once its table is read.
    std::string PointerOf(const void* element) const {
        for (const Index& index : indexes_) {
            const auto found = index.pointers.find(element);
            if (found != index.pointers.end()) {
                return index.prefix + found->second;
            }
        }
        return "?";
    }

    std::vector<Index> indexes_;
};

// The first finding that explains why a load failed, as an error a person can act on.
std::string FailureReason(const std::string& path, const Collector& collector) {
    for (std::size_t k = 0; k < collector.findings.size(); ++k) {
        const Finding& finding = collector.findings[k];
        switch (collector.kinds[k]) {
            case FindingKind::ParseError:
            case FindingKind::MissingDocument:
                return finding.place + ": " + finding.message;
            case FindingKind::MissingSection:
                return path + ": " + finding.place + ": " + finding.message;
            default:
                break;
        }
    }
    return path + ": the file cannot be read";
}

// Sends the trace lines of the loads in its scope to a receiver.
class TraceScope {
public:
    explicit TraceScope(const std::function<void(const std::string&)>& receiver) {
        if (receiver) {
            platform::SetTraceSink([&receiver](const std::wstring& line) { receiver(Utf8(line)); });
        }
    }
    ~TraceScope() { platform::SetTraceSink({}); }
    TraceScope(const TraceScope&) = delete;
    TraceScope& operator=(const TraceScope&) = delete;
};

}  // namespace

struct DataFile::Impl {
    std::string path;
    Format format = Format::Json;
    std::unique_ptr<CDataFileBase> reader;
};

const char* FormatName(Format format) { return format == Format::Json ? "json" : "legacy"; }

OpenResult Open(const std::string& path, const OpenOptions& options) {
    OpenResult result;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        result.error =
            path + ": " +
            (std::filesystem::exists(path, error) ? "not a regular file" : "no such file");
        return result;
    }
    const std::wstring widePath = Wide(path);
    const ReaderKind kind = ReaderKindOfPath(widePath);
    std::unique_ptr<CDataFileBase> reader = MakeReader(kind, widePath);
    Collector collector;
    if (options.findings) {
        reader->SetObserver(&collector);
    }
    bool loaded = false;
    {
        const TraceScope trace(options.trace);
        loaded = reader->Load(widePath) != 0;
    }
    reader->SetObserver(nullptr);
    result.findings = std::move(collector.findings);
    if (!loaded) {
        reader->ReleaseTables();
        collector.findings = result.findings;
        result.error = FailureReason(path, collector);
        return result;
    }
    auto impl = std::make_unique<DataFile::Impl>();
    impl->path = path;
    impl->format = kind == ReaderKind::Json ? Format::Json : Format::Legacy;
    impl->reader = std::move(reader);
    result.file = std::make_unique<DataFile>(std::move(impl));
    return result;
}

FunctionBlockList::~FunctionBlockList() {
    for (FunctionBlock* block : blocks_) {
        FunctionBlockCopies::Free(block);
    }
}

FunctionBlockList::FunctionBlockList(FunctionBlockList&& other) noexcept
    : blocks_(std::move(other.blocks_)) {
    other.blocks_.clear();
}

DataFile::DataFile(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

DataFile::~DataFile() { impl_->reader->ReleaseTables(); }

const std::string& DataFile::Path() const { return impl_->path; }
Format DataFile::GetFormat() const { return impl_->format; }
const DeviceInfo& DataFile::Device() const { return *impl_->reader->GetDeviceInfo(); }
const IOSpec& DataFile::IO() const { return *impl_->reader->GetIOSpec(); }
const TripSpec& DataFile::Trips() const { return *impl_->reader->GetTripSpec(); }
const MessageSpec& DataFile::Messages() const { return *impl_->reader->GetMessageSpec(); }
const CommonSpec& DataFile::Common() const { return *impl_->reader->GetCommonSpec(); }
const ParaSpec& DataFile::Parameters() const { return *impl_->reader->GetParaSpec(); }
const InitOrder& DataFile::Init() const { return *impl_->reader->GetInitOrder(); }
const ExtendSpec* DataFile::Extend() const { return impl_->reader->GetExtendSpec(); }
int32_t DataFile::ParaStatusNum() const { return impl_->reader->GetParaStatusNum(); }
int32_t DataFile::ParaControlNum() const { return impl_->reader->GetParaControlNum(); }
int32_t DataFile::ReservedCount() const { return impl_->reader->GetReservedCount(); }

const SpecialParamMap* DataFile::SpecialParameters() const {
    return impl_->reader->GetSpecialParameter();
}

ParamIdMap DataFile::ParamIds() const {
    ParamIdMap ids;
    impl_->reader->GetParamIDS(&ids);
    return ids;
}

FunctionBlockList DataFile::FunctionBlocks() const {
    FunctionBlockList list;
    impl_->reader->GetSpecAdvUserSeq(&list.Blocks());
    return list;
}

void DataFile::ShowDegreeSigns() { RewriteDegreeSigns(*impl_->reader->GetMessageSpec()); }

uint32_t DataFile::ParamAddress16(int32_t groupNum, int32_t codeNum) const {
    return CommAddress16(Device().KeypadCommOffset16, static_cast<uint32_t>(groupNum),
                         static_cast<uint32_t>(codeNum));
}

bool Write(const DataFile& file, const std::string& path, Format format, std::string& error) {
    IDataFile& records = *file.impl_->reader;
    return format == Format::Json ? WriteJsonDataFile(records, path, error)
                                  : WriteLegacyDataFile(records, path, error);
}

std::string TitlesPathOf(const std::string& path) { return vqdf::TitlesPathOf(path); }

std::string DataFilePath(const std::string& dir, const std::string& model,
                         const std::string& version) {
    const std::wstring key = CDataFileRegistry::MakeKey(Wide(model), Wide(version));
    return (std::filesystem::path(dir) / model / (Utf8(key) + std::string(legacy::kFileExtension)))
        .string();
}

std::string CodePageText(const char* field, std::size_t width) {
    return Utf8(
        platform::MultiByteToWide(platform::CodePage::SystemAnsi, BoundedText(field, width)));
}

// Through wide text, so that bytes that are not UTF-8 come out as U+FFFD.
std::string Utf8Text(const char* field, std::size_t width) {
    return Utf8(platform::MultiByteToWide(platform::CodePage::Utf8, BoundedText(field, width)));
}

std::string Utf16Text(const char16_t* field, std::size_t width) {
    return Utf8(platform::Utf16ToWide(BoundedText(field, width)));
}

std::string WriteSyntheticDataFile(const std::string& dir, const std::string& stem, int groups,
                                   int parametersPerGroup, int messages, int titlesPerMessage) {
    return vqdf::WriteSyntheticDataFile(dir, stem,
                                        {groups, parametersPerGroup, messages, titlesPerMessage})
        .string();
}

bool IsEnumerated(const ParamInfo& param) { return param.DataType == kMessageDataType; }

}  // namespace vqdf::api
