// Reading "AdvUserSeq" into the model, and the deep copies handed to the caller.
#include "advuserseq/AdvUserSeqDB.h"

#include <algorithm>
#include <array>
#include <memory>

#include "json/JsonFormat.h"
#include "json/JsonValue.h"
#include "model/FunctionBlockCopies.h"
#include "model/TableMemory.h"

namespace vqdf {

namespace key = json::key;
namespace {

using json::Member;
using json::ReadInt;
using rapidjson::Value;

void Report(ILoadObserver* observer, FindingKind kind, const Value& element, std::string_view key,
            std::string message) {
    if (observer != nullptr) {
        observer->OnFinding({kind, &element, std::string(key), std::move(message)});
    }
}

// "id" and a text member into the table; the text is read by toText. A later id replaces.
template <typename ToText>
bool ReadTable(const Value& list, std::string_view textKey, std::map<uint32_t, std::wstring>& table,
               ILoadObserver* observer, ToText toText) {
    if (!list.IsArray()) {
        return false;
    }
    for (const Value& element : list.GetArray()) {
        const auto id = ReadInt(element, key::kId);
        const Value& text = Member(element, textKey);
        if (!id || !text.IsString()) {
            continue;
        }
        if (observer != nullptr && table.count(static_cast<uint32_t>(*id)) != 0) {
            Report(observer, FindingKind::DuplicateId, element, key::kId,
                   "id " + std::to_string(*id) + " is given again");
        }
        table[static_cast<uint32_t>(*id)] = toText(text);
    }
    return true;
}

// Names are read in the thread's 8-bit code page, not decoded as UTF-8.
bool ReadNameTable(const Value& list, std::map<uint32_t, std::wstring>& table,
                   ILoadObserver* observer) {
    return ReadTable(list, key::kName, table, observer, [](const Value& text) {
        return json::CodePageText(text, platform::CodePage::ThreadAnsi);
    });
}

// Comments are decoded from UTF-8 whole; the block's field keeps what fits.
bool ReadCommentTable(const Value& list, std::map<uint32_t, std::wstring>& table,
                      ILoadObserver* observer) {
    return ReadTable(list, key::kContents, table, observer, [](const Value& text) {
        return platform::MultiByteToWide(platform::CodePage::Utf8, json::StringBytes(text));
    });
}

// Compared case-sensitively; the UTF-8 bytes equal the word exactly when their text does.
uint32_t ExpansionTypeOf(std::string_view text) {
    if (text == json::kExpansionInput) {
        return json::kExpansionTypeInput;
    }
    return text == json::kExpansionOutput ? json::kExpansionTypeOutput : 0;
}

}  // namespace

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
        const Value& type = Member(element, key::kExpansionType);
        if (!type.IsString()) {
            continue;
        }
        ExpansionEntry& entry = block.Expansion[k++];
        entry.ExpansionType = ExpansionTypeOf(json::StringBytes(type));
        if (const auto ioType = ReadId(element, key::kIOTypesId, &ioTypes_, "IO type")) {
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
        if (const auto id = ReadId(element, key::kParametersId, nullptr, "parameter")) {
            entry->ParamId = static_cast<uint32_t>(*id);
        }
        if (const auto ioType = ReadId(element, key::kIOTypesId, &ioTypes_, "IO type")) {
            entry->IOTypeId = static_cast<uint32_t>(*ioType);
        }
        if (const auto value = ReadInt(element, key::kValue)) {
            entry->Value = *value;
        }
        ++entry;
    }
}

// An id of the table given, or of a parameter when there is none; one that names nothing is
// still used as it is.
std::optional<int32_t> CAdvUserSeqDB::ReadId(const Value& element, std::string_view key,
                                             const NameTable* table, const char* what) const {
    const auto id = ReadInt(element, key);
    if (!id || observer_ == nullptr) {
        return id;
    }
    const auto known = static_cast<uint32_t>(*id);
    const bool found = table != nullptr ? table->count(known) != 0
                                        : params_ == nullptr || params_->count(known) != 0;
    if (!found) {
        Report(FindingKind::UnknownId, element, key,
               std::string("no ") + what + " " + std::to_string(*id));
    }
    return id;
}

