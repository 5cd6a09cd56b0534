// Opening a data file for the tools through the library's own readers, with an observer that
// turns what the readers find into places a person can find; the records; writing either format.
#include "DataFileApi.h"

#include <rapidjson/document.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unordered_map>

#include "DataFileImpl.h"
#include "compound/LegacyFormat.h"
#include "compound/LegacyWriter.h"
#include "json/JsonFormat.h"
#include "json/JsonSchema.h"
#include "json/JsonValue.h"
#include "json/JsonWriter.h"
#include "json/SyntheticDataFile.h"
#include "model/DataFile.h"
#include "model/DegreeSign.h"
#include "model/FixedText.h"
#include "model/FunctionBlockCopies.h"
#include "model/ParameterAddress.h"
#include "model/ParameterTypes.h"
#include "platform/CodePage.h"
#include "platform/FileProbe.h"
#include "platform/FileSystem.h"
#include "registry/DataFileRegistry.h"

namespace vqdf::api {
namespace {

std::string Utf8(const std::wstring& text) {
    return platform::WideToMultiByte(platform::CodePage::Utf8, text);
}

// A member name as one JSON Pointer token: "~" and "/" are escaped.
std::string PointerToken(std::string_view name) {
    std::string token;
    for (const char c : name) {
        token += c == '~' ? "~0" : c == '/' ? "~1" : std::string(1, c);
    }
    return token;
}

// Collects the findings of one load. A parsed document is indexed on the first finding that needs
// a place in it, while its values are in place: the elements of objects and arrays and the
// members that hold objects and arrays, by address, with their pointers. A clean load indexes
// nothing.
class Collector : public ILoadObserver {
public:
    explicit Collector(std::string path) : path_(std::move(path)) {}

    void OnDocument(const std::wstring& path, const void* root) override {
        Index& index = indexes_.emplace_back();
        index.file = platform::NativePath(path).value_or(path_);
        index.root = static_cast<const rapidjson::Value*>(root);
    }

    // Its values are about to be freed: addresses in it may be another document's later.
    void OnDocumentEnd(const void* root) override {
        for (Index& index : indexes_) {
            if (index.root == root) {
                index.root = nullptr;
                index.pointers.clear();
            }
        }
    }

    void OnFinding(LoadFinding finding) override {
        Finding found{FindingKindName(finding.kind), finding.file.empty() ? path_ : finding.file,
                      finding.place, std::move(finding.message)};
        if (finding.element != nullptr) {
            const auto [file, pointer] = Locate(finding.element);
            found.file = file;
            found.place = pointer;
            if (!finding.place.empty()) {
                found.place += "/";
                found.place += PointerToken(finding.place);
            }
        }
        // A load stops at the finding that fails it, so the last finding of a kind that can fail
        // a load is why it failed: a group without its parameter list is reported as missing
        // it, and the load goes on.
        const bool fails = finding.kind == FindingKind::ParseError ||
                           finding.kind == FindingKind::MissingDocument ||
                           finding.kind == FindingKind::MissingSection;
        if (fails) {
            failure = found;
        }
        findings.push_back(std::move(found));
    }

    std::vector<Finding> findings;
    std::optional<Finding> failure;

private:
    struct Index {
        std::string file;
        const rapidjson::Value* root = nullptr;  // null once the document is gone
        bool indexed = false;
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
                        std::string below = pointer;
                        below += "/";
                        below +=
                            PointerToken({member.name.GetString(), member.name.GetStringLength()});
                        pending.emplace_back(&member.value, std::move(below));
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

    // The documents still in place, in the order they came.
    std::pair<std::string, std::string> Locate(const void* element) {
        for (Index& index : indexes_) {
            if (index.root == nullptr) {
                continue;
            }
            if (!index.indexed) {
                IndexDocument(*index.root, index.pointers);
                index.indexed = true;
            }
            const auto found = index.pointers.find(element);
            if (found != index.pointers.end()) {
                return {index.file, found->second};
            }
        }
        return {path_, "?"};
    }

