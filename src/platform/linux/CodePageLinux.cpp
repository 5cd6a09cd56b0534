// Code pages on Linux: the 8-bit code page is fixed to Windows-1252 for system and thread alike,
// read through a table; UTF-8 strictly, each byte that is not part of valid UTF-8 standing for
// one U+FFFD.
#include <algorithm>
#include <array>

#include "platform/CodePage.h"
#include "platform/linux/Utf8.h"

namespace vqdf::platform {
namespace {

constexpr wchar_t kReplacement = 0xFFFD;
constexpr char kDefaultChar = '?';

// Windows-1252 bytes 0x80 to 0x9F; the five bytes the code page leaves undefined map to the C1
// control of the same value, as the platform's own conversion does. 0xA0 to 0xFF are Latin-1.
constexpr std::array<wchar_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsAscii(std::string_view bytes) {
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

std::wstring DecodeCp1252(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        text.push_back(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : static_cast<wchar_t>(b));
    }
    return text;
}

char EncodeCp1252Char(wchar_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<char>(c);
    }
    for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
        if (kCp1252High[i] == c) {
            return static_cast<char>(0x80 + i);
        }
    }
    return kDefaultChar;
}

std::wstring DecodeUtf8(std::string_view bytes) {
    if (IsAscii(bytes)) {
        return {bytes.begin(), bytes.end()};
    }
    std::wstring text;
    utf8::Decode(bytes, text,
                 [](unsigned char, std::wstring& out) { out.push_back(kReplacement); });
    return text;
}

// A lone surrogate, or a value beyond U+10FFFF, is no character: U+FFFD stands for it, as the
// platform's own conversion writes it on Windows.
std::string EncodeUtf8(std::wstring_view text) {
    std::string bytes;
    utf8::Encode(text, bytes, [](char32_t, std::string& out) { utf8::Append(kReplacement, out); });
    return bytes;
}

}  // namespace

std::wstring MultiByteToWide(CodePage codePage, std::string_view bytes) {
    return codePage == CodePage::Utf8 ? DecodeUtf8(bytes) : DecodeCp1252(bytes);
}

std::string WideToMultiByte(CodePage codePage, std::wstring_view text) {
    if (codePage == CodePage::Utf8) {
        return EncodeUtf8(text);
    }
    std::string bytes;
    bytes.reserve(text.size());
    for (wchar_t c : text) {
        bytes.push_back(EncodeCp1252Char(c));
    }
    return bytes;
}

std::u16string WideToUtf16(std::wstring_view text) {
    std::u16string units;
    units.reserve(text.size());
    for (wchar_t c : text) {
        auto code = static_cast<uint32_t>(c);
        if (code >= 0x110000 || (code >= 0xD800 && code < 0xE000)) {
            code = kReplacement;
        }
        if (code < 0x10000) {
            units.push_back(static_cast<char16_t>(code));
            continue;
        }
        code -= 0x10000;
        units.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
        units.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    }
    return units;
}

std::wstring Utf16ToWide(std::u16string_view text) {
    std::wstring wide;
    wide.reserve(text.size());
    for (std::size_t k = 0; k < text.size(); ++k) {
        const uint32_t unit = text[k];
        const bool high = unit >= 0xD800 && unit < 0xDC00;
        if (high && k + 1 < text.size() && text[k + 1] >= 0xDC00 && text[k + 1] < 0xE000) {
            wide +=
                static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (text[k + 1] - 0xDC00));
            ++k;
        } else {
            wide += static_cast<wchar_t>(unit >= 0xD800 && unit < 0xE000 ? kReplacement : unit);
        }
    }
    return wide;
}

}  // namespace vqdf::platform
