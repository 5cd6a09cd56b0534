// "Trips": the status values defined once in "StatusInfo" and listed by id for the current trip
// and the current warning.
#include <algorithm>
#include <cstring>

#include "json/DataFileV2.h"
#include "json/JsonFormat.h"
#include "model/FixedText.h"
#include "model/TableMemory.h"

namespace vqdf {

namespace key = json::key;

namespace {

enum StatusKey { kId, kAtValue, kTitleId, kDataType, kPoint16, kUnitId, kStatusKeyCount };
constexpr std::array<std::string_view, kStatusKeyCount> kStatusKeys = {
    key::kId, key::kAtValue, key::kTitleId, key::kDataType, key::kPoint16, key::kUnitId};

enum SlotKey { kStatusInfoId, kCommAddr, kSlotKeyCount };
constexpr std::array<std::string_view, kSlotKeyCount> kSlotKeys = {key::kStatusInfoId,
                                                                   key::kCommAddr};

// A status title is stored without terminator; in a slot it is terminated, so it keeps at most
// one byte less than the field.
template <std::size_t From, std::size_t To>
void CopyTerminated(const char (&from)[From], char (&to)[To]) {
    const std::string_view text = FieldText(from);
    const std::size_t length = std::min(text.size(), To - 1);
    std::memcpy(to, text.data(), length);
    to[length] = '\0';
}

}  // namespace

bool CDataFileV2::ReadStatusInfo(const Value& section) {
    statusTable_.clear();
    if (!section.IsArray()) {
        return false;
    }
    for (const Value& element : section.GetArray()) {
        const json::Members<kStatusKeyCount> members(element, kStatusKeys);
        StatusRecord record;
        const auto id = static_cast<uint32_t>(findings_.ReadNumber(members.At(kId)).value_or(0));
        const std::wstring atValue =
            findings_.AtValue(members.At(kAtValue), platform::CodePage::SystemAnsi);
        if (const auto title = TitleOf(members.At(kTitleId), atValue)) {
            // The slots keep the title terminated, one byte short of this field.
            const bool fitted = json::StoreCodePage(*title, record.Title) &&
                                record.Title[sizeof record.Title - 1] == 0;
            findings_.CheckFit(fitted, element, key::kTitleId, sizeof record.Title - 1);
        }
        findings_.ReadIntField(members.At(kDataType), record.DataType);
        findings_.ReadIntField(members.At(kPoint16), record.Point16);
        if (const auto unit = UnitOf(members.At(kUnitId))) {
            findings_.CheckFit(json::StoreUtf8(*unit, record.Unit), element, key::kUnitId,
                               sizeof record.Unit - 1);
        }
        if (findings_.Observed() && statusTable_.count(id) != 0) {
            findings_.Report(FindingKind::DuplicateId, element, key::kId,
                             "status information " + std::to_string(id) + " is given again");
        }
        statusTable_[id] = record;
    }
    return true;
}

// One half of TripSpec. Address elements that are not strings take no entry, so the entries at
// the end stay 0 while the count stays the array's length.
void CDataFileV2::ReadTripHalf(const Value& half, std::string_view firstAddrKey,
                               std::string_view addrKey, int32_t& firstAddr, int32_t& addrCount,
                               int32_t*& addrs, int32_t& statusCount, StatusInfoData*& statusData,
                               int32_t& nameCount, MsgTitle*& names) {
    const std::array<std::string_view, 4> keys = {firstAddrKey, addrKey, key::kStatusInfoData,
                                                  key::kMessageId};
    const json::Members<4> members(half, keys);
    findings_.ReadHexField(members.At(0), firstAddr);
    const Value& addrList = members[1];
    if (addrList.IsArray()) {
        addrCount = static_cast<int32_t>(addrList.Size());
        addrs = AllocateList<int32_t>(addrList.Size());
        int32_t* entry = addrs;
        // A table that could not be allocated keeps its count and stays absent.
        for (const Value& element : addrList.GetArray()) {
            if (entry == nullptr) {
                break;
            }
            if (const auto value = json::ParseHexText(element)) {
                *entry++ = static_cast<int32_t>(*value);
            } else if (findings_.Observed()) {
                findings_.Report(FindingKind::OutOfRange, element, "",
                                 "an address that is no text takes no entry");
            }
        }
    }
    const Value& statusList = members[2];
    if (statusList.IsArray()) {
        statusCount = static_cast<int32_t>(statusList.Size());
        statusData = AllocateZeroed<StatusInfoData>(statusList.Size());
        if (statusData != nullptr) {
            ReadStatusInfoData(statusList, statusData);
        }
    }
    MessageReference(members.At(3), nameCount, names);
}

void CDataFileV2::ReadStatusInfoData(const Value& list, StatusInfoData* slots) const {
    for (const Value& element : list.GetArray()) {
        StatusInfoData& slot = *slots++;
        const json::Members<kSlotKeyCount> members(element, kSlotKeys);
        const auto statusId = findings_.ReadNumber(members.At(kStatusInfoId));
        if (!statusId || *statusId == -1) {
            continue;
        }
        const auto found = statusTable_.find(static_cast<uint32_t>(*statusId));
        if (found == statusTable_.end()) {
            if (findings_.Observed()) {
                findings_.Report(FindingKind::UnknownId, element, key::kStatusInfoId,
                                 "no status information " + std::to_string(*statusId));
            }
            continue;
        }
        findings_.ReadHexField(members.At(kCommAddr), slot.CommAddr);
        const StatusRecord& record = found->second;
        CopyTerminated(record.Title, slot.Title);
        slot.DataType = record.DataType;
        slot.Point16 = record.Point16;
        CopyTerminated(record.Unit, slot.Unit);
    }
}

}  // namespace vqdf
