// One read call per stream, from its start; a short stream is not an error.
#include "compound/LegacyStreams.h"

#include <algorithm>
#include <cstring>

namespace vqdf {
namespace {

// Storage and stream names are ASCII; the platform takes them as wide text.
std::wstring Widen(std::string_view name) { return std::wstring(name.begin(), name.end()); }

}  // namespace

bool CLegacyStreams::EnterStorage(std::string_view name) {
    if (!file_.OpenStorage(Widen(name), kReadShareExclusive)) {
        Report(FindingKind::MissingStorage, name, "the storage is missing: its records stay zero");
        return false;
    }
    storages_.emplace_back(name);
    return true;
}

void CLegacyStreams::LeaveStorage() {
    if (file_.CloseStorage()) {
        storages_.pop_back();
    }
}

bool CLegacyStreams::Open(std::string_view name) {
    streamName_ = std::string(name);
    if (file_.OpenStream(Widen(name), stream_, kReadShareExclusive)) {
        return true;
    }
    Report(FindingKind::MissingStream, name, "the stream is missing");
    return false;
}

bool CLegacyStreams::CheckCount(std::string_view name, int64_t count, std::size_t entrySize,
                                int64_t limit, bool zeroAllowed) {
    if (count < 0) {
        Report(FindingKind::OutOfRange, name,
               "a count of " + std::to_string(count) + " is negative: the table has no entries");
        return zeroAllowed;
    }
    if (!WithinLimit(count, entrySize, limit)) {
        Report(FindingKind::OutOfRange, name,
               std::to_string(count) + " entries of " + std::to_string(entrySize) +
                   " bytes are over the limit of " + std::to_string(limit) +
                   " bytes: the table is not read");
        return false;
    }
    // A table larger than the address space cannot be allocated: skipped as a failed
    // allocation is, with its count kept.
    if (static_cast<uint64_t>(count) > SIZE_MAX / entrySize) {
        Report(FindingKind::OutOfRange, name,
               std::to_string(count) + " entries of " + std::to_string(entrySize) +
                   " bytes cannot be held in memory: the table is not read");
        return false;
    }
    return count > 0 || zeroAllowed;
}

void CLegacyStreams::Report(FindingKind kind, std::string_view child, std::string message) const {
    if (observer_ == nullptr) {
        return;
    }
    std::string place;
    for (const std::string& storage : storages_) {
        place += "/" + storage;
    }
    place += "/";
    place += child;
    observer_->OnFinding({kind, nullptr, std::move(place), std::move(message), ""});
}

StreamRead CLegacyStreams::ReadOpen(void* target, std::size_t bytes, std::size_t zeroFrom,
                                    std::size_t capacity) {
    const std::optional<std::size_t> read = stream_.Read(target, std::min(bytes, capacity));
    stream_.Close();
    const std::size_t supplied = std::min(read.value_or(0), bytes);
    supplied_ = supplied;
    if (supplied < zeroFrom) {
        std::memset(static_cast<char*>(target) + supplied, 0, zeroFrom - supplied);
    }
    if (read && supplied < bytes) {
        Report(FindingKind::ShortStream, streamName_,
               "the stream holds " + std::to_string(supplied) + " of the " + std::to_string(bytes) +
                   " bytes its count needs: the rest stays zero");
    }
    return read ? StreamRead::Done : StreamRead::Failed;
}

StreamRead CLegacyStreams::ReadImage(std::string_view name, void* target, std::size_t bytes) {
    if (!Open(name)) {
        return StreamRead::Skipped;
    }
    return ReadOpen(target, bytes, bytes);
}

}  // namespace vqdf
