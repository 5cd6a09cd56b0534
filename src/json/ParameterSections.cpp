// "ParameterGroups", "CommonParameters" and "InitOrder", and the map of parameter ids from which
// every parameter address is computed.
#include "json/DataFileV2.h"
#include "json/JsonFormat.h"
#include "json/JsonValue.h"
#include "model/ParameterTypes.h"
#include "model/TableMemory.h"

namespace vqdf {

namespace key = json::key;
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
    para_.Groups = AllocateList<GroupInfo>(section.Size());
    GroupInfo* group = para_.Groups;
    // A table that could not be allocated keeps its count and stays absent.
    if (group == nullptr) {
        return true;
    }
    std::map<int32_t, bool> groupNumbers;
    for (const Value& element : section.GetArray()) {
        if (!ReadParameterGroup(element, *group) && Observed()) {
            Report(FindingKind::MissingSection, element, key::kParameters,
                   "the group has no parameter list: it keeps no parameters");
        }
        if (Observed() && !groupNumbers.emplace(group->GroupNum, true).second) {
            Report(FindingKind::DuplicateId, element, key::kGroupNum,
                   "group " + std::to_string(group->GroupNum) + " is given again");
        }
        ++group;
    }
    return true;
}

bool CDataFileV2::ReadParameterGroup(const Value& element, GroupInfo& group) {
    ReadIntField(element, key::kGroupNum, group.GroupNum);
    if (const auto title = TitleOf(element, std::wstring())) {
        CheckFit(json::StoreCodePage(WithoutGroupWord(*title), group.Title), element, key::kTitleId,
                 sizeof group.Title);
    }
    ReadHexField(element, key::kGroupAttr, group.GroupAttr);
    const Value& parameters = Member(element, key::kParameters);
    if (!parameters.IsArray()) {
        return false;
    }
    group.ParameterCount = static_cast<int32_t>(parameters.Size());
    group.Parameters = AllocateZeroed<ParamInfo>(parameters.Size());
    ParamInfo* param = group.Parameters;
    if (param == nullptr) {
        return true;
    }
    std::map<int32_t, bool> codeNumbers;
    for (const Value& item : parameters.GetArray()) {
        ReadParameter(item, *param);
        // The first parameter of an id keeps its entry; a later one with the same id has none.
        if (const auto id = ReadNumber(item, key::kId)) {
            const bool added = paramIds_
                                   .emplace(static_cast<uint32_t>(*id),
                                            ParamLocation{static_cast<uint32_t>(group.GroupNum),
                                                          static_cast<uint32_t>(param->CodeNum)})
                                   .second;
            if (!added && Observed()) {
                Report(FindingKind::DuplicateId, item, key::kId,
                       "parameter " + std::to_string(*id) + " is given again: it has no address");
            }
        }
        if (Observed() && !codeNumbers.emplace(param->CodeNum, true).second) {
            Report(FindingKind::DuplicateId, item, key::kCodeNum,
                   "code " + std::to_string(param->CodeNum) + " is given again in group " +
                       std::to_string(group.GroupNum));
        }
        ++param;
    }
    return true;
}

void CDataFileV2::ReadParameter(const Value& element, ParamInfo& param) {
    ReadIntField(element, key::kCodeNum, param.CodeNum);
    if (Observed() && (param.CodeNum < 0 || param.CodeNum > kMaxCodeNum)) {
        Report(FindingKind::OutOfRange, element, key::kCodeNum,
               "code " + std::to_string(param.CodeNum) +
                   " is outside 0 to 255: its address falls outside its group");
    }
    const std::wstring atValue = AtValueOf(element, platform::CodePage::ThreadAnsi);
    if (const auto title = TitleOf(element, atValue)) {
        CheckFit(json::StoreCodePage(*title, param.Title), element, key::kTitleId,
                 sizeof param.Title);
        json::StoreCodePage(*title, param.AltTitle);
    }
    ReadIntField(element, key::kDef, param.Def);
    ReadIntField(element, key::kMax, param.Max);
    ReadIntField(element, key::kMin, param.Min);
    ReadIntField(element, key::kDataType, param.DataType);
    ReadIntField(element, key::kPoint32, param.Point32);
    // An enumerated parameter names its message in place of the decimal point.
    if (param.DataType == kMessageDataType) {
        ReadIntField(element, key::kMessageId, param.Point32);
        CheckKnownMessage(element, key::kMessageId);
    }
    if (const auto unit = UnitOf(element)) {
        CheckFit(json::StoreUtf8(*unit, param.Unit), element, key::kUnitId, sizeof param.Unit);
    }
    ReadHexField(element, key::kAttr, param.Attr);
}

bool CDataFileV2::ReadCommonParameters(const Value& section) {
    if (!section.IsArray()) {
        return false;
    }
    common_.CommonCount = static_cast<int32_t>(section.Size());
    common_.CommonParams = AllocateZeroed<CommonInfo>(section.Size());
    CommonInfo* common = common_.CommonParams;
    if (common == nullptr) {
        return true;
    }
    for (const Value& element : section.GetArray()) {
        ReadHexField(element, key::kCommAddr, common->CommAddr);
        const std::wstring atValue = AtValueOf(element, platform::CodePage::ThreadAnsi);
        if (const auto title = TitleOf(element, atValue)) {
            CheckFit(json::StoreCodePage(*title, common->Title), element, key::kTitleId,
                     sizeof common->Title);
        }
        ReadIntField(element, key::kDef, common->Def);
        ReadIntField(element, key::kMax, common->Max);
        ReadIntField(element, key::kMin, common->Min);
        // A message id, when given, takes the place of the decimal point.
        ReadIntField(element, key::kPoint16, common->Point16);
        ReadIntField(element, key::kMessageId, common->Point16);
        CheckKnownMessage(element, key::kMessageId);
        if (const auto unit = UnitOf(element)) {
            CheckFit(json::StoreCodePage(*unit, common->Unit), element, key::kUnitId,
                     sizeof common->Unit);
        }
        ReadHexField(element, key::kAttr, common->Attr);
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
    if (slot == nullptr) {
        return true;
    }
    for (const Value& element : section.GetArray()) {
        if (const auto id = ReadNumber(element, key::kParameterId)) {
            CheckKnownParam(element, key::kParameterId);
            *slot++ = static_cast<int32_t>(CommAddress16(static_cast<uint32_t>(*id)));
        }
    }
    return true;
}

}  // namespace vqdf
