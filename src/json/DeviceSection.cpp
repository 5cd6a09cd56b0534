// "Device" and "IO": the drive's identity, its fixed register addresses and its terminals.
#include <algorithm>

#include "json/DataFileV2.h"
#include "json/JsonFormat.h"
#include "json/JsonValue.h"
#include "model/TableMemory.h"

namespace vqdf {

namespace key = json::key;
namespace {

using json::Member;

}  // namespace

void CDataFileV2::ReadDevice(const Value& section) {
    CheckFit(json::CopyFixedText(Member(section, key::kDataFileVersion), device_.DataFileVersion),
             section, key::kDataFileVersion, sizeof device_.DataFileVersion - 1);
    ReadIntField(section, key::kModelNo, device_.ModelNo);
    CheckFit(json::CopyFixedText(Member(section, key::kModel), device_.Model), section, key::kModel,
             json::kTextBufferBytes);
    CheckFit(json::CopyFixedText(Member(section, key::kInvSwVersion), device_.InvSwVersion),
             section, key::kInvSwVersion, sizeof device_.InvSwVersion - 1);
    ReadHexField(section, key::kKeypadCommOffset16, device_.KeypadCommOffset16);
    ReadHexField(section, key::kKeypadCommOffset32, extend_.KeypadCommOffset32);
    ReadHexField(section, key::kModelNoCommAddr, device_.ModelNoCommAddr);
    ReadHexField(section, key::kMotorStatusCommAddr, device_.MotorStatusCommAddr);
    ReadHexField(section, key::kInvStatusCommAddr, device_.InvStatusCommAddr);
    ReadHexField(section, key::kInvControlCommAddr, device_.InvControlCommAddr);
    ReadHexField(section, key::kParaSaveCommAddr, device_.ParaSaveCommAddr);
    ReadIntField(section, key::kParaStatusNum, paraStatusNum_);
    ReadIntField(section, key::kParaControlNum, paraControlNum_);
}

// One half of IOSpec from "Input" or "Output". Extension terminals always start at the basic
// count; each array is read only up to its own declared count.
bool CDataFileV2::ReadTerminalHalf(const Value& half, int32_t& total, int32_t& basic,
                                   int32_t& statusAddr, TerminalInfo*& terminals,
                                   int32_t& funcCount, MsgTitle*& funcTitles) {
    if (!half.IsObject()) {
        return false;
    }
    ReadIntField(half, key::kTotalNumOfBasic, basic);
    if (const auto extension = ReadNumber(half, key::kTotalNumOfExt)) {
        total = static_cast<int32_t>(static_cast<int64_t>(basic) + *extension);
    }
    ReadHexField(half, key::kStatusCommAddr, statusAddr);
    if (total > 0) {
        terminals = AllocateZeroed<TerminalInfo>(total);
        const Value& basicList = Member(half, key::kBasicTerminalInfo);
        const int64_t basicEntries = std::clamp<int64_t>(basic, 0, total);
        CheckTerminalList(half, key::kBasicTerminalInfo, basicEntries);
        if (!basicList.IsArray()) {
            return false;
        }
        // Terminals that could not be allocated keep their count and stay absent.
        for (int64_t k = 0;
             terminals != nullptr && k < std::min<int64_t>(basicList.Size(), basicEntries); ++k) {
            ReadTerminal(basicList[static_cast<rapidjson::SizeType>(k)], terminals[k]);
        }
        const Value& extList = Member(half, key::kExtTerminalInfo);
        const int64_t extEntries = total - basicEntries;
        CheckTerminalList(half, key::kExtTerminalInfo, extEntries);
        if (!extList.IsArray()) {
            return false;
        }
        for (int64_t k = 0;
             terminals != nullptr && k < std::min<int64_t>(extList.Size(), extEntries); ++k) {
            ReadTerminal(extList[static_cast<rapidjson::SizeType>(k)], terminals[basicEntries + k]);
        }
    }
    MessageReference(half, funcCount, funcTitles);
    return true;
}

void CDataFileV2::ReadTerminal(const Value& element, TerminalInfo& terminal) {
    const std::wstring atValue = AtValueOf(element, platform::CodePage::SystemAnsi);
    if (const auto title = TitleOf(element, atValue)) {
        CheckFit(json::StoreCodePage(*title, terminal.Title), element, key::kTitleId,
                 sizeof terminal.Title);
    }
    ReadHexField(element, key::kCommAddr, terminal.CommAddr);
}

// The counts size the terminal table; the lists only fill it.
void CDataFileV2::CheckTerminalList(const Value& half, std::string_view key,
                                    int64_t entries) const {
    if (!Observed()) {
        return;
    }
    const Value& list = Member(half, key);
    const int64_t given = list.IsArray() ? list.Size() : 0;
    if (given != entries) {
        Report(
            FindingKind::CountMismatch, half, key,
            std::to_string(given) + " terminals listed for a count of " + std::to_string(entries));
    }
}

}  // namespace vqdf
