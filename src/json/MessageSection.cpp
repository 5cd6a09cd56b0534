// "Messages": numbered lists of titles that parameters, terminals and trips name by index.
#include "json/DataFileV2.h"
#include "json/JsonFormat.h"
#include "json/JsonValue.h"
#include "model/TableMemory.h"

namespace vqdf {

namespace key = json::key;

using json::Member;

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
        const Value& titleInfo = Member(element, key::kTitleInfo);
        if (titleInfo.IsArray()) {
            entry->TitleInfoCount = static_cast<int32_t>(titleInfo.Size());
            entry->TitleInfo = AllocateZeroed<MsgTitle>(titleInfo.Size());
            MsgTitle* slot = entry->TitleInfo;
            for (const Value& item : titleInfo.GetArray()) {
                if (slot == nullptr) {
                    break;
                }
                const std::wstring atValue = AtValueOf(item, platform::CodePage::SystemAnsi);
                if (const auto title = TitleOf(item, atValue)) {
                    CheckFit(json::StoreUtf8(*title, slot->Title), item, key::kTitleId,
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
void CDataFileV2::MessageReference(const Value& object, int32_t& count, MsgTitle*& titles) const {
    const auto id = ReadNumber(object, key::kMessageId);
    if (!id) {
        return;
    }
    const auto index = static_cast<uint32_t>(*id);
    if (message_.Messages != nullptr && index < static_cast<uint32_t>(message_.MessageCount)) {
        count = message_.Messages[index].TitleInfoCount;
        titles = message_.Messages[index].TitleInfo;
        return;
    }
    CheckKnownMessage(object, key::kMessageId);
    count = 0;
}

// Messages are named by their position in "Messages".
void CDataFileV2::CheckKnownMessage(const Value& element, std::string_view key) const {
    const auto id = json::ReadInt(element, key);
    if (Observed() && id &&
        static_cast<uint32_t>(*id) >= static_cast<uint32_t>(message_.MessageCount)) {
        Report(FindingKind::UnknownId, element, key, "no message " + std::to_string(*id));
    }
}

}  // namespace vqdf
