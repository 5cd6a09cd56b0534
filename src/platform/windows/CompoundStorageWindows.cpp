// Compound files on Windows through the platform's structured storage: a root opened read-only
// and share-exclusive, child storages and streams opened by name (the platform compares names
// without regard to case), and plain stream reads. Refusing a second exclusive opener is the
// platform's own doing.
#include <objbase.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <new>

#include "platform/CompoundStorage.h"

namespace vqdf::platform {

namespace {

// One reference to a storage or stream, released with the holder.
template <typename T>
class ComReference {
public:
    explicit ComReference(T* object) : object_(object) {}
    ~ComReference() { object_->Release(); }
    ComReference(const ComReference&) = delete;
    ComReference& operator=(const ComReference&) = delete;
    T* Get() const { return object_; }

private:
    T* object_;
};

}  // namespace

class CompoundStorage : public ComReference<IStorage> {
    using ComReference::ComReference;
};

class CompoundStream : public ComReference<IStream> {
    using ComReference::ComReference;
};

void CompoundStorageCloser::operator()(CompoundStorage* storage) const { delete storage; }
void CompoundStreamCloser::operator()(CompoundStream* stream) const { delete stream; }

namespace {

// The holder of a storage or stream; when there is no memory for it, the object is released at
// once, so that no file stays open.
template <typename Holder, typename Handle, typename T>
Handle Hold(T* object) {
    auto* holder = new (std::nothrow) Holder(object);
    if (holder == nullptr) {
        object->Release();
    }
    return Handle(holder);
}

}  // namespace

namespace {

// Children of an open storage are always opened share-exclusive, as the platform requires.
constexpr DWORD kChildMode = STGM_READ | STGM_SHARE_EXCLUSIVE;

}  // namespace

StorageHandle OpenCompoundFile(const std::wstring& path, bool exclusive) {
    IStorage* root = nullptr;
    const DWORD mode = STGM_READ | (exclusive ? STGM_SHARE_EXCLUSIVE : STGM_SHARE_DENY_WRITE);
    if (FAILED(StgOpenStorage(path.c_str(), nullptr, mode, nullptr, 0, &root)) || root == nullptr) {
        return nullptr;
    }
    return Hold<CompoundStorage, StorageHandle>(root);
}

StorageHandle OpenChildStorage(CompoundStorage& parent, const std::wstring& name) {
    IStorage* child = nullptr;
    if (FAILED(parent.Get()->OpenStorage(name.c_str(), nullptr, kChildMode, nullptr, 0, &child)) ||
        child == nullptr) {
        return nullptr;
    }
    return Hold<CompoundStorage, StorageHandle>(child);
}

StreamHandle OpenChildStream(CompoundStorage& parent, const std::wstring& name) {
    IStream* child = nullptr;
    if (FAILED(parent.Get()->OpenStream(name.c_str(), nullptr, kChildMode, 0, &child)) ||
        child == nullptr) {
        return nullptr;
    }
    return Hold<CompoundStream, StreamHandle>(child);
}

std::vector<std::wstring> ChildNames(CompoundStorage& storage) {
    std::vector<std::wstring> names;
    IEnumSTATSTG* elements = nullptr;
    if (FAILED(storage.Get()->EnumElements(0, nullptr, 0, &elements)) || elements == nullptr) {
        return names;
    }
    STATSTG entry{};
    while (elements->Next(1, &entry, nullptr) == S_OK) {
        if (entry.pwcsName != nullptr) {
            names.emplace_back(entry.pwcsName);
            CoTaskMemFree(entry.pwcsName);
        }
    }
    elements->Release();
    return names;
}

std::size_t StreamRemaining(CompoundStream& stream) {
    STATSTG status{};
    LARGE_INTEGER zero{};
    ULARGE_INTEGER position{};
    if (FAILED(stream.Get()->Stat(&status, STATFLAG_NONAME)) ||
        FAILED(stream.Get()->Seek(zero, STREAM_SEEK_CUR, &position)) ||
        position.QuadPart > status.cbSize.QuadPart) {
        return 0;
    }
    const ULONGLONG remaining = status.cbSize.QuadPart - position.QuadPart;
    return static_cast<std::size_t>(std::min<ULONGLONG>(remaining, SIZE_MAX));
}

// One platform read takes at most ULONG_MAX bytes; larger reads go in parts.
std::optional<std::size_t> ReadStream(CompoundStream& stream, void* buffer, std::size_t size) {
    std::size_t total = 0;
    auto* bytes = static_cast<char*>(buffer);
    while (total < size) {
        const ULONG part = static_cast<ULONG>(std::min<std::size_t>(size - total, ULONG_MAX));
        ULONG read = 0;
        if (FAILED(stream.Get()->Read(bytes + total, part, &read))) {
            return std::nullopt;
        }
        total += read;
        if (read < part) {
            break;
        }
    }
    return total;
}

}  // namespace vqdf::platform
