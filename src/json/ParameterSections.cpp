// "ParameterGroups", "CommonParameters" and "InitOrder", and the map of parameter ids from which
// every parameter address is computed.
#include <cstring>
#include <set>

#include "json/DataFileV2.h"
#include "json/JsonFormat.h"
#include "model/ParameterTypes.h"
#include "model/TableMemory.h"

namespace vqdf {

namespace key = json::key;

namespace {

// A code number beyond this one gives an address inside the next group's range.
constexpr int32_t kMaxCodeNum = 255;

enum GroupKey { kGroupNum, kGroupTitleId, kGroupAttr, kParameters, kGroupKeyCount };
constexpr std::array<std::string_view, kGroupKeyCount> kGroupKeys = {
    key::kGroupNum, key::kTitleId, key::kGroupAttr, key::kParameters};

enum ParamKey {
    kId,
    kCodeNum,
    kTitleId,
    kAtValue,
    kDef,
    kMax,
    kMin,
    kDataType,
    kPoint32,
    kMessageId,
    kUnitId,
    kAttr,
    kParamKeyCount
};
constexpr std::array<std::string_view, kParamKeyCount> kParamKeys = {
    key::kId,  key::kCodeNum,  key::kTitleId, key::kAtValue,   key::kDef,    key::kMax,
    key::kMin, key::kDataType, key::kPoint32, key::kMessageId, key::kUnitId, key::kAttr};

enum CommonKey {
    kCommonCommAddr,
    kCommonTitleId,
    kCommonAtValue,
    kCommonDef,
    kCommonMax,
    kCommonMin,
    kCommonPoint16,
    kCommonMessageId,
    kCommonUnitId,
    kCommonAttr,
    kCommonKeyCount
};
constexpr std::array<std::string_view, kCommonKeyCount> kCommonKeys = {
    key::kCommAddr, key::kTitleId, key::kAtValue,   key::kDef,    key::kMax,
    key::kMin,      key::kPoint16, key::kMessageId, key::kUnitId, key::kAttr};

constexpr std::array<std::string_view, 1> kInitOrderKeys = {key::kParameterId};

// Every occurrence of " Group" goes, also inside a longer word.
std::string WithoutGroupWord(std::string_view title) {
    constexpr std::string_view kWord = " Group";
    std::string text(title);
    for (std::size_t at = text.find(kWord); at != std::string::npos; at = text.find(kWord, at)) {
        text.erase(at, kWord.size());
    }
    return text;
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
    std::set<int32_t> groupNumbers;
    for (const Value& element : section.GetArray()) {
        if (!ReadParameterGroup(element, *group) && findings_.Observed()) {
            findings_.Report(FindingKind::MissingSection, element, key::kParameters,
                             "the group has no parameter list: it keeps no parameters");
        }
        if (findings_.Observed() && !groupNumbers.insert(group->GroupNum).second) {
            findings_.Report(FindingKind::DuplicateId, element, key::kGroupNum,
                             "group " + std::to_string(group->GroupNum) + " is given again");
        }
        ++group;
    }
    paramIds_.Finish();
    return true;
}

bool CDataFileV2::ReadParameterGroup(const Value& element, GroupInfo& group) {
    const json::Members<kGroupKeyCount> members(element, kGroupKeys);
    findings_.ReadIntField(members.At(kGroupNum), group.GroupNum);
    if (const auto title = TitleOf(members.At(kGroupTitleId), std::wstring())) {
        findings_.CheckFit(json::StoreCodePage(WithoutGroupWord(*title), group.Title), element,
                           key::kTitleId, sizeof group.Title);
    }
    findings_.ReadHexField(members.At(kGroupAttr), group.GroupAttr);
    const Value& parameters = members[kParameters];
    if (!parameters.IsArray()) {
        return false;
    }
    group.ParameterCount = static_cast<int32_t>(parameters.Size());
    group.Parameters = AllocateZeroed<ParamInfo>(parameters.Size());
    ParamInfo* param = group.Parameters;
    if (param == nullptr) {
        return true;
    }
    std::set<int32_t> codeNumbers;
    for (const Value& item : parameters.GetArray()) {
        ReadParameter(item, *param, group);
        if (findings_.Observed() && !codeNumbers.insert(param->CodeNum).second) {
            findings_.Report(FindingKind::DuplicateId, item, key::kCodeNum,
                             "code " + std::to_string(param->CodeNum) +
                                 " is given again in group " + std::to_string(group.GroupNum));
        }
        ++param;
    }
    return true;
}

// The first parameter of an id keeps its entry in the table of ids; a later one with the same id
// has none.
void CDataFileV2::ReadParameter(const Value& element, ParamInfo& param, const GroupInfo& group) {
    const json::Members<kParamKeyCount> members(element, kParamKeys);
    findings_.ReadIntField(members.At(kCodeNum), param.CodeNum);
    if (findings_.Observed() && (param.CodeNum < 0 || param.CodeNum > kMaxCodeNum)) {
        findings_.Report(FindingKind::OutOfRange, element, key::kCodeNum,
                         "code " + std::to_string(param.CodeNum) +
                             " is outside 0 to 255: its address falls outside its group");
    }
    const std::wstring atValue =
        findings_.AtValue(members.At(kAtValue), platform::CodePage::ThreadAnsi);
    if (const auto title = TitleOf(members.At(kTitleId), atValue)) {
        findings_.CheckFit(json::StoreCodePage(*title, param.Title), element, key::kTitleId,
                           sizeof param.Title);
        std::memcpy(param.AltTitle, param.Title, sizeof param.AltTitle);
    }
    findings_.ReadIntField(members.At(kDef), param.Def);
    findings_.ReadIntField(members.At(kMax), param.Max);
    findings_.ReadIntField(members.At(kMin), param.Min);
    findings_.ReadIntField(members.At(kDataType), param.DataType);
    findings_.ReadIntField(members.At(kPoint32), param.Point32);
    // An enumerated parameter names its message in place of the decimal point.
    if (param.DataType == kMessageDataType) {
        findings_.ReadIntField(members.At(kMessageId), param.Point32);
        CheckKnownMessage(members.At(kMessageId));
    }
    if (const auto unit = UnitOf(members.At(kUnitId))) {
        findings_.CheckFit(json::StoreUtf8(*unit, param.Unit), element, key::kUnitId,
                           sizeof param.Unit);
    }
    findings_.ReadHexField(members.At(kAttr), param.Attr);
    if (const auto id = findings_.ReadNumber(members.At(kId))) {
        const bool added = paramIds_.Add(static_cast<uint32_t>(*id),
                                         ParamLocation{static_cast<uint32_t>(group.GroupNum),
                                                       static_cast<uint32_t>(param.CodeNum)},
                                         findings_.Observed());
        if (!added) {
            findings_.Report(
                FindingKind::DuplicateId, element, key::kId,
                "parameter " + std::to_string(*id) + " is given again: it has no address");
        }
    }
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
        const json::Members<kCommonKeyCount> members(element, kCommonKeys);
        findings_.ReadHexField(members.At(kCommonCommAddr), common->CommAddr);
        const std::wstring atValue =
            findings_.AtValue(members.At(kCommonAtValue), platform::CodePage::ThreadAnsi);
        if (const auto title = TitleOf(members.At(kCommonTitleId), atValue)) {
            findings_.CheckFit(json::StoreCodePage(*title, common->Title), element, key::kTitleId,
                               sizeof common->Title);
        }
        findings_.ReadIntField(members.At(kCommonDef), common->Def);
        findings_.ReadIntField(members.At(kCommonMax), common->Max);
        findings_.ReadIntField(members.At(kCommonMin), common->Min);
        // A message id, when given, takes the place of the decimal point.
        findings_.ReadIntField(members.At(kCommonPoint16), common->Point16);
        findings_.ReadIntField(members.At(kCommonMessageId), common->Point16);
        CheckKnownMessage(members.At(kCommonMessageId));
        if (const auto unit = UnitOf(members.At(kCommonUnitId))) {
            findings_.CheckFit(json::StoreCodePage(*unit, common->Unit), element, key::kUnitId,
                               sizeof common->Unit);
        }
        findings_.ReadHexField(members.At(kCommonAttr), common->Attr);
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
        const json::Members<1> members(element, kInitOrderKeys);
        if (const auto id = findings_.ReadNumber(members.At(0))) {
            CheckKnownParam(members.At(0));
            *slot++ = static_cast<int32_t>(CommAddress16(static_cast<uint32_t>(*id)));
        }
    }
    return true;
}

}  // namespace vqdf
