// Writing a tree of storages and streams as a compound file through the platform's own
// structured storage: a second writer of the format, independent of libgsf.
#include <objbase.h>
#include <windows.h>

#include <climits>

#include "platform/CodePage.h"
#include "platform/CompoundOutput.h"

namespace vqdf::platform {
namespace {

constexpr DWORD kCreateMode = STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

std::wstring Wide(const std::string& text) {
    return platform::MultiByteToWide(platform::CodePage::Utf8, text);
}

// Releases a storage or stream when it goes.
template <typename T>
struct Released {
    T* object = nullptr;
    ~Released() {
        if (object != nullptr) {
            object->Release();
        }
    }
};

bool WriteStream(IStorage& parent, const std::string& name, const std::string& bytes) {
    Released<IStream> stream;
    if (FAILED(parent.CreateStream(Wide(name).c_str(), kCreateMode, 0, 0, &stream.object))) {
        return false;
    }
    ULONG written = 0;
    return bytes.size() <= ULONG_MAX &&
           SUCCEEDED(
               stream.object->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written)) &&
           written == bytes.size();
}

bool WriteChildren(IStorage& parent, const CompoundNode& node) {
    for (const auto& [name, bytes] : node.streams) {
        if (!WriteStream(parent, name, bytes)) {
            return false;
        }
    }
    for (const CompoundNode& child : node.storages) {
        Released<IStorage> storage;
        if (FAILED(parent.CreateStorage(Wide(child.name).c_str(), kCreateMode, 0, 0,
                                        &storage.object)) ||
            !WriteChildren(*storage.object, child) ||
            FAILED(storage.object->Commit(STGC_DEFAULT))) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool WriteCompoundFile(const std::string& path, const CompoundNode& root, std::string& error) {
    Released<IStorage> file;
    if (FAILED(StgCreateDocfile(Wide(path).c_str(), kCreateMode, 0, &file.object))) {
        error = "cannot create " + path;
        return false;
    }
    if (!WriteChildren(*file.object, root) || FAILED(file.object->Commit(STGC_DEFAULT))) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace vqdf::platform
