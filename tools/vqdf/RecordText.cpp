// Text forms of record fields.
#include "RecordText.h"

#include <fmt/format.h>

#include <cstdlib>

namespace vqdf::cli {

std::string Hex(int32_t value) { return fmt::format("0x{:04X}", static_cast<uint32_t>(value)); }

std::string Scaled(int32_t value, int32_t points) {
    if (points <= 0 || points > 9) {
        return std::to_string(value);
    }
    const int64_t magnitude = std::llabs(static_cast<int64_t>(value));
    int64_t divisor = 1;
    for (int32_t k = 0; k < points; ++k) {
        divisor *= 10;
    }
    return fmt::format("{}{}.{:0{}}", value < 0 ? "-" : "", magnitude / divisor,
                       magnitude % divisor, points);
}

const MessageInfo* MessageOf(const MessageSpec& messages, int32_t index) {
    if (messages.Messages == nullptr || index < 0 || index >= messages.MessageCount) {
        return nullptr;
    }
    return &messages.Messages[index];
}

std::string ValueName(const MessageInfo* message, int32_t value) {
    if (message == nullptr || message->TitleInfo == nullptr || value < 0 ||
        value >= message->TitleInfoCount) {
        return {};
    }
    return Utf8Text(message->TitleInfo[value].Title);
}

}  // namespace vqdf::cli
