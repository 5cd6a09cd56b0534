// Keys, reader choice, load-once, the recent-version search and the release at unload.
#include "registry/DataFileRegistry.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cwctype>
#include <utility>

#include "compound/LegacyFormat.h"
#include "model/DegreeSign.h"
#include "platform/LibraryFile.h"
#include "platform/Runtime.h"

namespace vqdf {
namespace {

// A text built in a buffer on the stack while it fits, and on the heap beyond.
class ShortText {
public:
    void Append(std::wstring_view part) {
        if (!heap_.empty() || size_ + part.size() > small_.size()) {
            if (heap_.empty()) {
                heap_.assign(small_.data(), size_);
            }
            heap_.append(part);
            return;
        }
        std::copy(part.begin(), part.end(), small_.begin() + static_cast<std::ptrdiff_t>(size_));
        size_ += part.size();
    }
    std::wstring_view View() const {
        return heap_.empty() ? std::wstring_view(small_.data(), size_) : std::wstring_view(heap_);
    }

private:
    std::array<wchar_t, 64> small_{};
    std::size_t size_ = 0;
    std::wstring heap_;
};

// A number in plain decimal, as "%d" writes it.
ShortText Decimal(int32_t value) {
    std::array<wchar_t, 12> digits{};
    std::size_t first = digits.size();
    int64_t rest = value < 0 ? -int64_t{value} : value;
    do {
        digits[--first] = static_cast<wchar_t>(L'0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    if (value < 0) {
        digits[--first] = L'-';
    }
    ShortText text;
    text.Append(std::wstring_view(digits.data() + first, digits.size() - first));
    return text;
}

// The key of a model and version, as MakeKey builds it, for a lookup.
ShortText LookupKey(std::wstring_view model, std::wstring_view version) {
    ShortText key;
    if (model.empty() || version.empty()) {
        return key;
    }
    key.Append(model);
    key.Append(L"_");
    // Each "." of the version becomes "_".
    for (std::size_t from = 0; from < version.size();) {
        const std::size_t dot = std::min(version.find(L'.', from), version.size());
        key.Append(version.substr(from, dot - from));
        if (dot < version.size()) {
            key.Append(L"_");
        }
        from = dot + 1;
    }
    return key;
}

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

CDataFileRegistry::Files::iterator CDataFileRegistry::Find(std::wstring_view model,
                                                          std::wstring_view version) {
    const ShortText key = LookupKey(model, version);
    return key.View().empty() ? files_.end() : files_.find(key.View());
}

CDataFileRegistry::Files::const_iterator CDataFileRegistry::Find(std::wstring_view model,
                                                                std::wstring_view version) const {
    const ShortText key = LookupKey(model, version);
    return key.View().empty() ? files_.end() : files_.find(key.View());
}

IDataFile* CDataFileRegistry::FindDataFile(std::wstring_view model,
                                           std::wstring_view version) const {
    const auto found = Find(model, version);
    return found == files_.end() ? nullptr : found->second.file.get();
}

MessageSpec* CDataFileRegistry::FindMessageSpec(std::wstring_view model,
                                                std::wstring_view version) {
    const auto found = Find(model, version);
    if (found == files_.end()) {
        return nullptr;
    }
    Registered& registered = found->second;
    MessageSpec* table = registered.file->GetMessageSpec();
    if (!registered.degreeSignsShown) {
        RewriteDegreeSigns(*table);
        registered.degreeSignsShown = true;
    }
    return table;
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
    files_.emplace(key, Registered{std::move(reader)});
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

// The keys that begin with the prefix lie together in the ordered map, from the first key not
// below the prefix on.
int32_t CDataFileRegistry::GetRecentDataFileVer(std::wstring_view model,
                                                std::wstring_view version) const {
    const std::size_t dot = version.find(L'.');
    const int32_t major = dot == std::wstring_view::npos ? 0 : LeadingInt(version.substr(0, dot));
    const int32_t limit =
        LeadingInt(dot == std::wstring_view::npos ? version : version.substr(dot + 1));
    ShortText prefix;
    prefix.Append(model);
    prefix.Append(L"_");
    prefix.Append(Decimal(major).View());
    prefix.Append(L"_");
    const std::wstring_view wanted = prefix.View();
    int32_t best = -1;
    for (auto entry = files_.lower_bound(wanted);
         entry != files_.end() && std::wstring_view(entry->first).substr(0, wanted.size()) == wanted;
         ++entry) {
        // A key shorter than the prefix never gets here; the empty key sorts first of all.
        const int32_t minor = LeadingInt(std::wstring_view(entry->first).substr(wanted.size()));
        if (minor > best && minor < limit) {
            best = minor;
        }
    }
    return best;
}

void CDataFileRegistry::RemoveAllDataFiles() {
    for (auto& entry : files_) {
        entry.second.file->ReleaseTables();
        entry.second.file.reset();
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
