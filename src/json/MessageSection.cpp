// "Messages": numbered lists of titles that parameters, terminals and trips name by index.
#include "json/DataFileV2.h"
#include "json/JsonFormat.h"
#include "model/TableMemory.h"

namespace vqdf {

namespace key = json::key;

namespace {

enum MessageKey { kTitleInfo, kMessageKeyCount };
constexpr std::array<std::string_view, kMessageKeyCount> kMessageKeys = {key::kTitleInfo};

enum TitleKey { kTitleId, kAtValue, kTitleKeyCount };
constexpr std::array<std::string_view, kTitleKeyCount> kTitleKeys = {key::kTitleId, key::kAtValue};

}  // namespace

bool CDataFileV2::ReadMessages(const Value& section) {
    if (!section.IsArray()) {
        return false;
    }
    message_.MessageCount = static_cast<int32_t>(section.Size());
    message_.Messages = AllocateZeroed<MessageInfo>(section.Size());
    MessageInfo* entry = message_.Messages;
    // A table that could not be allocated keeps its count and stays absent; so do title lists.
    if (entry == nullptr) {
        return true;
    }
    for (const Value& element : section.GetArray()) {
        const json::Members<kMessageKeyCount> message(element, kMessageKeys);
        const Value& titleInfo = message[kTitleInfo];
        if (titleInfo.IsArray()) {
            entry->TitleInfoCount = static_cast<int32_t>(titleInfo.Size());
            entry->TitleInfo = AllocateZeroed<MsgTitle>(titleInfo.Size());
            MsgTitle* slot = entry->TitleInfo;
            for (const Value& item : titleInfo.GetArray()) {
                if (slot == nullptr) {
                    break;
                }
                const json::Members<kTitleKeyCount> title(item, kTitleKeys);
                const std::wstring atValue =
                    findings_.AtValue(title.At(kAtValue), platform::CodePage::SystemAnsi);
                if (const auto text = TitleOf(title.At(kTitleId), atValue)) {
                    findings_.CheckFit(json::StoreUtf8(*text, slot->Title), item, key::kTitleId,
                                       sizeof slot->Title);
                }
                ++slot;
            }
        }
        ++entry;
    }
    return true;
}

// The record shares the message's title storage; ids compare as unsigned 32-bit numbers, so a
// negative id is out of range and gives a count of 0.
void CDataFileV2::MessageReference(const Field& messageId, int32_t& count,
                                   MsgTitle*& titles) const {
    const auto id = findings_.ReadNumber(messageId);
    if (!id) {
        return;
    }
    const auto index = static_cast<uint32_t>(*id);
    if (message_.Messages != nullptr && index < static_cast<uint32_t>(message_.MessageCount)) {
        count = message_.Messages[index].TitleInfoCount;
        titles = message_.Messages[index].TitleInfo;
        return;
    }
    CheckKnownMessage(messageId);
    count = 0;
}

// Messages are named by their position in "Messages".
void CDataFileV2::CheckKnownMessage(const Field& messageId) const {
    if (!findings_.Observed()) {
        return;
    }
    const auto id = json::ReadInt(messageId.value);
    if (id && static_cast<uint32_t>(*id) >= static_cast<uint32_t>(message_.MessageCount)) {
        findings_.Report(FindingKind::UnknownId, messageId.object, messageId.key,
                         "no message " + std::to_string(*id));
    }
}

// A title id that the titles table lacks gives an empty title, and is told.
std::optional<std::string_view> CDataFileV2::TitleOf(const Field& titleId,
                                                     const std::wstring& atValue) {
    const auto id = findings_.ReadNumber(titleId);
    if (!id) {
        return std::nullopt;
    }
    const auto key = static_cast<uint32_t>(*id);
    if (findings_.Observed() && !titles_.Contains(key)) {
        findings_.Report(FindingKind::UnknownId, titleId.object, titleId.key,
                         "no title " + std::to_string(*id));
    }
    return TitleText(key, atValue);
}

std::optional<std::string_view> CDataFileV2::UnitOf(const Field& unitId) {
    const auto id = findings_.ReadNumber(unitId);
    if (!id) {
        return std::nullopt;
    }
    const auto key = static_cast<uint32_t>(*id);
    if (findings_.Observed() && !units_.Contains(key)) {
        findings_.Report(FindingKind::UnknownId, unitId.object, unitId.key,
                         "no unit " + std::to_string(*id));
    }
    return units_.Find(key);
}

void CDataFileV2::CheckKnownParam(const Field& paramId) const {
    if (!findings_.Observed()) {
        return;
    }
    const auto id = json::ReadInt(paramId.value);
    if (id && !paramIds_.Contains(static_cast<uint32_t>(*id))) {
        findings_.Report(FindingKind::UnknownId, paramId.object, paramId.key,
                         "no parameter " + std::to_string(*id));
    }
}

}  // namespace vqdf
