// "Device" and "IO": the drive's identity, its fixed register addresses and its terminals.
#include <algorithm>

#include "json/DataFileV2.h"
#include "json/JsonValue.h"
#include "model/TableMemory.h"

namespace vqdf {
namespace {

using json::Member;
using json::ReadHexInto;
using json::ReadIntInto;

// Terminal counts come from the file, not from the arrays: a count beyond any real drive would
// only allocate zeroed memory, so such a half keeps no terminals at all.
constexpr int32_t kMaxTerminalCount = 65535;

}  // namespace

void CDataFileV2::ReadDevice(const Value& section) {
    json::CopyFixedText(Member(section, "DataFileVersion"), device_.DataFileVersion);
    ReadIntInto(section, "ModelNo", device_.ModelNo);
    json::CopyFixedText(Member(section, "Model"), device_.Model);
    json::CopyFixedText(Member(section, "InvSwVersion"), device_.InvSwVersion);
    ReadHexInto(section, "KeypadCommOffset16", device_.KeypadCommOffset16);
    ReadHexInto(section, "KeypadCommOffset32", extend_.KeypadCommOffset32);
    ReadHexInto(section, "ModelNoCommAddr", device_.ModelNoCommAddr);
    ReadHexInto(section, "MotorStatusCommAddr", device_.MotorStatusCommAddr);
    ReadHexInto(section, "InvStatusCommAddr", device_.InvStatusCommAddr);
    ReadHexInto(section, "InvControlCommAddr", device_.InvControlCommAddr);
    ReadHexInto(section, "ParaSaveCommAddr", device_.ParaSaveCommAddr);
    ReadIntInto(section, "ParaStatusNum", paraStatusNum_);
    ReadIntInto(section, "ParaControlNum", paraControlNum_);
}

// One half of IOSpec from "Input" or "Output". Extension terminals always start at the basic
// count; each array is read only up to its own declared count.
bool CDataFileV2::ReadTerminalHalf(const Value& half, int32_t& total, int32_t& basic,
                                   int32_t& statusAddr, TerminalInfo*& terminals,
                                   int32_t& funcCount, MsgTitle*& funcTitles) {
    if (!half.IsObject()) {
        return false;
    }
    ReadIntInto(half, "TotalNumOfBasic", basic);
    if (const auto extension = json::ReadInt(half, "TotalNumOfExt")) {
        total = static_cast<int32_t>(static_cast<int64_t>(basic) + *extension);
    }
    ReadHexInto(half, "StatusCommAddr", statusAddr);
    if (total > kMaxTerminalCount) {
        total = 0;
        return false;
    }
    if (total > 0) {
        terminals = AllocateZeroed<TerminalInfo>(total);
        const Value& basicList = Member(half, "BasicTerminalInfo");
        if (!basicList.IsArray()) {
            return false;
        }
        const int64_t basicEntries = std::clamp<int64_t>(basic, 0, total);
        for (int64_t k = 0; k < std::min<int64_t>(basicList.Size(), basicEntries); ++k) {
            ReadTerminal(basicList[static_cast<rapidjson::SizeType>(k)], terminals[k]);
        }
        const Value& extList = Member(half, "ExtTerminalInfo");
        if (!extList.IsArray()) {
            return false;
        }
        const int64_t extEntries = total - basicEntries;
        for (int64_t k = 0; k < std::min<int64_t>(extList.Size(), extEntries); ++k) {
            ReadTerminal(extList[static_cast<rapidjson::SizeType>(k)], terminals[basicEntries + k]);
        }
    }
    MessageReference(half, funcCount, funcTitles);
    return true;
}

void CDataFileV2::ReadTerminal(const Value& element, TerminalInfo& terminal) {
    const std::wstring atValue =
        json::CodePageText(Member(element, "AtValue"), platform::CodePage::SystemAnsi);
    if (const auto titleId = json::ReadInt(element, "Title::id")) {
        json::StoreCodePage(BuildTitle(static_cast<uint32_t>(*titleId), atValue), terminal.Title);
    }
    ReadHexInto(element, "CommAddr", terminal.CommAddr);
}

}  // namespace vqdf