    std::string path_;
    std::vector<Index> indexes_;
};

// "FILE:PLACE: MESSAGE", or "FILE: MESSAGE" for the file as a whole.
std::string Located(const Finding& finding) {
    return finding.file + (finding.place.empty() ? "" : ":" + finding.place) + ": " +
           finding.message;
}

// Why a load failed: its failing finding, or the file as a whole.
Finding FailureOf(const std::string& path, const Collector& collector) {
    return collector.failure.value_or(Finding{FindingKindName(FindingKind::MissingDocument), path,
                                              "", "the file cannot be read"});
}

// The compound-file signature, which every legacy file begins with.
constexpr std::string_view kCompoundSignature = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

bool HasJsonExtension(const std::string& path) {
    const std::string extension = std::filesystem::path(path).extension().string();
    return extension.size() == json::kDataFileExtension.size() &&
           std::equal(
               extension.begin(), extension.end(), json::kDataFileExtension.begin(),
               [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

// The file's first bytes, or why the system cannot give them.
bool Peek(const std::string& path, std::string& head, Finding& failure) {
    std::string reason;
    int code = 0;
    if (!platform::PeekFile(path, 64, head, reason, code)) {
        failure = {"unreadable", path, "", reason, code};
        return false;
    }
    return true;
}

// The compound-file signature makes a legacy file, JSON text a JSON file; a file whose content
// tells neither (empty, or no text at all) goes by its extension.
Format FormatOfContent(const std::string& path, std::string_view head) {
    if (head.substr(0, kCompoundSignature.size()) == kCompoundSignature) {
        return Format::Legacy;
    }
    const std::size_t text = head.find_first_not_of(" \t\r\n");
    if (text != std::string_view::npos &&
        (head[text] == '{' || head[text] == '[' || head.substr(text, 3) == "\xEF\xBB\xBF")) {
        return Format::Json;
    }
    return HasJsonExtension(path) ? Format::Json : Format::Legacy;
}

// The first bytes of a file as text a person can read: printable ASCII as it is, other bytes as
// \xNN.
std::string Shown(std::string_view bytes) {
    std::string shown = "\"";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\') {
            shown += c;
        } else {
            static constexpr char kDigits[] = "0123456789ABCDEF";
            shown += std::string("\\x") + kDigits[byte >> 4] + kDigits[byte & 0xF];
        }
    }
    return shown + "\"";
}

bool IsRegular(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// Why a legacy file could not be opened, as precisely as can be told: it is no compound file
// (by its first bytes), another program holds it, or it is damaged; empty when none of these.
std::string LegacyOpenProblem(const std::string& path, std::string_view head) {
    if (head.empty()) {
        return "the file is empty: it is no compound file";
    }
    if (head.substr(0, kCompoundSignature.size()) != kCompoundSignature) {
        return "it is no compound file: it begins with " + Shown(head.substr(0, 16));
    }
    return platform::CompoundFileProblem(path);
}

// A data file read from a stream (standard input, a pipe) can be read only once, and one given
// with a titles document of its own has it elsewhere than beside it: either is copied into a
// folder of its own, with the titles document given beside it, and the copies go when the file
// has been loaded. Findings about the copies name what the user gave.
class StreamCopy {
public:
    StreamCopy(const std::string& path, const std::string& titles) : shownTitles_(titles) {
        std::error_code error;
        std::string folder = (std::filesystem::temp_directory_path(error) / "vqdf-XXXXXX").string();
        if (error || mkdtemp(folder.data()) == nullptr) {
            error_ = std::string("cannot make a folder for what ") +
                     (path == "-" ? "standard input" : path) + " gives: " + std::strerror(errno);
            return;
        }
        folder_ = folder;
        std::FILE* in = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
        if (in == nullptr || (path != "-" && !platform::IsStream(path) && !IsRegular(path))) {
            code_ = in == nullptr ? errno : 0;
            error_ = path + ": " + (in == nullptr ? std::strerror(errno) : "not a regular file");
            if (in != nullptr) {
                std::fclose(in);
            }
            return;
        }
        std::string bytes;
        char buffer[65536];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;) {
            bytes.append(buffer, got);
        }
        const bool failed = std::ferror(in) != 0;
        if (in != stdin) {
            std::fclose(in);
        }
        if (failed) {
            error_ =
                (path == "-" ? std::string("standard input") : path) + ": " + std::strerror(errno);
            return;
        }
        const bool legacy = bytes.compare(0, kCompoundSignature.size(), kCompoundSignature) == 0;
        data_ = folder_ + "/standard-input" +
                std::string(legacy ? legacy::kFileExtension : json::kDataFileExtension);
        if (!WriteTextFile(data_, bytes, error_)) {
            return;
        }
        if (!titles.empty() && !std::filesystem::copy_file(titles, TitlesPathOf(data_), error)) {
            code_ = error.value();
            error_ = titles + ": " + error.message();
        }
    }
    ~StreamCopy() {
        std::error_code ignored;
        if (!folder_.empty()) {
            std::filesystem::remove_all(folder_, ignored);
        }
    }
    StreamCopy(const StreamCopy&) = delete;
    StreamCopy& operator=(const StreamCopy&) = delete;

    const std::string& Error() const { return error_; }
    int Code() const { return code_; }
    const std::string& Data() const { return data_; }
    // A finding's file as the user knows it: the data file or the titles document given. A
    // titles document that is wanting is the data file's finding.
    void Name(Finding& finding, const std::string& shownData) const {
        if (finding.file.rfind(folder_, 0) != 0 || finding.file == data_) {
            finding.file = finding.file.empty() || finding.file == data_ ? shownData : finding.file;
        } else if (shownTitles_.empty()) {
            finding.file = shownData;
            finding.message =
                "a JSON data file read from a stream has no titles document beside "
                "it: give it with --titles";
        } else {
            finding.file = shownTitles_;
        }
    }

private:
    std::string shownTitles_;
    std::string folder_;
    std::string data_;
    std::string error_;
    int code_ = 0;
};

// Loads the file at path; shown is what the user named it.
OpenResult OpenFile(const std::string& path, const std::string& shown, const OpenOptions& options) {
    OpenResult result;
    std::string head;
    if (!Peek(path, head, result.failure)) {
        result.error = Located(result.failure);
        return result;
    }
    const Format format = FormatOfContent(path, head);
    if (format == Format::Json) {
        // The titles document is the reader's to find; one that is there but cannot be read
        // gets the system's reason here.
        const std::string titles = TitlesPathOf(path);
        std::string titlesHead;
        std::error_code missing;
        if (std::filesystem::exists(titles, missing) && !Peek(titles, titlesHead, result.failure)) {
            result.error = Located(result.failure);
            return result;
        }
    }
    const std::wstring widePath = platform::WidePath(path);
    std::unique_ptr<CDataFileBase> reader =
        MakeReader(format == Format::Json ? ReaderKind::Json : ReaderKind::Legacy, widePath);
    Collector collector(path);
    if (options.findings) {
        reader->SetObserver(&collector);
    }
    if (options.trace) {
        reader->SetTraceReceiver(
            [&receiver = options.trace](const std::wstring& line) { receiver(Utf8(line)); });
    }
    const bool loaded = reader->Load(widePath) != 0;
    reader->SetObserver(nullptr);
    reader->SetTraceReceiver({});
    if (!loaded) {
        reader->ReleaseTables();
        result.failure = FailureOf(path, collector);
        if (format == Format::Legacy && result.failure.kind == "missing-document") {
            const std::string problem = LegacyOpenProblem(path, head);
            if (!problem.empty()) {
                result.failure.message = "the file cannot be opened: " + problem;
                for (Finding& finding : collector.findings) {
                    finding.message = finding.kind == "missing-document" && finding.place.empty()
                                          ? result.failure.message
                                          : finding.message;
                }
            }
        }
        result.error = Located(result.failure);
        result.findings = std::move(collector.findings);
        return result;
    }
    result.findings = std::move(collector.findings);
    auto impl = std::make_unique<DataFile::Impl>();
    impl->path = shown;
    impl->format = format;
    impl->reader = std::move(reader);
    result.file = std::make_unique<DataFile>(std::move(impl));
    return result;
}

}  // namespace

const char* FormatName(Format format) { return format == Format::Json ? "json" : "legacy"; }

OpenResult Open(const std::string& path, const OpenOptions& options) {
    if (!platform::IsStream(path) && options.titles.empty()) {
        return OpenFile(path, path, options);
    }
    StreamCopy copy(path, options.titles);
    if (!copy.Error().empty()) {
        OpenResult result;
        result.failure = {"unreadable", path, "", copy.Error(), copy.Code()};
        result.error = copy.Error();
        return result;
    }
    OpenResult result = OpenFile(copy.Data(), path, options);
    copy.Name(result.failure, path);
    for (Finding& finding : result.findings) {
        copy.Name(finding, path);
    }
    if (!result.file) {
        result.error = Located(result.failure);
    }
    return result;
}

std::optional<Format> FormatOfName(const std::string& path) {
    const std::string extension = std::filesystem::path(path).extension().string();
    std::string lower(extension.size(), '\0');
    std::transform(extension.begin(), extension.end(), lower.begin(), [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    });
    if (lower == json::kDataFileExtension) {
        return Format::Json;
    }
    if (lower == legacy::kFileExtension) {
        return Format::Legacy;
    }
    return std::nullopt;
}

const char* SeverityName(Severity severity) {
    return severity == Severity::Warning ? "warning" : "error";
}

std::string FindingLine(const Finding& finding) {
    if (finding.severity == Severity::Warning) {
        Finding shown = finding;
        shown.message = "warning: " + finding.message;
        return Located(shown) + " [" + finding.kind + "]";
    }
    return Located(finding) + " [" + finding.kind + "]";
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
int32_t DataFile::ParaStatusNum() const {
    impl_->AskCounts();
    return impl_->paraStatusNum;
}
int32_t DataFile::ParaControlNum() const {
    impl_->AskCounts();
    return impl_->paraControlNum;
}
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

int64_t DataFile::EntriesHeld(const void* table, int64_t count, std::size_t entrySize) const {
    const std::optional<std::size_t> held = impl_->reader->HeldBytes(table);
    if (!held || count <= 0) {
        return std::max<int64_t>(count, 0);
    }
    return std::min<int64_t>(count, static_cast<int64_t>((*held + entrySize - 1) / entrySize));
}

void DataFile::ShowDegreeSigns() { RewriteDegreeSigns(*impl_->reader->GetMessageSpec()); }

uint32_t DataFile::ParamAddress16(int32_t groupNum, int32_t codeNum) const {
    return CommAddress16(Device().KeypadCommOffset16, static_cast<uint32_t>(groupNum),
                         static_cast<uint32_t>(codeNum));
}

std::optional<uint32_t> DataFile::ParamAddress32(int32_t groupNum, int32_t codeNum) const {
    const ExtendSpec* extend = Extend();
    if (extend == nullptr) {
        return std::nullopt;
    }
    return CommAddress32(extend->KeypadCommOffset32, static_cast<uint32_t>(groupNum),
                         static_cast<uint32_t>(codeNum));
}

std::string TitlesPathOf(const std::string& path) { return vqdf::TitlesPathOf(path); }

std::string DataFilePath(const std::string& dir, const std::string& model,
                         const std::string& version) {
    // Through the lossless path form, so that any bytes of the arguments reach the file name.
    const std::wstring key =
        CDataFileRegistry::MakeKey(platform::WidePath(model), platform::WidePath(version));
    return (std::filesystem::path(dir) / model /
            (platform::NativePath(key).value_or(std::string()) +
             std::string(legacy::kFileExtension)))
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

bool SyntheticSizeIsClean(int groups, int parametersPerGroup) {
    return IsCleanSize({groups, parametersPerGroup});
}

std::string HexText(uint32_t value) { return json::FormatHexText(value); }

std::string RoleName(uint32_t role) {
    for (const auto& [number, member] : json::kScopeRoles) {
        if (number == role) {
            return std::string(json::key::kSimpleScope) + "/" + std::string(member);
        }
    }
    for (const auto& [number, member] : json::kAdvUserSeqRoles) {
        if (number == role) {
            return std::string(json::key::kAdvUserSeq) + "/" + std::string(member);
        }
    }
    return {};
}

std::string DataFileSchema() { return json::DataFileSchema(); }
std::string TitlesSchema() { return json::TitlesSchema(); }

bool IsEnumerated(const ParamInfo& param) { return param.DataType == kMessageDataType; }

}  // namespace vqdf::api
