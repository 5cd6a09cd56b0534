// Storage access for the legacy loader: one compound file, the storages entered inside it
// (innermost on top), and the stream object that reads one stream at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/CompoundStorage.h"

namespace vqdf {

// Structured-storage mode bits. The loader opens everything read-only and share-exclusive.
constexpr uint32_t kStorageAccessMask = 0x3;
constexpr uint32_t kStorageShareMask = 0x70;
constexpr uint32_t kStorageShareExclusive = 0x10;
constexpr uint32_t kReadShareExclusive = kStorageShareExclusive;

// Paths and storage names are handed to the platform in 260-character buffers.
constexpr std::size_t kMaxStorageNameLength = 259;

// One open stream; reads run from its start on.
class COleStreamFile {
public:
    // Up to size bytes into the buffer: the count read (short at the end of the stream), or
    // nothing when the stream is closed or the storage fails.
    std::optional<std::size_t> Read(void* buffer, std::size_t size);
    // How many bytes a read can still supply; 0 when the stream is closed.
    std::size_t Remaining();
    void Close() { stream_.reset(); }
    bool IsOpen() const { return stream_ != nullptr; }

private:
    friend class CSSFile;
    platform::StreamHandle stream_;
};

class CSSFile {
public:
    CSSFile() = default;
    virtual ~CSSFile() { Close(); }
    CSSFile(const CSSFile&) = delete;
    CSSFile& operator=(const CSSFile&) = delete;

    // Closes any file that is open, then opens this one with the root as the only storage.
    bool Open(const std::wstring& path, uint32_t mode);
    // Releases every storage, innermost first and the root last; the path becomes empty.
    void Close();
    // Enters the child storage of that name inside the current one.
    bool OpenStorage(const std::wstring& name, uint32_t mode);
    // Leaves the current storage; at the root it refuses and changes nothing.
    bool CloseStorage();
    bool IsOpen() const { return open_; }
    // Opens the stream of that name inside the current storage into the stream object.
    bool OpenStream(const std::wstring& name, COleStreamFile& stream, uint32_t mode);

    // The names of the current storage's children; none when no file is open.
    std::vector<std::wstring> ChildNames() const;

    const std::wstring& Path() const { return path_; }
    // How many storages are entered, the root included.
    std::size_t Depth() const { return stack_.size(); }

private:
    bool open_ = false;
    std::wstring path_;
    std::vector<platform::StorageHandle> stack_;  // the root at the bottom
};

}  // namespace vqdf