void CAdvUserSeqDB::Report(FindingKind kind, const Value& element, std::string_view key,
                           std::string message) const {
    vqdf::Report(observer_, kind, element, key, std::move(message));
}

namespace {

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
    for (const auto& [role, key] : json::kAdvUserSeqRoles) {
        if (const auto id =
                ReadId(Member(section, key), key::kParametersId, nullptr, "parameter")) {
            roles_[role] = *id;
        }
    }
    const bool read =
        ReadRequiredTable(
            section, key::kBitPinTypes,
            [&](const Value& list) { return ReadNameTable(list, bitPinTypes_, observer_); }) &&
        ReadRequiredTable(
            section, key::kIOTypes,
            [&](const Value& list) { return ReadNameTable(list, ioTypes_, observer_); }) &&
        ReadRequiredTable(
            section, key::kComments,
            [&](const Value& list) { return ReadCommentTable(list, comments_, observer_); }) &&
        ReadRequiredTable(
            section, key::kGroups,
            [&](const Value& list) { return ReadNameTable(list, groups_, observer_); }) &&
        ReadRequiredTable(section, key::kFunctionList,
                          [&](const Value& list) { return ReadFunctionList(list); });
    return read ? 1 : 0;
}

uint32_t CAdvUserSeqDB::GetRole(uint32_t role) { return static_cast<uint32_t>(roles_[role]); }

bool CAdvUserSeqDB::ReadFunctionList(const Value& list) {
    if (!list.IsArray()) {
        return false;
    }
    // Each block is read in its place in the list, which owns its arrays from the first, so that
    // running out of memory midway leaves nothing unowned.
    blocks_.reserve(list.Size());
    for (const Value& element : list.GetArray()) {
        if (Member(element, key::kName).IsString()) {
            ReadFunctionBlock(element, blocks_.emplace_back());
        }
    }
    return true;
}

// The five tables must all be arrays; the first that is not ends the load.
template <typename Read>
bool CAdvUserSeqDB::ReadRequiredTable(const Value& section, std::string_view key, Read read) const {
    if (read(Member(section, key))) {
        return true;
    }
    Report(FindingKind::MissingSection, section, key,
           Member(section, key).IsNull() ? "the required section is missing"
                                         : "the required section has the wrong kind");
    return false;
}

void CAdvUserSeqDB::ReadFunctionBlock(const Value& element, FunctionBlock& block) const {
    CheckFit(
        json::StoreUtf16(platform::MultiByteToWide(platform::CodePage::Utf8,
                                                   json::StringBytes(Member(element, key::kName))),
                         block.Name),
        element, key::kName);
    const auto group = ReadId(element, key::kGroupsId, &groups_, "group");
    if (group) {
        CheckFit(json::StoreUtf16(TextOf(groups_, static_cast<uint32_t>(*group)), block.GroupName),
                 element, key::kGroupsId);
    }
    if (const auto blockId = ReadInt(element, key::kBlockid)) {
        block.BlockId =
            static_cast<uint32_t>(group.value_or(0)) * 100u + static_cast<uint32_t>(*blockId);
    }
    ReadExpansion(Member(element, key::kExpansion), block);
    if (const auto type = json::ParseHexText(Member(element, key::kBlockType))) {
        if (*type > 0xFFFFu) {
            Report(FindingKind::OutOfRange, element, key::kBlockType,
                   "block type " + std::to_string(*type) + " does not fit 16 bits");
        }
        block.BlockType = static_cast<uint16_t>(*type & 0xFFFFu);
    }
    ReadParamIdList(Member(element, key::kInputParameterIdList), block.InputParamCount,
                    block.InputParameterIdList);
    ReadParamIdList(Member(element, key::kOutputParameterIdList), block.OutputParamCount,
                    block.OutputParameterIdList);
    if (const auto comment = ReadId(element, key::kCommentsId, &comments_, "comment")) {
        CheckFit(
            json::StoreUtf16(TextOf(comments_, static_cast<uint32_t>(*comment)), block.Comment),
            element, key::kCommentsId);
    }
}

void CAdvUserSeqDB::CheckFit(bool fitted, const Value& element, std::string_view key) const {
    if (!fitted) {
        Report(FindingKind::TextCut, element, key, "the text is cut to fit its field");
    }
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
