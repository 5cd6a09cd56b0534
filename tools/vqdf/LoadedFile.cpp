// Loading through the readers with an observer that turns their findings into places a person
// can find: JSON Pointers into the documents, storage paths in legacy files.
#include "LoadedFile.h"

#include <rapidjson/document.h>

#include <filesystem>
#include <unordered_map>

#include "compound/DataFileInfo.h"
#include "json/DataFileV2.h"
#include "platform/CodePage.h"
#include "platform/Trace.h"
#include "registry/DataFileRegistry.h"

namespace vqdf::cli {
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
        findings.push_back({finding.kind, std::move(place), std::move(finding.message)});
    }

    std::vector<Finding> findings;

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
std::string FailureReason(const std::string& path, const std::vector<Finding>& findings) {
    for (const Finding& finding : findings) {
        switch (finding.kind) {
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

}  // namespace

LoadedFile::LoadedFile(std::string path, Format format, std::unique_ptr<CDataFileBase> file,
                       std::vector<Finding> findings)
    : path_(std::move(path)),
      format_(format),
      file_(std::move(file)),
      findings_(std::move(findings)) {}

LoadedFile::~LoadedFile() { file_->ReleaseTables(); }

Format FormatOfPath(const std::string& path) {
    return path.find(".json") != std::string::npos ? Format::Json : Format::Legacy;
}

LoadResult LoadDataFile(const std::string& path, std::string* traceLine) {
    LoadResult result;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        result.error =
            path + ": " +
            (std::filesystem::exists(path, error) ? "not a regular file" : "no such file");
        return result;
    }
    const Format format = FormatOfPath(path);
    std::unique_ptr<CDataFileBase> file;
    if (format == Format::Json) {
        file = std::make_unique<CDataFileV2>();
    } else {
        file = std::make_unique<CDataFileInfo>(Wide(path));
    }
    Collector collector;
    file->SetObserver(&collector);
    if (traceLine != nullptr) {
        platform::SetTraceSink([traceLine](const std::wstring& line) { *traceLine += Utf8(line); });
    }
    const bool loaded = file->Load(Wide(path)) != 0;
    platform::SetTraceSink({});
    file->SetObserver(nullptr);
    if (!loaded) {
        file->ReleaseTables();
        result.error = FailureReason(path, collector.findings);
        result.findings = std::move(collector.findings);
        return result;
    }
    result.file =
        std::make_unique<LoadedFile>(path, format, std::move(file), std::move(collector.findings));
    return result;
}

std::string DataFilePath(const std::string& dir, const std::string& model,
                         const std::string& version) {
    const std::wstring key = CDataFileRegistry::MakeKey(Wide(model), Wide(version));
    return (std::filesystem::path(dir) / model / (Utf8(key) + ".inv")).string();
}

}  // namespace vqdf::cli
