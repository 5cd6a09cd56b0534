// Title formatting works on bytes of the thread's 8-bit code page. The value is right-aligned over
// all placeholders of the title and padded with zeros; a mask at the very start of the title is
// read as a number so that its leading zeros go, later masks keep theirs.
#include "json/TitleFormat.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "platform/CodePage.h"

namespace vqdf {
namespace {

constexpr char kPlaceholder = '@';

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A mask filled at the start of the title, as a number; the mask itself when it reads as none
// (digits beyond the range of the number type).
std::string NumberText(const std::string& filled) {
    const char* first = filled.data();
    const char* last = first + filled.size();
    const std::size_t lastDot = filled.rfind('.');
    if (lastDot == std::string::npos) {
        int32_t number = 0;
        if (std::from_chars(first, last, number).ec != std::errc()) {
            return filled;
        }
        return std::to_string(number);
    }
    // The longest prefix that forms a decimal floating-point number, exponent included.
    float number = 0;
    if (std::from_chars(first, last, number, std::chars_format::general).ec != std::errc()) {
        return filled;
    }
    const int decimals = static_cast<int>(filled.size() - lastDot - 1);
    char buffer[128];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(number),
                                       std::chars_format::fixed, decimals);
    if (written.ec != std::errc()) {
        return filled;
    }
    return std::string(buffer, written.ptr);
}

// The fill text: the value padded with zeros on the left to one byte per placeholder. A longer
// value keeps its last bytes, so that it stays right-aligned.
std::string FillText(const std::string& value, std::size_t placeholders) {
    if (value.size() >= placeholders) {
        return value.substr(value.size() - placeholders);
    }
    return std::string(placeholders - value.size(), '0') + value;
}

}  // namespace

std::wstring CParamTitle::FormatTitle(const std::wstring& title, const std::wstring& value) const {
    return platform::MultiByteToWide(
        platform::CodePage::ThreadAnsi,
        FormatBytes(platform::WideToMultiByte(platform::CodePage::ThreadAnsi, title),
                    platform::WideToMultiByte(platform::CodePage::ThreadAnsi, value)));
}

std::string CParamTitle::FormatBytes(std::string_view title, std::string_view value) const {
    const auto placeholders =
        static_cast<std::size_t>(std::count(title.begin(), title.end(), kPlaceholder));
    if (placeholders == 0) {
        return std::string(title);
    }
    const std::string fill = FillText(std::string(value), placeholders);
    std::size_t nextFill = 0;
    // The title is walked once, left to right, so that placeholders the value brings in are
    // never filled again.
    std::string result;
    std::size_t i = 0;
    while (i < title.size()) {
        if (title[i] != kPlaceholder) {
            result.push_back(title[i++]);
            continue;
        }
        const bool atStart = i == 0;
        std::string filled;
        for (; i < title.size() && (title[i] == kPlaceholder || title[i] == '.'); ++i) {
            filled.push_back(title[i] == '.' ? '.' : fill[nextFill++]);
        }
        result += atStart && IsDigit(filled.front()) ? NumberText(filled) : filled;
    }
    return result;
}

}  // namespace vqdf
