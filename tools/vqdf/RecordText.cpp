// Text forms of record fields.
#include "RecordText.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace vqdf::cli {

std::string Hex(int32_t value) { return api::HexText(static_cast<uint32_t>(value)); }

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

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

const GroupInfo* FindGroup(const ParaSpec& para, const std::string& wanted) {
    char* end = nullptr;
    const long number = std::strtol(wanted.c_str(), &end, 10);
    const bool numeric = !wanted.empty() && *end == '\0';
    for (int32_t g = 0; para.Groups != nullptr && g < para.GroupCount; ++g) {
        if (numeric && para.Groups[g].GroupNum == number) {
            return &para.Groups[g];
        }
    }
    for (int32_t g = 0; para.Groups != nullptr && g < para.GroupCount; ++g) {
        if (SameText(CodePageText(para.Groups[g].Title), wanted)) {
            return &para.Groups[g];
        }
    }
    return nullptr;
}

std::string ValueName(const MessageInfo* message, int32_t value) {
    if (message == nullptr || message->TitleInfo == nullptr || value < 0 ||
        value >= message->TitleInfoCount) {
        return {};
    }
    return Utf8Text(message->TitleInfo[value].Title);
}

}  // namespace vqdf::cli
