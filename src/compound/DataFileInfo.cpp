// The legacy loader: seven section storages whose streams are raw images of the records, read in
// a fixed order. It copies bytes and converts nothing.
#include "compound/DataFileInfo.h"

#include <algorithm>
#include <cwctype>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "compound/LegacyFormat.h"
#include "compound/LegacyStreams.h"
#include "model/RecordLayout.h"
#include "model/TableMemory.h"
#include "platform/CodePage.h"

namespace vqdf {
namespace {

bool Succeeded(StreamRead read) { return read != StreamRead::Failed; }

// Enters the section's storage, reads it, and climbs back to the root. A missing storage skips
// the section; only a failing read ends the load.
bool ReadSection(CLegacyStreams& streams, std::string_view storage,
                 const std::function<bool()>& read) {
    if (!streams.EnterStorage(storage)) {
        return true;
    }
    const bool readAll = read();
    streams.LeaveStorage();
    return readAll;
}

bool ReadDevice(CLegacyStreams& streams, DeviceInfo& device) {
    if (!Succeeded(streams.ReadImage(legacy::kDeviceInfo, &device, layout::kDeviceImageBytes))) {
        return false;
    }
    return Succeeded(
        streams.ReadNewTable(legacy::kDiagNumber, device.DiagNumberCount, device.DiagNumbers));
}

bool ReadIO(CLegacyStreams& streams, IOSpec& io) {
    return Succeeded(streams.ReadImage(legacy::kIOInfo, &io, layout::kIOImageBytes)) &&
           Succeeded(streams.ReadSplit(legacy::kTerminalInfo, io.InputCount, io.OutputCount,
                                       io.InputTerminals, io.OutputTerminals)) &&
           Succeeded(streams.ReadSplit(legacy::kIOFuncMsgTitle, io.InputFuncTitleCount,
                                       io.OutputFuncTitleCount, io.InputFuncTitles,
                                       io.OutputFuncTitles));
}

bool ReadTrips(CLegacyStreams& streams, TripSpec& trip) {
    return Succeeded(streams.ReadImage(legacy::kTripInfo, &trip, layout::kTripImageBytes)) &&
           Succeeded(streams.ReadSplit(legacy::kTripName, trip.TripCount, trip.WarnCount,
                                       trip.TripNames, trip.WarnNames,
                                       legacy::kMaxNameTableBytes)) &&
           Succeeded(streams.ReadSplit(legacy::kCommAddr, trip.TripAddrCount, trip.WarnAddrCount,
                                       trip.TripAddr, trip.WarnAddr)) &&
           Succeeded(streams.ReadSplit(legacy::kTripInfoData, trip.TripStatusInfoCount,
                                       trip.WarnStatusInfoCount, trip.TripStatusInfoData,
                                       trip.WarnStatusInfoData));
}

// Hands out the titles of one stream to the messages in order, each taking as many as its count
// says; a message with no titles takes none and gets no array. Only the first `supplied` bytes
// came from the stream: the titles after them are zero and are not copied.
void DealTitles(CLegacyStreams& streams, const MsgTitle* titles, std::size_t supplied,
                int32_t counted, MessageSpec& message) {
    std::size_t next = 0;
    for (int32_t m = 0; m < counted; ++m) {
        MessageInfo& entry = message.Messages[m];
        if (entry.TitleInfoCount <= 0) {
            continue;
        }
        const std::size_t bytes = static_cast<std::size_t>(entry.TitleInfoCount) * sizeof(MsgTitle);
        const std::size_t copied = std::min(bytes, supplied - std::min(supplied, next));
        entry.TitleInfo = copied == bytes ? AllocateForFill<MsgTitle>(entry.TitleInfoCount)
                                          : AllocateZeroed<MsgTitle>(entry.TitleInfoCount);
        if (entry.TitleInfo != nullptr && copied > 0) {
            std::memcpy(entry.TitleInfo, reinterpret_cast<const char*>(titles) + next, copied);
        }
        streams.NoteHeld(entry.TitleInfo, copied, bytes);
        next += bytes;
    }
}

// Only the messages whose title counts the stream supplied can have titles; the entries after
// them are never touched, however many the count declares. Returns how many those are through
// counted.
bool ReadMessages(CLegacyStreams& streams, MessageSpec& message, int64_t& counted) {
    counted = 0;
    if (!Succeeded(
            streams.ReadImage(legacy::kTotalMessage, &message.MessageCount, sizeof(int32_t)))) {
        return false;
    }
    int32_t* titleCounts = nullptr;
    const StreamRead countsRead =
        message.MessageCount > 0 && WithinLimit(message.MessageCount, legacy::kMessageEntryBytes,
                                                legacy::kMaxMessagesBytes)
            ? streams.ReadNewTable(legacy::kMsgTitleNum, message.MessageCount, titleCounts)
            : StreamRead::Skipped;
    if (countsRead != StreamRead::Done) {
        FreeArray(titleCounts);
        return Succeeded(countsRead);
    }
    message.Messages = AllocateZeroed<MessageInfo>(message.MessageCount);
    // A count the stream cuts short keeps the bytes it has, the rest zero.
    const auto supplied =
        static_cast<int32_t>((streams.LastSupplied() + sizeof(int32_t) - 1) / sizeof(int32_t));
    counted = message.Messages != nullptr ? supplied : 0;
    streams.NoteHeld(message.Messages, static_cast<std::size_t>(counted) * sizeof(MessageInfo),
                     static_cast<std::size_t>(message.MessageCount) * sizeof(MessageInfo));
    int64_t titleSum = 0;
    for (int32_t m = 0; message.Messages != nullptr && m < supplied; ++m) {
        message.Messages[m].TitleInfoCount = titleCounts[m];
        titleSum += EntryCount(titleCounts[m]);
    }
    FreeArray(titleCounts);
    MsgTitle* titles = nullptr;
    const StreamRead titlesRead = message.Messages != nullptr
                                      ? streams.ReadNewTable(legacy::kMsgTitle, titleSum, titles)
                                      : StreamRead::Skipped;
    if (titlesRead == StreamRead::Done) {
        DealTitles(streams, titles, streams.LastSupplied(), supplied, message);
    }
    FreeArray(titles);
    return Succeeded(titlesRead);
}

bool ReadCommon(CLegacyStreams& streams, CommonSpec& common) {
    return Succeeded(
               streams.ReadImage(legacy::kTotalCommon, &common.CommonCount, sizeof(int32_t))) &&
           Succeeded(streams.ReadAllocatedTable(legacy::kCommonInfo, common.CommonCount,
                                                common.CommonParams, legacy::kMaxCommonBytes));
}

// One group storage, "Group-<index>"; a missing storage or "Group Info" leaves the entry zero.
bool ReadGroup(CLegacyStreams& streams, int32_t index, GroupInfo& group) {
    return ReadSection(streams, legacy::GroupStorageName(index), [&] {
        const StreamRead info =
            streams.ReadImage(legacy::kGroupInfo, &group, layout::kGroupImageBytes);
        if (info != StreamRead::Done) {
            return Succeeded(info);
        }
        return Succeeded(streams.ReadNewTable(legacy::kParameter, group.ParameterCount,
                                              group.Parameters, legacy::kMaxParametersBytes));
    });
}

// The index n of a "Group-<n>" name below the count, as the loader would spell it; names
// compare without regard to case.
std::optional<int32_t> GroupIndex(const std::wstring& name, int32_t count) {
    const std::string_view prefix = legacy::kGroupStoragePrefix;
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 10) {
        return std::nullopt;
    }
    for (std::size_t k = 0; k < prefix.size(); ++k) {
        if (std::towlower(static_cast<wint_t>(name[k])) !=
            std::towlower(static_cast<wint_t>(prefix[k]))) {
            return std::nullopt;
        }
    }
    const std::wstring digits = name.substr(prefix.size());
    if (digits.find_first_not_of(L"0123456789") != std::wstring::npos ||
        (digits.size() > 1 && digits[0] == L'0')) {
        return std::nullopt;
    }
    const int64_t index = std::stoll(digits);
    return index < count ? std::optional<int32_t>(static_cast<int32_t>(index)) : std::nullopt;
}

// A count far beyond the group storages a file holds must not cost a lookup for each missing
// group: only the storages present are read, in index order; the other entries stay zero.
bool ReadGroups(CLegacyStreams& streams, ParaSpec& para, int64_t& groupArraysEnd) {
    groupArraysEnd = 0;
    if (!Succeeded(streams.ReadImage(legacy::kTotalGroup, &para.GroupCount, sizeof(int32_t)))) {
        return false;
    }
    if (para.GroupCount <= 0 ||
        !WithinLimit(para.GroupCount, legacy::kGroupEntryBytes, legacy::kMaxGroupsBytes)) {
        return true;
    }
    para.Groups = AllocateZeroed<GroupInfo>(para.GroupCount);
    if (para.Groups == nullptr) {
        return true;
    }
    std::set<int32_t> present;
    for (const std::wstring& name : streams.ChildNames()) {
        if (const auto index = GroupIndex(name, para.GroupCount)) {
            present.insert(*index);
        }
    }
    for (const int32_t n : present) {
        groupArraysEnd = int64_t{n} + 1;
        if (!ReadGroup(streams, n, para.Groups[n])) {
            return false;
        }
    }
    streams.NoteHeld(para.Groups, static_cast<std::size_t>(groupArraysEnd) * sizeof(GroupInfo),
                     static_cast<std::size_t>(para.GroupCount) * sizeof(GroupInfo));
    const int64_t missing = para.GroupCount - static_cast<int64_t>(present.size());
    if (missing > 0) {
        streams.Report(FindingKind::MissingStorage, std::string(legacy::kGroupStoragePrefix) + "*",
                       std::to_string(missing) + " of the " + std::to_string(para.GroupCount) +
                           " group storages are missing: their groups stay zero");
    }
    return true;
}

bool ReadInitOrder(CLegacyStreams& streams, InitOrder& initOrder) {
    return Succeeded(streams.ReadImage(legacy::kTotalInitOrder, &initOrder.InitOrderCount,
                                       sizeof(int32_t))) &&
           Succeeded(streams.ReadAllocatedTable(
               legacy::kInitOrderParaAddr, initOrder.InitOrderCount, initOrder.InitOrderAddrs));
}

}  // namespace

