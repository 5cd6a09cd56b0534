// Code pages on Linux: the 8-bit code page is fixed to Windows-1252 for system and thread alike,
// read through a table; UTF-8 goes through glibc's iconv.
#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "platform/CodePage.h"

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

// One iconv conversion; an input unit iconv rejects is replaced and skipped.
class IconvConverter {
public:
    IconvConverter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~IconvConverter() {
        if (Valid()) {
            iconv_close(cd_);
        }
    }
    IconvConverter(const IconvConverter&) = delete;
    IconvConverter& operator=(const IconvConverter&) = delete;

    bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts in; on an invalid unit of inUnit bytes appends replacement and goes on.
    std::string Convert(const char* in, std::size_t inBytes, std::size_t inUnit,
                        std::string_view replacement) {
        std::string out;
        std::array<char, 1024> buffer{};
        auto* inPtr = const_cast<char*>(in);
        while (inBytes > 0) {
            char* outPtr = buffer.data();
            std::size_t outLeft = buffer.size();
            const std::size_t rc = iconv(cd_, &inPtr, &inBytes, &outPtr, &outLeft);
            out.append(buffer.data(), buffer.size() - outLeft);
            if (rc != static_cast<std::size_t>(-1) || errno == E2BIG) {
                continue;
            }
            out.append(replacement);
            const std::size_t skip = std::min(inUnit, inBytes);
            inPtr += skip;
            inBytes -= skip;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

private:
    iconv_t cd_;
};

std::wstring DecodeUtf8(std::string_view bytes) {
    if (IsAscii(bytes)) {
        return {bytes.begin(), bytes.end()};
    }
    IconvConverter converter("WCHAR_T", "UTF-8");
    if (!converter.Valid()) {
        return {};
    }
    const wchar_t replacement = kReplacement;
    const std::string raw = converter.Convert(
        bytes.data(), bytes.size(), 1,
        std::string_view(reinterpret_cast<const char*>(&replacement), sizeof replacement));
    std::wstring text(raw.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), raw.data(), text.size() * sizeof(wchar_t));
    return text;
}

std::string EncodeUtf8(std::wstring_view text) {
    bool ascii = true;
    for (wchar_t c : text) {
        ascii = ascii && static_cast<uint32_t>(c) < 0x80;
    }
    if (ascii) {
        return {text.begin(), text.end()};
    }
    IconvConverter converter("UTF-8", "WCHAR_T");
    if (!converter.Valid()) {
        return {};
    }
    return converter.Convert(reinterpret_cast<const char*>(text.data()),
                             text.size() * sizeof(wchar_t), sizeof(wchar_t),
                             std::string_view(&kDefaultChar, 1));
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
