// Read access to compound files (nested storages and streams) through the platform's own
// structured-storage service, or a maintained reader of the format where there is none.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vqdf::platform {

class CompoundStorage;  // one open storage: a file's root or a child storage
class CompoundStream;   // one open stream, positioned at its start

struct CompoundStorageCloser {
    void operator()(CompoundStorage* storage) const;
};
struct CompoundStreamCloser {
    void operator()(CompoundStream* stream) const;
};
using StorageHandle = std::unique_ptr<CompoundStorage, CompoundStorageCloser>;
using StreamHandle = std::unique_ptr<CompoundStream, CompoundStreamCloser>;

// Opens a compound file for reading; null when it is missing or not a compound file. With
// exclusive set, the file is also refused while another opener holds it exclusively, and is held
// that way until the returned root and everything opened from it are released.
StorageHandle OpenCompoundFile(const std::wstring& path, bool exclusive);

// Opens a child of the storage by name; names compare without regard to case, as in the format.
StorageHandle OpenChildStorage(CompoundStorage& parent, const std::wstring& name);
StreamHandle OpenChildStream(CompoundStorage& parent, const std::wstring& name);

// The names of a storage's children, storages and streams alike.
std::vector<std::wstring> ChildNames(CompoundStorage& storage);

// How many bytes the stream holds after its current position.
std::size_t StreamRemaining(CompoundStream& stream);

// Reads up to size bytes from the stream's current position and moves past them. Returns how
// many were read, fewer at the end of the stream, or nothing when the storage itself fails.
std::optional<std::size_t> ReadStream(CompoundStream& stream, void* buffer, std::size_t size);

}  // namespace vqdf::platform
