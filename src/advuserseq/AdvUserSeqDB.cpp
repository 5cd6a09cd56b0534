// Reading "AdvUserSeq" into the model, and the deep copies handed to the caller.
#include "advuserseq/AdvUserSeqDB.h"

#include <algorithm>
#include <array>
#include <memory>

#include "json/JsonFormat.h"
#include "model/FunctionBlockCopies.h"
#include "model/TableMemory.h"

namespace vqdf {

namespace key = json::key;

namespace {

using json::Members;
using json::ReadInt;

enum SectionKey {
    kControlParameter,
    kStatusParameter,
    kCheckParameter,
    kLastErrorParameter,
    kBitPinTypes,
    kIOTypes,
    kComments,
    kGroups,
    kFunctionList,
    kSectionKeyCount
};
constexpr std::array<std::string_view, kSectionKeyCount> kSectionKeys = {
    json::kAdvUserSeqRoles[0].second,
    json::kAdvUserSeqRoles[1].second,
    json::kAdvUserSeqRoles[2].second,
    json::kAdvUserSeqRoles[3].second,
    key::kBitPinTypes,
    key::kIOTypes,
    key::kComments,
    key::kGroups,
    key::kFunctionList};

enum BlockKey {
    kName,
    kGroupsId,
    kBlockid,
    kBlockType,
    kExpansion,
    kInputParameterIdList,
    kOutputParameterIdList,
    kCommentsId,
    kBlockKeyCount
};
constexpr std::array<std::string_view, kBlockKeyCount> kBlockKeys = {key::kName,
                                                                     key::kGroupsId,
                                                                     key::kBlockid,
                                                                     key::kBlockType,
                                                                     key::kExpansion,
                                                                     key::kInputParameterIdList,
                                                                     key::kOutputParameterIdList,
                                                                     key::kCommentsId};

enum ExpansionKey { kExpansionType, kExpansionIOTypesId, kExpansionKeyCount };
constexpr std::array<std::string_view, kExpansionKeyCount> kExpansionKeys = {key::kExpansionType,
                                                                             key::kIOTypesId};

enum ParamIdKey { kParametersId, kIOTypesId, kValue, kParamIdKeyCount };
constexpr std::array<std::string_view, kParamIdKeyCount> kParamIdKeys = {
    key::kParametersId, key::kIOTypesId, key::kValue};

constexpr std::array<std::string_view, 1> kRoleKeys = {key::kParametersId};

// Compared case-sensitively; the UTF-8 bytes equal the word exactly when their text does.
uint32_t ExpansionTypeOf(std::string_view text) {
    if (text == json::kExpansionInput) {
        return json::kExpansionTypeInput;
    }
    return text == json::kExpansionOutput ? json::kExpansionTypeOutput : 0;
}

template <typename T>
T* CopyArray(const T* source, uint32_t count) {
    T* copy = new T[count]();
    if (source != nullptr) {
        std::copy(source, source + count, copy);
    }
    return copy;
}

struct FreeCopy {
    void operator()(FunctionBlock* block) const { FunctionBlockCopies::Free(block); }
};

void FreeBlockArrays(FunctionBlock& block) {
    FreeArray(block.Expansion);
    FreeArray(block.InputParameterIdList);
    FreeArray(block.OutputParameterIdList);
}

std::wstring TextOf(const std::map<uint32_t, std::wstring>& table, uint32_t id) {
    const auto found = table.find(id);
    return found == table.end() ? std::wstring() : found->second;
}

}  // namespace

CAdvUserSeqDB::~CAdvUserSeqDB() {
    for (FunctionBlock& block : blocks_) {
        FreeBlockArrays(block);
    }
}

int32_t CAdvUserSeqDB::LoadAdvUserSeq(const Value& section) {
    if (section.IsNull()) {
        return 0;
    }
    const Members<kSectionKeyCount> members(section, kSectionKeys);
    for (std::size_t k = 0; k < json::kAdvUserSeqRoles.size(); ++k) {
        const Members<1> role(members[k], kRoleKeys);
        if (const auto id = ReadId(role.At(0), nullptr, "parameter")) {
            roles_[json::kAdvUserSeqRoles[k].first] = *id;
        }
    }
    // Names are read in the thread's 8-bit code page, not decoded as UTF-8; comments are decoded
    // from UTF-8 whole, and the block's field keeps what fits.
    const auto name = [](const Value& text) {
        return json::CodePageText(text, platform::CodePage::ThreadAnsi);
    };
    const auto comment = [](const Value& text) {
        return platform::MultiByteToWide(platform::CodePage::Utf8, json::StringBytes(text));
    };
    const bool read =
        findings_.RequireSection(
            members.At(kBitPinTypes),
            ReadTable(members.At(kBitPinTypes), key::kName, bitPinTypes_, name)) &&
        findings_.RequireSection(members.At(kIOTypes),
                                 ReadTable(members.At(kIOTypes), key::kName, ioTypes_, name)) &&
        findings_.RequireSection(
            members.At(kComments),
            ReadTable(members.At(kComments), key::kContents, comments_, comment)) &&
        findings_.RequireSection(members.At(kGroups),
                                 ReadTable(members.At(kGroups), key::kName, groups_, name)) &&
        findings_.RequireSection(members.At(kFunctionList),
                                 ReadFunctionList(members[kFunctionList]));
    return read ? 1 : 0;
}

uint32_t CAdvUserSeqDB::GetRole(uint32_t role) { return static_cast<uint32_t>(roles_[role]); }

// "id" and a text member into the table; the text is read by toText. A later id replaces.
template <typename ToText>
bool CAdvUserSeqDB::ReadTable(const json::Field& field, std::string_view textKey, NameTable& table,
                              ToText toText) const {
    return findings_.ReadIdTextTable(
        field.value, textKey, "id", [&](uint32_t id) { return table.count(id) != 0; },
        [&](uint32_t id, const Value& text, const Value&) { table[id] = toText(text); });
}

bool CAdvUserSeqDB::ReadFunctionList(const Value& list) {
    if (!list.IsArray()) {
        return false;
    }
    // Each block is read in its place in the list, which owns its arrays from the first, so that
    // running out of memory midway leaves nothing unowned.
    blocks_.reserve(list.Size());
    for (const Value& element : list.GetArray()) {
        if (json::Member(element, key::kName).IsString()) {
            ReadFunctionBlock(element, blocks_.emplace_back());
        }
    }
    return true;
}

void CAdvUserSeqDB::ReadFunctionBlock(const Value& element, FunctionBlock& block) const {
    const Members<kBlockKeyCount> members(element, kBlockKeys);
    findings_.CheckFit(
        json::StoreUtf16(
            platform::MultiByteToWide(platform::CodePage::Utf8, json::StringBytes(members[kName])),
            block.Name),
        element, key::kName);
    const auto group = ReadId(members.At(kGroupsId), &groups_, "group");
    if (group) {
        findings_.CheckFit(
            json::StoreUtf16(TextOf(groups_, static_cast<uint32_t>(*group)), block.GroupName),
            element, key::kGroupsId);
    }
    if (const auto blockId = ReadInt(members[kBlockid])) {
        block.BlockId =
            static_cast<uint32_t>(group.value_or(0)) * 100u + static_cast<uint32_t>(*blockId);
    }
    ReadExpansion(members[kExpansion], block);
    if (const auto type = json::ParseHexText(members[kBlockType])) {
        if (*type > 0xFFFFu) {
            findings_.Report(FindingKind::OutOfRange, element, key::kBlockType,
                             "block type " + std::to_string(*type) + " does not fit 16 bits");
        }
        block.BlockType = static_cast<uint16_t>(*type & 0xFFFFu);
    }
    ReadParamIdList(members[kInputParameterIdList], block.InputParamCount,
                    block.InputParameterIdList);
    ReadParamIdList(members[kOutputParameterIdList], block.OutputParamCount,
                    block.OutputParameterIdList);
    if (const auto comment = ReadId(members.At(kCommentsId), &comments_, "comment")) {
        findings_.CheckFit(
            json::StoreUtf16(TextOf(comments_, static_cast<uint32_t>(*comment)), block.Comment),
            element, key::kCommentsId);
    }
}

void CAdvUserSeqDB::ReadExpansion(const Value& list, FunctionBlock& block) const {
    if (!list.IsArray() || list.Empty()) {
        return;
    }
    block.ExpansionCount = list.Size();
    block.Expansion = AllocateZeroed<ExpansionEntry>(list.Size());
    uint32_t k = 0;
    // A list that could not be allocated keeps its count and stays absent.
    for (const Value& element : list.GetArray()) {
        if (block.Expansion == nullptr) {
            break;
        }
        const Members<kExpansionKeyCount> members(element, kExpansionKeys);
        if (!members[kExpansionType].IsString()) {
            continue;
        }
        ExpansionEntry& entry = block.Expansion[k++];
        entry.ExpansionType = ExpansionTypeOf(json::StringBytes(members[kExpansionType]));
        if (const auto ioType = ReadId(members.At(kExpansionIOTypesId), &ioTypes_, "IO type")) {
            entry.IOTypeId = static_cast<uint32_t>(*ioType);
        }
    }
}

// An empty or missing list leaves count 0 and a null list.
void CAdvUserSeqDB::ReadParamIdList(const Value& list, uint32_t& count,
                                    ParamIdEntry*& entries) const {
    if (!list.IsArray() || list.Empty()) {
        return;
    }
    count = list.Size();
    entries = AllocateZeroed<ParamIdEntry>(list.Size());
    ParamIdEntry* entry = entries;
    for (const Value& element : list.GetArray()) {
        if (entry == nullptr) {
            break;
        }
        const Members<kParamIdKeyCount> members(element, kParamIdKeys);
        if (const auto id = ReadId(members.At(kParametersId), nullptr, "parameter")) {
            entry->ParamId = static_cast<uint32_t>(*id);
        }
        if (const auto ioType = ReadId(members.At(kIOTypesId), &ioTypes_, "IO type")) {
            entry->IOTypeId = static_cast<uint32_t>(*ioType);
        }
        if (const auto value = ReadInt(members[kValue])) {
            entry->Value = *value;
        }
        ++entry;
    }
}

std::optional<int32_t> CAdvUserSeqDB::ReadId(const json::Field& field, const NameTable* table,
                                             const char* what) const {
    const auto id = ReadInt(field.value);
    if (!id || !findings_.Observed()) {
        return id;
    }
    const auto known = static_cast<uint32_t>(*id);
    const bool found = table != nullptr ? table->count(known) != 0
                                        : params_ == nullptr || params_->Contains(known);
    if (!found) {
        findings_.Report(FindingKind::UnknownId, field.object, field.key,
                         std::string("no ") + what + " " + std::to_string(*id));
    }
    return id;
}

// Each copy is held until it is in the caller's list, so that running out of memory midway
// loses nothing: the copies already appended are the caller's, the one being made is freed.
bool CAdvUserSeqDB::CopyBlocks(std::vector<FunctionBlock*>* out) const {
    out->reserve(out->size() + blocks_.size());
    for (const FunctionBlock& block : blocks_) {
        std::unique_ptr<FunctionBlock, FreeCopy> copy(new FunctionBlock{});
        copy->BlockId = block.BlockId;
        copy->BlockType = block.BlockType;
        copy->ExpansionCount = block.ExpansionCount;
        copy->InputParamCount = block.InputParamCount;
        copy->OutputParamCount = block.OutputParamCount;
        std::copy(std::begin(block.Name), std::end(block.Name), copy->Name);
        std::copy(std::begin(block.GroupName), std::end(block.GroupName), copy->GroupName);
        std::copy(std::begin(block.Comment), std::end(block.Comment), copy->Comment);
        copy->Expansion = CopyArray(block.Expansion, block.ExpansionCount);
        copy->InputParameterIdList = CopyArray(block.InputParameterIdList, block.InputParamCount);
        copy->OutputParameterIdList =
            CopyArray(block.OutputParameterIdList, block.OutputParamCount);
        out->push_back(copy.release());
    }
    return !out->empty();
}

}  // namespace vqdf
