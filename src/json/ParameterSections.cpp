// "ParameterGroups", "CommonParameters" and "InitOrder", and the map of parameter ids from which
// every parameter address is computed.
#include "json/DataFileV2.h"
#include "json/JsonValue.h"
#include "model/ParameterTypes.h"
#include "model/TableMemory.h"

namespace vqdf {
namespace {

using json::Member;

// A code number beyond this one gives an address inside the next group's range.
constexpr int32_t kMaxCodeNum = 255;

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
    std::map<int32_t, bool> groupNumbers;
    for (const Value& element : section.GetArray()) {
        if (!ReadParameterGroup(element, *group) && Observed()) {
            Report(FindingKind::MissingSection, element, "Parameters",
                   "the group has no parameter list: it keeps no parameters");
        }
        if (Observed() && !groupNumbers.emplace(group->GroupNum, true).second) {
            Report(FindingKind::DuplicateId, element, "GroupNum",
                   "group " + std::to_string(group->GroupNum) + " is given again");
        }
        ++group;
    }
    return true;
}

bool CDataFileV2::ReadParameterGroup(const Value& element, GroupInfo& group) {
    ReadIntField(element, "GroupNum", group.GroupNum);
    if (const auto title = TitleOf(element, std::wstring())) {
        CheckFit(json::StoreCodePage(WithoutGroupWord(*title), group.Title), element, "Title::id",
                 sizeof group.Title);
    }
    ReadHexField(element, "GroupAttr", group.GroupAttr);
    const Value& parameters = Member(element, "Parameters");
    if (!parameters.IsArray()) {
        return false;
    }
    group.ParameterCount = static_cast<int32_t>(parameters.Size());
    group.Parameters = AllocateZeroed<ParamInfo>(parameters.Size());
    ParamInfo* param = group.Parameters;
    std::map<int32_t, bool> codeNumbers;
    for (const Value& item : parameters.GetArray()) {
        ReadParameter(item, *param);
        // The first parameter of an id keeps its entry; a later one with the same id has none.
        if (const auto id = ReadNumber(item, "id")) {
            const bool added = paramIds_
                                   .emplace(static_cast<uint32_t>(*id),
                                            ParamLocation{static_cast<uint32_t>(group.GroupNum),
                                                          static_cast<uint32_t>(param->CodeNum)})
                                   .second;
            if (!added && Observed()) {
                Report(FindingKind::DuplicateId, item, "id",
                       "parameter " + std::to_string(*id) + " is given again: it has no address");
            }
        }
        if (Observed() && !codeNumbers.emplace(param->CodeNum, true).second) {
            Report(FindingKind::DuplicateId, item, "CodeNum",
                   "code " + std::to_string(param->CodeNum) + " is given again in group " +
                       std::to_string(group.GroupNum));
        }
        ++param;
    }
    return true;
}

void CDataFileV2::ReadParameter(const Value& element, ParamInfo& param) {
    ReadIntField(element, "CodeNum", param.CodeNum);
    if (Observed() && (param.CodeNum < 0 || param.CodeNum > kMaxCodeNum)) {
        Report(FindingKind::OutOfRange, element, "CodeNum",
               "code " + std::to_string(param.CodeNum) +
                   " is outside 0 to 255: its address falls outside its group");
    }
    const std::wstring atValue = AtValueOf(element, platform::CodePage::ThreadAnsi);
    if (const auto title = TitleOf(element, atValue)) {
        CheckFit(json::StoreCodePage(*title, param.Title), element, "Title::id",
                 sizeof param.Title);
        json::StoreCodePage(*title, param.AltTitle);
    }
    ReadIntField(element, "Def", param.Def);
    ReadIntField(element, "Max", param.Max);
    ReadIntField(element, "Min", param.Min);
    ReadIntField(element, "DataType", param.DataType);
    ReadIntField(element, "Point32", param.Point32);
    // An enumerated parameter names its message in place of the decimal point.
    if (param.DataType == kMessageDataType) {
        ReadIntField(element, "Message::id", param.Point32);
        CheckKnownMessage(element, "Message::id");
    }
    if (const auto unit = UnitOf(element)) {
        CheckFit(json::StoreUtf8(*unit, param.Unit), element, "Unit::id", sizeof param.Unit);
    }
    ReadHexField(element, "Attr", param.Attr);
}

bool CDataFileV2::ReadCommonParameters(const Value& section) {
    if (!section.IsArray()) {
        return false;
    }
    common_.CommonCount = static_cast<int32_t>(section.Size());
    common_.CommonParams = AllocateZeroed<CommonInfo>(section.Size());
    CommonInfo* common = common_.CommonParams;
    for (const Value& element : section.GetArray()) {
        ReadHexField(element, "CommAddr", common->CommAddr);
        const std::wstring atValue = AtValueOf(element, platform::CodePage::ThreadAnsi);
        if (const auto title = TitleOf(element, atValue)) {
            CheckFit(json::StoreCodePage(*title, common->Title), element, "Title::id",
                     sizeof common->Title);
        }
        ReadIntField(element, "Def", common->Def);
        ReadIntField(element, "Max", common->Max);
        ReadIntField(element, "Min", common->Min);
        // A message id, when given, takes the place of the decimal point.
        ReadIntField(element, "Point16", common->Point16);
        ReadIntField(element, "Message::id", common->Point16);
        CheckKnownMessage(element, "Message::id");
        if (const auto unit = UnitOf(element)) {
            CheckFit(json::StoreCodePage(*unit, common->Unit), element, "Unit::id",
                     sizeof common->Unit);
        }
        ReadHexField(element, "Attr", common->Attr);
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
        if (const auto id = ReadNumber(element, "Parameter::id")) {
            CheckKnownParam(element, "Parameter::id");
            *slot++ = static_cast<int32_t>(CommAddress16(static_cast<uint32_t>(*id)));
        }
    }
    return true;
}

}  // namespace vqdf
