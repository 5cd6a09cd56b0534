// Rewriting temperature-unit placeholders in message titles, in place.
#include "model/DegreeSign.h"

namespace vqdf {
namespace {

constexpr char kPlaceholder = 0x05;

void RewriteTitle(MsgTitle& title) {
    char* text = title.Title;
    if (text[0] != kPlaceholder || (text[1] != 'C' && text[1] != 'F')) {
        return;
    }
    const char letter = text[1];
    text[0] = static_cast<char>(0xC2);
    text[1] = static_cast<char>(0xB0);
    text[2] = letter;
    text[3] = '\0';
}

}  // namespace

void RewriteDegreeSigns(MessageSpec& table) {
    if (table.Messages == nullptr) {
        return;
    }
    for (int32_t m = 0; m < table.MessageCount; ++m) {
        MessageInfo& message = table.Messages[m];
        if (message.TitleInfo == nullptr) {
            continue;
        }
        for (int32_t t = 0; t < message.TitleInfoCount; ++t) {
            RewriteTitle(message.TitleInfo[t]);
        }
    }
}

}  // namespace vqdf
