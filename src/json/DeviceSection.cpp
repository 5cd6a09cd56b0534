// "Device" and "IO": the drive's identity, its fixed register addresses and its terminals.
#include <algorithm>

#include "json/DataFileV2.h"
#include "json/JsonFormat.h"
#include "model/TableMemory.h"

namespace vqdf {

namespace key = json::key;

namespace {

enum DeviceKey {
    kDataFileVersion,
    kModelNo,
    kModel,
    kInvSwVersion,
    kKeypadCommOffset16,
    kKeypadCommOffset32,
    kModelNoCommAddr,
    kMotorStatusCommAddr,
    kInvStatusCommAddr,
    kInvControlCommAddr,
    kParaSaveCommAddr,
    kParaStatusNum,
    kParaControlNum,
    kDeviceKeyCount
};
constexpr std::array<std::string_view, kDeviceKeyCount> kDeviceKeys = {key::kDataFileVersion,
                                                                       key::kModelNo,
                                                                       key::kModel,
                                                                       key::kInvSwVersion,
                                                                       key::kKeypadCommOffset16,
                                                                       key::kKeypadCommOffset32,
                                                                       key::kModelNoCommAddr,
                                                                       key::kMotorStatusCommAddr,
                                                                       key::kInvStatusCommAddr,
                                                                       key::kInvControlCommAddr,
                                                                       key::kParaSaveCommAddr,
                                                                       key::kParaStatusNum,
                                                                       key::kParaControlNum};

enum HalfKey {
    kTotalNumOfBasic,
    kTotalNumOfExt,
    kStatusCommAddr,
    kBasicTerminalInfo,
    kExtTerminalInfo,
    kMessageId,
    kHalfKeyCount
};
constexpr std::array<std::string_view, kHalfKeyCount> kHalfKeys = {
    key::kTotalNumOfBasic,   key::kTotalNumOfExt,   key::kStatusCommAddr,
    key::kBasicTerminalInfo, key::kExtTerminalInfo, key::kMessageId};

enum TerminalKey { kTitleId, kAtValue, kCommAddr, kTerminalKeyCount };
constexpr std::array<std::string_view, kTerminalKeyCount> kTerminalKeys = {
    key::kTitleId, key::kAtValue, key::kCommAddr};

}  // namespace

void CDataFileV2::ReadDevice(const Value& section) {
    const json::Members<kDeviceKeyCount> device(section, kDeviceKeys);
    findings_.CheckFit(json::CopyFixedText(device[kDataFileVersion], device_.DataFileVersion),
                       section, key::kDataFileVersion, sizeof device_.DataFileVersion - 1);
    findings_.ReadIntField(device.At(kModelNo), device_.ModelNo);
    findings_.CheckFit(json::CopyFixedText(device[kModel], device_.Model), section, key::kModel,
                       json::kTextBufferBytes);
    findings_.CheckFit(json::CopyFixedText(device[kInvSwVersion], device_.InvSwVersion), section,
                       key::kInvSwVersion, sizeof device_.InvSwVersion - 1);
    findings_.ReadHexField(device.At(kKeypadCommOffset16), device_.KeypadCommOffset16);
    findings_.ReadHexField(device.At(kKeypadCommOffset32), extend_.KeypadCommOffset32);
    findings_.ReadHexField(device.At(kModelNoCommAddr), device_.ModelNoCommAddr);
    findings_.ReadHexField(device.At(kMotorStatusCommAddr), device_.MotorStatusCommAddr);
    findings_.ReadHexField(device.At(kInvStatusCommAddr), device_.InvStatusCommAddr);
    findings_.ReadHexField(device.At(kInvControlCommAddr), device_.InvControlCommAddr);
    findings_.ReadHexField(device.At(kParaSaveCommAddr), device_.ParaSaveCommAddr);
    findings_.ReadIntField(device.At(kParaStatusNum), paraStatusNum_);
    findings_.ReadIntField(device.At(kParaControlNum), paraControlNum_);
    deviceCounts_ = {paraStatusNum_, paraControlNum_};
}

// One half of IOSpec from "Input" or "Output". Extension terminals always start at the basic
// count; each array is read only up to its own declared count.
bool CDataFileV2::ReadTerminalHalf(const Value& half, int32_t& total, int32_t& basic,
                                   int32_t& statusAddr, TerminalInfo*& terminals,
                                   int32_t& funcCount, MsgTitle*& funcTitles) {
    if (!half.IsObject()) {
        return false;
    }
    const json::Members<kHalfKeyCount> members(half, kHalfKeys);
    findings_.ReadIntField(members.At(kTotalNumOfBasic), basic);
    if (const auto extension = findings_.ReadNumber(members.At(kTotalNumOfExt))) {
        total = static_cast<int32_t>(static_cast<int64_t>(basic) + *extension);
        if (total < 0 && findings_.Observed()) {
            findings_.Report(
                FindingKind::OutOfRange, half, key::kTotalNumOfExt,
                "a count of " + std::to_string(total) + " is negative: the table has no entries");
        }
    }
    findings_.ReadHexField(members.At(kStatusCommAddr), statusAddr);
    if (total > 0) {
        // Terminals that could not be allocated keep their count and stay absent.
        terminals = AllocateZeroed<TerminalInfo>(total);
        const int64_t basicEntries = std::clamp<int64_t>(basic, 0, total);
        const Value& basicList = members[kBasicTerminalInfo];
        CheckTerminalList(members.At(kBasicTerminalInfo), basicEntries);
        if (!basicList.IsArray()) {
            return false;
        }
        const int64_t basicRead = std::min<int64_t>(basicList.Size(), basicEntries);
        for (int64_t k = 0; terminals != nullptr && k < basicRead; ++k) {
            ReadTerminal(basicList[static_cast<rapidjson::SizeType>(k)], terminals[k]);
        }
        const Value& extList = members[kExtTerminalInfo];
        const int64_t extEntries = total - basicEntries;
        CheckTerminalList(members.At(kExtTerminalInfo), extEntries);
        if (!extList.IsArray()) {
            return false;
        }
        const int64_t extRead = std::min<int64_t>(extList.Size(), extEntries);
        for (int64_t k = 0; terminals != nullptr && k < extRead; ++k) {
            ReadTerminal(extList[static_cast<rapidjson::SizeType>(k)], terminals[basicEntries + k]);
        }
    }
    MessageReference(members.At(kMessageId), funcCount, funcTitles);
    return true;
}

void CDataFileV2::ReadTerminal(const Value& element, TerminalInfo& terminal) {
    const json::Members<kTerminalKeyCount> members(element, kTerminalKeys);
    const std::wstring atValue =
        findings_.AtValue(members.At(kAtValue), platform::CodePage::SystemAnsi);
    if (const auto title = TitleOf(members.At(kTitleId), atValue)) {
        // At most as many bytes as the name has characters.
        const std::size_t limit = std::min(sizeof terminal.Title, json::CharacterCount(*title));
        findings_.CheckFit(json::StoreCodePage(*title, terminal.Title, limit), element,
                           key::kTitleId, limit);
    }
    findings_.ReadHexField(members.At(kCommAddr), terminal.CommAddr);
}

// The counts size the terminal table; the lists only fill it.
void CDataFileV2::CheckTerminalList(const Field& list, int64_t entries) const {
    if (!findings_.Observed()) {
        return;
    }
    const int64_t given = list.value.IsArray() ? list.value.Size() : 0;
    if (given != entries) {
        findings_.Report(
            FindingKind::CountMismatch, list.object, list.key,
            std::to_string(given) + " terminals listed for a count of " + std::to_string(entries));
    }
}

}  // namespace vqdf
