// Opening, descending, climbing and closing inside one compound file.
#include "compound/SSFile.h"

namespace vqdf {
namespace {

// Only reading is ever asked for; a mode that would write is refused.
bool IsReadMode(uint32_t mode) { return (mode & kStorageAccessMask) == 0; }

bool IsExclusive(uint32_t mode) { return (mode & kStorageShareMask) == kStorageShareExclusive; }

}  // namespace

std::optional<std::size_t> COleStreamFile::Read(void* buffer, std::size_t size) {
    if (stream_ == nullptr) {
        return std::nullopt;
    }
    return platform::ReadStream(*stream_, buffer, size);
}

std::size_t COleStreamFile::Remaining() {
    return stream_ ? platform::StreamRemaining(*stream_) : 0;
}

bool CSSFile::Open(const std::wstring& path, uint32_t mode) {
    Close();
    if (path.empty() || path.size() > kMaxStorageNameLength || !IsReadMode(mode)) {
        return false;
    }
    platform::StorageHandle root = platform::OpenCompoundFile(path, IsExclusive(mode));
    if (root == nullptr) {
        return false;
    }
    stack_.push_back(std::move(root));
    path_ = path;
    open_ = true;
    return true;
}

void CSSFile::Close() {
    while (!stack_.empty()) {
        stack_.pop_back();
    }
    open_ = false;
    path_.clear();
}

bool CSSFile::OpenStorage(const std::wstring& name, uint32_t mode) {
    if (!open_ || name.size() > kMaxStorageNameLength || !IsReadMode(mode)) {
        return false;
    }
    platform::StorageHandle child = platform::OpenChildStorage(*stack_.back(), name);
    if (child == nullptr) {
        return false;
    }
    stack_.push_back(std::move(child));
    return true;
}

std::vector<std::wstring> CSSFile::ChildNames() const {
    return open_ ? platform::ChildNames(*stack_.back()) : std::vector<std::wstring>();
}

bool CSSFile::CloseStorage() {
    if (stack_.size() <= 1) {
        return false;
    }
    stack_.pop_back();
    return true;
}

bool CSSFile::OpenStream(const std::wstring& name, COleStreamFile& stream, uint32_t mode) {
    stream.Close();
    if (!open_ || !IsReadMode(mode)) {
        return false;
    }
    stream.stream_ = platform::OpenChildStream(*stack_.back(), name);
    return stream.stream_ != nullptr;
}

}  // namespace vqdf
