// Keys, reader choice, load-once, the recent-version search and the release at unload.
#include "registry/DataFileRegistry.h"

#include <algorithm>
#include <array>
#include <climits>
#include <utility>

#include "compound/LegacyFormat.h"
#include "model/DegreeSign.h"
#include "platform/LibraryFile.h"
#include "platform/Runtime.h"

namespace vqdf {
namespace {

// A text built in a buffer on the stack while it fits, and on the heap beyond. Its characters are
// copied one by one: the texts are short, shorter than a call to copy them would be worth.
class ShortText {
public:
    ShortText() = default;
    ShortText(const ShortText&) = delete;
    ShortText& operator=(const ShortText&) = delete;

    void Append(std::wstring_view part) {
        if (!heap_.empty() || size_ + part.size() > small_.size()) {
            if (heap_.empty()) {
                heap_.assign(small_.data(), size_);
            }
            heap_.append(part);
            return;
        }
        for (const wchar_t c : part) {
            small_[size_++] = c;
        }
    }
    std::wstring_view View() const {
        return heap_.empty() ? std::wstring_view(small_.data(), size_) : std::wstring_view(heap_);
    }

private:
    std::array<wchar_t, 64> small_;  // only the first size_ are set
    std::size_t size_ = 0;
    std::wstring heap_;
};

// A number in plain decimal, as "%d" writes it, into text.
void AppendDecimal(int32_t value, ShortText& text) {
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
    text.Append(std::wstring_view(digits.data() + first, digits.size() - first));
}

// The key of a model and version, as MakeKey builds it, into key: each "." of the version becomes
// "_". Empty when either text is.
void LookupKey(std::wstring_view model, std::wstring_view version, ShortText& key) {
    if (model.empty() || version.empty()) {
        return;
    }
    key.Append(model);
    key.Append(L"_");
    std::size_t from = 0;
    for (std::size_t k = 0; k < version.size(); ++k) {
        if (version[k] == L'.') {
            key.Append(version.substr(from, k - from));
            key.Append(L"_");
            from = k + 1;
        }
    }
    key.Append(version.substr(from));
}

// Reads an integer as _wtoi does in the C locale: leading blanks, a sign, decimal digits up to the
// first other character; no digits give 0. Values beyond 32 bits saturate.
int32_t LeadingInt(std::wstring_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r'))) {
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
    ShortText key;
    LookupKey(model, version, key);
    return key.View().empty() ? files_.end() : files_.find(key.View());
}

CDataFileRegistry::Files::const_iterator CDataFileRegistry::Find(std::wstring_view model,
                                                                 std::wstring_view version) const {
    ShortText key;
    LookupKey(model, version, key);
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
    // Everything that may run out of memory comes first, while the reader is whole to be
    // released: the key's index entries and room for them, then the map's entry. Moving the
    // reader in and the entries into the room made cannot fail.
    std::vector<RecentEntry> recent = RecentEntriesOf(key);
    recentIndex_.reserve(recentIndex_.size() + recent.size());
    files_.try_emplace(key).first->second.file = std::move(reader);
    release.Keep();
    for (RecentEntry& entry : recent) {
        recentIndex_.insert(std::upper_bound(recentIndex_.begin(), recentIndex_.end(), entry),
                            std::move(entry));
    }
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

// The newest minor below the limit among the keys that begin with model, "_", the major in plain
// decimal and "_": looked up in the index of every such beginning of the registered keys.
int32_t CDataFileRegistry::GetRecentDataFileVer(std::wstring_view model,
                                                std::wstring_view version) const {
    const std::size_t dot = version.find(L'.');
    const int32_t major = dot == std::wstring_view::npos ? 0 : LeadingInt(version.substr(0, dot));
    const int32_t limit =
        LeadingInt(dot == std::wstring_view::npos ? version : version.substr(dot + 1));
    ShortText prefix;
    prefix.Append(model);
    prefix.Append(L"_");
    AppendDecimal(major, prefix);
    prefix.Append(L"_");
    const std::wstring_view wanted = prefix.View();
    // The last entry of the prefix whose minor is below the limit; only minors from 0 count.
    const auto below = std::lower_bound(
        recentIndex_.begin(), recentIndex_.end(), std::make_pair(wanted, limit),
        [](const RecentEntry& entry, const std::pair<std::wstring_view, int32_t>& key) {
            const int order = std::wstring_view(entry.first).compare(key.first);
            return order < 0 || (order == 0 && entry.second < key.second);
        });
    if (below == recentIndex_.begin()) {
        return -1;
    }
    const RecentEntry& found = *std::prev(below);
    return found.first == wanted && found.second >= 0 ? found.second : -1;
}

// Every beginning of the key that a search can ask for, with the minor the rest of the key gives:
// a key M1_1_2_3 gives M1_1_ with minor 2 and M1_1_2_ with minor 3.
std::vector<CDataFileRegistry::RecentEntry> CDataFileRegistry::RecentEntriesOf(
    std::wstring_view key) {
    std::vector<RecentEntry> entries;
    for (std::size_t model = key.find(L'_'); model != std::wstring_view::npos;
         model = key.find(L'_', model + 1)) {
        const std::size_t end = key.find(L'_', model + 1);
        if (end == std::wstring_view::npos) {
            break;
        }
        const std::wstring_view digits = key.substr(model + 1, end - model - 1);
        ShortText canonical;
        AppendDecimal(LeadingInt(digits), canonical);
        if (canonical.View() != digits) {
            continue;
        }
        entries.emplace_back(std::wstring(key.substr(0, end + 1)), LeadingInt(key.substr(end + 1)));
    }
    return entries;
}

void CDataFileRegistry::RemoveAllDataFiles() {
    for (auto& entry : files_) {
        entry.second.file->ReleaseTables();
        entry.second.file.reset();
    }
    files_.clear();
    recentIndex_.clear();
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
