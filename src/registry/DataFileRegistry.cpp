// Keys, reader choice, load-once, the recent-version search and the release at unload.
#include "registry/DataFileRegistry.h"

#include <algorithm>
#include <climits>
#include <cwctype>
#include <utility>

#include "compound/LegacyFormat.h"
#include "platform/LibraryFile.h"
#include "platform/Runtime.h"

namespace vqdf {
namespace {

// Reads an integer as _wtoi does: leading blanks, a sign, decimal digits up to the first other
// character; no digits give 0. Values beyond 32 bits saturate.
int32_t LeadingInt(std::wstring_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::iswspace(static_cast<wint_t>(text[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    int64_t value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = std::min<int64_t>(value * 10 + (text[i] - L'0'), int64_t{INT32_MAX} + 1);
    }
    value = negative ? -value : value;
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// Releases a reader's tables when it goes, unless told the reader is kept.
class ReleaseUnlessKept {
public:
    explicit ReleaseUnlessKept(IDataFile& file) : file_(&file) {}
    ~ReleaseUnlessKept() {
        if (file_ != nullptr) {
            file_->ReleaseTables();
        }
    }
    ReleaseUnlessKept(const ReleaseUnlessKept&) = delete;
    ReleaseUnlessKept& operator=(const ReleaseUnlessKept&) = delete;
    void Keep() { file_ = nullptr; }

private:
    IDataFile* file_;
};

}  // namespace

CDataFileRegistry::CDataFileRegistry() : CDataFileRegistry(MakeReader) {}

CDataFileRegistry::CDataFileRegistry(ReaderFactory factory) : factory_(std::move(factory)) {
    platform::SetDefaultLocale();
}

CDataFileRegistry::~CDataFileRegistry() { RemoveAllDataFiles(); }

std::wstring CDataFileRegistry::MakeKey(const std::wstring& model, const std::wstring& version) {
    if (model.empty() || version.empty()) {
        return {};
    }
    std::wstring underscored = version;
    std::replace(underscored.begin(), underscored.end(), L'.', L'_');
    return model + L'_' + underscored;
}

std::wstring CDataFileRegistry::KeyOfPath(const std::wstring& path) {
    const std::size_t separator = path.rfind(platform::kDirectorySeparator);
    const std::wstring name = separator == std::wstring::npos ? path : path.substr(separator + 1);
    const std::size_t dot = name.find(L'.');
    const std::wstring stem = dot == std::wstring::npos ? std::wstring() : name.substr(0, dot);
    const std::size_t underscore = stem.find(L'_');
    if (underscore == std::wstring::npos) {
        return {};
    }
    return MakeKey(stem.substr(0, underscore), stem.substr(underscore + 1));
}

IDataFile* CDataFileRegistry::FindDataFile(const std::wstring& model,
                                           const std::wstring& version) const {
    const std::wstring key = MakeKey(model, version);
    if (key.empty()) {
        return nullptr;
    }
    const auto found = files_.find(key);
    return found == files_.end() ? nullptr : found->second.get();
}

int32_t CDataFileRegistry::LoadDataFile(const std::wstring& path, const std::wstring& key) {
    if (files_.count(key) != 0) {
        return 0;
    }
    std::unique_ptr<IDataFile> reader = factory_(ReaderKindOfPath(path), path);
    if (!reader) {
        return 1;
    }
    // What the load built is released on every way out that does not register the reader: a
    // failed load, and memory running out in the load or in the registration.
    ReleaseUnlessKept release(*reader);
    if (reader->Load(path) == 0) {
        return 1;
    }
    files_.emplace(key, std::move(reader));
    release.Keep();
    return 0;
}

int32_t CDataFileRegistry::SetDataFileVer(const std::wstring& model, const std::wstring& version) {
    const std::wstring key = MakeKey(model, version);
    if (key.empty()) {
        return 1;
    }
    std::wstring directory;
    if (GetModuleDirectory(directory) != 0) {
        return 1;
    }
    const wchar_t separator = platform::kDirectorySeparator;
    const std::wstring path =
        directory + L"DataFile" + separator + model + separator + key +
        std::wstring(legacy::kFileExtension.begin(), legacy::kFileExtension.end());
    return LoadDataFile(path, key);
}

int32_t CDataFileRegistry::SetDataFilePath(const std::wstring& path) {
    if (path.empty()) {
        return 1;
    }
    return LoadDataFile(path, KeyOfPath(path));
}

int32_t CDataFileRegistry::GetRecentDataFileVer(const std::wstring& model,
                                                const std::wstring& version) const {
    const std::size_t dot = version.find(L'.');
    const int32_t major = dot == std::wstring::npos ? 0 : LeadingInt(version.substr(0, dot));
    const int32_t limit = LeadingInt(dot == std::wstring::npos ? version : version.substr(dot + 1));
    const std::wstring prefix = model + L'_' + std::to_wstring(major) + L'_';
    int32_t best = -1;
    for (const auto& entry : files_) {
        const std::wstring& key = entry.first;
        // A key shorter than the prefix never matches.
        if (key.empty() || key.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        const int32_t minor = LeadingInt(std::wstring_view(key).substr(prefix.size()));
        if (minor > best && minor < limit) {
            best = minor;
        }
    }
    return best;
}

void CDataFileRegistry::RemoveAllDataFiles() {
    for (auto& entry : files_) {
        entry.second->ReleaseTables();
        entry.second.reset();
    }
    files_.clear();
}

int32_t CDataFileRegistry::GetModuleDirectory(std::wstring& directory) {
    const std::wstring fileName = platform::LibraryFileName();
    const std::size_t separator = fileName.rfind(platform::kDirectorySeparator);
    if (separator == std::wstring::npos || separator == 0) {
        return 1;
    }
    directory = fileName.substr(0, separator + 1);
    return 0;
}

}  // namespace vqdf
