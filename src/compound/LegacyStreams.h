// Reading the raw record images of a legacy data file: one stream into one place, a table whose
// size its count gives, and a stream that holds two tables one after the other.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "compound/SSFile.h"
#include "model/LoadObserver.h"
#include "model/TableMemory.h"

namespace vqdf {

enum class StreamRead {
    Done,     // read, possibly short: what the stream did not supply stays zero
    Skipped,  // missing, over its size limit, or not allocated: nothing changed
    Failed,   // the storage failed while reading: the load ends
};

// Most tables have no limit but the one the memory sets: a count is allocated as it stands.
constexpr int64_t kNoLimit = INT64_MAX;

// A count below zero means no entries.
inline int64_t EntryCount(int32_t count) { return count < 0 ? 0 : count; }

inline bool WithinLimit(int64_t count, std::size_t entrySize, int64_t limit) {
    return count <= limit / static_cast<int64_t>(entrySize);
}

class CLegacyStreams {
public:
    // The observer, when there is one, hears of every storage and stream that is missing or
    // short, and of every count that cannot size a table.
    // Tables their streams fill only in part are entered in held with the bytes they got.
    CLegacyStreams(CSSFile& file, ILoadObserver* observer, std::map<const void*, std::size_t>& held)
        : file_(file), observer_(observer), held_(held) {}

    // Notes that a table of bytes got only supplied of them from the file.
    void NoteHeld(const void* table, std::size_t supplied, std::size_t bytes) {
        if (table != nullptr && supplied < bytes) {
            held_[table] = supplied;
        }
    }

    // How many bytes the stream of the last table read supplied.
    std::size_t LastSupplied() const { return supplied_; }

    // Enters a child of the current storage, or reports it missing.
    bool EnterStorage(std::string_view name);
    void LeaveStorage();
    std::vector<std::wstring> ChildNames() const { return file_.ChildNames(); }
    // Reports a finding about a child of the current storage.
    void Report(FindingKind kind, std::string_view child, std::string message) const;

    // Reads the first bytes of the stream into the place given.
    StreamRead ReadImage(std::string_view name, void* target, std::size_t bytes);

    // A new table of count entries read from the stream; null when the stream is missing. A
    // stream shorter than the table fills its start; only what it supplies is ever written, so a
    // hostile count costs address space, not memory.
    template <typename T>
    StreamRead ReadNewTable(std::string_view name, int64_t count, T*& table,
                            int64_t limit = kNoLimit) {
        if (!CheckCount(name, count, sizeof(T), limit) || !Open(name)) {
            return StreamRead::Skipped;
        }
        const std::size_t bytes = static_cast<std::size_t>(count) * sizeof(T);
        const std::size_t available = std::min(bytes, stream_.Remaining());
        table = available == bytes ? AllocateForFill<T>(count) : AllocateZeroed<T>(count);
        if (table == nullptr) {
            stream_.Close();
            return StreamRead::Skipped;
        }
        const StreamRead read = ReadOpen(table, bytes, available);
        NoteHeld(table, supplied_, bytes);
        return read;
    }

    // A table allocated before its stream is opened: a missing stream leaves it all zero.
    template <typename T>
    StreamRead ReadAllocatedTable(std::string_view name, int64_t count, T*& table,
                                  int64_t limit = kNoLimit) {
        if (!CheckCount(name, count, sizeof(T), limit)) {
            return StreamRead::Skipped;
        }
        table = AllocateZeroed<T>(count);
        const std::size_t bytes = static_cast<std::size_t>(count) * sizeof(T);
        if (table == nullptr || !Open(name)) {
            NoteHeld(table, 0, bytes);
            return StreamRead::Skipped;
        }
        const StreamRead read = ReadOpen(table, bytes, 0);
        NoteHeld(table, supplied_, bytes);
        return read;
    }

    // One stream holding the first table's entries and then the second's, each table getting
    // its own copy of its part; an empty first table puts the second at 0.
    template <typename T>
    StreamRead ReadSplit(std::string_view name, int32_t firstCount, int32_t secondCount, T*& first,
                         T*& second, int64_t limit = kNoLimit) {
        const int64_t a = EntryCount(firstCount);
        const int64_t b = EntryCount(secondCount);
        if (!CheckCount(name, firstCount, sizeof(T), limit, true) ||
            !CheckCount(name, secondCount, sizeof(T), limit, true) ||
            !CheckCount(name, a + b, sizeof(T), limit) || !Open(name)) {
            return StreamRead::Skipped;
        }
        const std::size_t bytes = static_cast<std::size_t>(a + b) * sizeof(T);
        const std::size_t available = std::min(bytes, stream_.Remaining());
        const Scratch scratch(AllocateBytes(std::max<std::size_t>(available, 1)));
        if (scratch == nullptr) {
            stream_.Close();
            return StreamRead::Skipped;
        }
        const StreamRead read = ReadOpen(scratch.get(), bytes, available, available);
        if (read != StreamRead::Done) {
            return read;
        }
        const auto* entries = static_cast<const char*>(scratch.get());
        const std::size_t firstBytes = static_cast<std::size_t>(a) * sizeof(T);
        first = CopyOf<T>(entries, a, std::min(available, firstBytes));
        second = CopyOf<T>(entries + std::min(available, firstBytes), b,
                           available - std::min(available, firstBytes));
        NoteHeld(first, std::min(available, firstBytes), firstBytes);
        NoteHeld(second, available - std::min(available, firstBytes), bytes - firstBytes);
        return StreamRead::Done;
    }

private:
    struct ScratchFree {
        void operator()(void* memory) const { FreeBytes(memory); }
    };
    using Scratch = std::unique_ptr<void, ScratchFree>;

    // A table of count entries whose first bytes are copied from data; the rest are zero.
    template <typename T>
    static T* CopyOf(const char* data, int64_t count, std::size_t bytes) {
        const bool whole = bytes == static_cast<std::size_t>(count) * sizeof(T);
        T* copy = whole ? AllocateForFill<T>(count) : AllocateZeroed<T>(count);
        if (copy != nullptr && bytes > 0) {
            std::memcpy(copy, data, bytes);
        }
        return copy;
    }

    bool Open(std::string_view name);
    // Whether a count can size a table: more than zero (or zero, where allowed) and within the
    // limit. A negative count or one over the limit is reported.
    bool CheckCount(std::string_view name, int64_t count, std::size_t entrySize, int64_t limit,
                    bool zeroAllowed = false);
    // Reads the table of `bytes` bytes from the stream just opened, then closes it. The target
    // holds `capacity` bytes (all of the table when not given), of which those from `zeroFrom`
    // on are zero already; the bytes between what the stream supplies and those are zeroed.
    StreamRead ReadOpen(void* target, std::size_t bytes, std::size_t zeroFrom,
                        std::size_t capacity = SIZE_MAX);

    CSSFile& file_;
    ILoadObserver* observer_;
    std::map<const void*, std::size_t>& held_;
    std::vector<std::string> storages_;
    std::string streamName_;
    std::size_t supplied_ = 0;
    COleStreamFile stream_;
};

}  // namespace vqdf