CDataFileInfo::CDataFileInfo(const std::wstring& path) { path_ = path; }

uint32_t CDataFileInfo::Load(const std::wstring& path) {
    CSSFile file;
    if (!file.Open(path, kReadShareExclusive)) {
        if (observer_ != nullptr) {
            observer_->OnFinding({FindingKind::MissingDocument, nullptr, "",
                                  "the file cannot be opened as a compound file: it is missing, "
                                  "not a compound file, or held by another program",
                                  ""});
        }
        return 0;
    }
    CLegacyStreams streams(file, observer_, heldBytes_);
    const bool read =
        ReadSection(streams, legacy::kDeviceSpec, [&] { return ReadDevice(streams, device_); }) &&
        ReadSection(streams, legacy::kIOSpec, [&] { return ReadIO(streams, io_); }) &&
        ReadSection(streams, legacy::kTripSpec, [&] { return ReadTrips(streams, trip_); }) &&
        ReadSection(streams, legacy::kMessageSpec,
                    [&] { return ReadMessages(streams, message_, messageArraysEnd_); }) &&
        ReadSection(streams, legacy::kCommonSpec, [&] { return ReadCommon(streams, common_); }) &&
        ReadSection(streams, legacy::kParameterSpec,
                    [&] { return ReadGroups(streams, para_, groupArraysEnd_); }) &&
        ReadSection(streams, legacy::kInitOrder,
                    [&] { return ReadInitOrder(streams, initOrder_); });
    file.Close();
    if (!read) {
        return 0;
    }
    path_ = path;
    return 1;
}

// The function titles and the trip and warning names are arrays of their own in a legacy file.
void CDataFileInfo::ReleaseTables() {
    FreeArray(io_.InputFuncTitles);
    FreeArray(io_.OutputFuncTitles);
    FreeArray(trip_.TripNames);
    FreeArray(trip_.WarnNames);
    FreeOwnedTables();
}

}  // namespace vqdf
