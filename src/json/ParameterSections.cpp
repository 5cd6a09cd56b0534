// "ParameterGroups", "CommonParameters" and "InitOrder", and the map of parameter ids from which
// every parameter address is computed.
#include "json/DataFileV2.h"
#include "json/JsonValue.h"
#include "model/TableMemory.h"

namespace vqdf {
namespace {

using json::Member;
using json::ReadHexInto;
using json::ReadIntInto;

constexpr int32_t kMessageDataType = 255;

// Every occurrence of " Group" goes, also inside a longer word.
std::wstring WithoutGroupWord(std::wstring title) {
    const std::wstring word = L" Group";
    for (std::size_t at = title.find(word); at != std::wstring::npos; at = title.find(word, at)) {
        title.erase(at, word.size());
    }
    return title;
}

}  // namespace

bool CDataFileV2::ReadParameterGroups(const Value& section) {
    if (!section.IsArray()) {
        return false;
    }
    para_.GroupCount = static_cast<int32_t>(section.Size());
    para_.Groups = AllocateZeroed<GroupInfo>(section.Size());
    GroupInfo* group = para_.Groups;
    for (const Value& element : section.GetArray()) {
        ReadParameterGroup(element, *group++);
    }
    return true;
}

bool CDataFileV2::ReadParameterGroup(const Value& element, GroupInfo& group) {
    ReadIntInto(element, "GroupNum", group.GroupNum);
    if (const auto titleId = json::ReadInt(element, "Title::id")) {
        json::StoreCodePage(WithoutGroupWord(BuildTitle(static_cast<uint32_t>(*titleId), -1)),
                            group.Title);
    }
    ReadHexInto(element, "GroupAttr", group.GroupAttr);
    const Value& parameters = Member(element, "Parameters");
    if (!parameters.IsArray()) {
        return false;
    }
    group.ParameterCount = static_cast<int32_t>(parameters.Size());
    group.Parameters = AllocateZeroed<ParamInfo>(parameters.Size());
    ParamInfo* param = group.Parameters;
    for (const Value& item : parameters.GetArray()) {
        ReadParameter(item, *param);
        // The first parameter of an id keeps its entry; a later one with the same id has none.
        if (const auto id = json::ReadInt(item, "id")) {
            paramIds_.emplace(static_cast<uint32_t>(*id),
                              ParamLocation{static_cast<uint32_t>(group.GroupNum),
                                            static_cast<uint32_t>(param->CodeNum)});
        }
        ++param;
    }
    return true;
}

void CDataFileV2::ReadParameter(const Value& element, ParamInfo& param) {
    ReadIntInto(element, "CodeNum", param.CodeNum);
    const std::wstring atValue =
        json::CodePageText(Member(element, "AtValue"), platform::CodePage::ThreadAnsi);
    if (const auto titleId = json::ReadInt(element, "Title::id")) {
        const std::wstring title = BuildTitle(static_cast<uint32_t>(*titleId), atValue);
        json::StoreCodePage(title, param.Title);
        json::StoreCodePage(title, param.AltTitle);
    }
    ReadIntInto(element, "Def", param.Def);
    ReadIntInto(element, "Max", param.Max);
    ReadIntInto(element, "Min", param.Min);
    ReadIntInto(element, "DataType", param.DataType);
    ReadIntInto(element, "Point32", param.Point32);
    // An enumerated parameter names its message in place of the decimal point.
    if (param.DataType == kMessageDataType) {
        ReadIntInto(element, "Message::id", param.Point32);
    }
    if (const auto unitId = json::ReadInt(element, "Unit::id")) {
        json::StoreUtf8(BuildUnit(static_cast<uint32_t>(*unitId)), param.Unit);
    }
    ReadHexInto(element, "Attr", param.Attr);
}

bool CDataFileV2::ReadCommonParameters(const Value& section) {
    if (!section.IsArray()) {
        return false;
    }
    common_.CommonCount = static_cast<int32_t>(section.Size());
    common_.CommonParams = AllocateZeroed<CommonInfo>(section.Size());
    CommonInfo* common = common_.CommonParams;
    for (const Value& element : section.GetArray()) {
        ReadHexInto(element, "CommAddr", common->CommAddr);
        const std::wstring atValue =
            json::CodePageText(Member(element, "AtValue"), platform::CodePage::ThreadAnsi);
        if (const auto titleId = json::ReadInt(element, "Title::id")) {
            json::StoreCodePage(BuildTitle(static_cast<uint32_t>(*titleId), atValue),
                                common->Title);
        }
        ReadIntInto(element, "Def", common->Def);
        ReadIntInto(element, "Max", common->Max);
        ReadIntInto(element, "Min", common->Min);
        // A message id, when given, takes the place of the decimal point.
        ReadIntInto(element, "Point16", common->Point16);
        ReadIntInto(element, "Message::id", common->Point16);
        if (const auto unitId = json::ReadInt(element, "Unit::id")) {
            json::StoreCodePage(BuildUnit(static_cast<uint32_t>(*unitId)), common->Unit);
        }
        ReadHexInto(element, "Attr", common->Attr);
        ++common;
    }
    return true;
}

// Elements without a parameter id take no slot; the count stays the array's length and the
// slots at the end stay 0.
bool CDataFileV2::ReadInitOrder(const Value& section) {
    if (!section.IsArray()) {
        return false;
    }
    initOrder_.InitOrderCount = static_cast<int32_t>(section.Size());
    initOrder_.InitOrderAddrs = AllocateZeroed<int32_t>(section.Size());
    int32_t* slot = initOrder_.InitOrderAddrs;
    for (const Value& element : section.GetArray()) {
        if (const auto id = json::ReadInt(element, "Parameter::id")) {
            *slot++ = static_cast<int32_t>(CommAddress16(static_cast<uint32_t>(*id)));
        }
    }
    return true;
}

}  // namespace vqdf
