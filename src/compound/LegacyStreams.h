// Reading the raw record images of a legacy data file: one stream into one place, a table whose
// size its count gives, and a stream that holds two tables one after the other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "compound/SSFile.h"
#include "model/LoadObserver.h"
#include "model/TableMemory.h"

namespace vqdf {

enum class StreamRead {
    Done,     // read, possibly short: what the stream did not supply stays zero
    Skipped,  // missing, or its table is over the size limit: nothing changed
    Failed,   // the storage failed while reading: the load ends
};

// The largest table the format allows; tables with a limit of their own name it at the read.
constexpr int64_t kMaxTableBytes = 143'165'576;

// A count below zero means no entries.
inline int64_t EntryCount(int32_t count) { return count < 0 ? 0 : count; }

inline bool WithinLimit(int64_t count, std::size_t entrySize, int64_t limit) {
    return count <= limit / static_cast<int64_t>(entrySize);
}

class CLegacyStreams {
public:
    // The observer, when there is one, hears of every storage and stream that is missing or
    // short, and of every count that cannot size a table.
    CLegacyStreams(CSSFile& file, ILoadObserver* observer) : file_(file), observer_(observer) {}

    // Enters a child of the current storage, or reports it missing.
    bool EnterStorage(const std::wstring& name);
    void LeaveStorage();

    // Reads the first bytes of the stream into the place given.
    StreamRead ReadImage(const std::wstring& name, void* target, std::size_t bytes);

    // A new table of count entries read from the stream; null when the stream is missing.
    template <typename T>
    StreamRead ReadNewTable(const std::wstring& name, int64_t count, T*& table,
                            int64_t limit = kMaxTableBytes) {
        if (!CheckCount(name, count, sizeof(T), limit) || !Open(name)) {
            return StreamRead::Skipped;
        }
        table = AllocateForFill<T>(count);
        if (table == nullptr) {
            return StreamRead::Skipped;
        }
        return ReadOpen(table, static_cast<std::size_t>(count) * sizeof(T));
    }

    // A table allocated before its stream is opened: a missing stream leaves it all zero.
    template <typename T>
    StreamRead ReadAllocatedTable(const std::wstring& name, int64_t count, T*& table,
                                  int64_t limit = kMaxTableBytes) {
        if (!CheckCount(name, count, sizeof(T), limit)) {
            return StreamRead::Skipped;
        }
        table = AllocateZeroed<T>(count);
        if (table == nullptr) {
            return StreamRead::Skipped;
        }
        return ReadImage(name, table, static_cast<std::size_t>(count) * sizeof(T));
    }

    // One stream holding the first table's entries and then the second's. The stream is read
    // whole once and each table gets its own copy; an empty first table puts the second at 0.
    template <typename T>
    StreamRead ReadSplit(const std::wstring& name, int32_t firstCount, int32_t secondCount,
                         T*& first, T*& second, int64_t limit = kMaxTableBytes) {
        const int64_t a = EntryCount(firstCount);
        const int64_t b = EntryCount(secondCount);
        if (!CheckCount(name, firstCount, sizeof(T), limit, true) ||
            !CheckCount(name, secondCount, sizeof(T), limit, true) ||
            !CheckCount(name, a + b, sizeof(T), limit) || !Open(name)) {
            return StreamRead::Skipped;
        }
        const Scratch scratch(AllocateForFill<T>(a + b));
        if (scratch == nullptr) {
            return StreamRead::Skipped;
        }
        T* entries = static_cast<T*>(scratch.get());
        const StreamRead read = ReadOpen(entries, static_cast<std::size_t>(a + b) * sizeof(T));
        if (read != StreamRead::Done) {
            return read;
        }
        first = CopyOf(entries, a);
        second = CopyOf(entries + a, b);
        return StreamRead::Done;
    }

private:
    struct ScratchFree {
        void operator()(void* memory) const { std::free(memory); }
    };
    using Scratch = std::unique_ptr<void, ScratchFree>;

    template <typename T>
    static T* CopyOf(const T* entries, int64_t count) {
        T* copy = AllocateForFill<T>(count);
        if (copy != nullptr) {
            std::memcpy(copy, entries, static_cast<std::size_t>(count) * sizeof(T));
        }
        return copy;
    }

    bool Open(const std::wstring& name);
    // Whether a count can size a table: more than zero (or zero, where allowed) and within the
    // limit. A negative count or one over the limit is reported.
    bool CheckCount(const std::wstring& name, int64_t count, std::size_t entrySize, int64_t limit,
                    bool zeroAllowed = false);
    void Report(FindingKind kind, const std::wstring& stream, std::string message) const;
    // Reads from the stream just opened, then closes it. The bytes that the stream does not
    // supply are zeroed after the read, so the target need not be zero before it.
    StreamRead ReadOpen(void* target, std::size_t bytes);

    CSSFile& file_;
    ILoadObserver* observer_;
    std::vector<std::wstring> storages_;
    std::wstring streamName_;
    COleStreamFile stream_;
};

}  // namespace vqdf
