// UTF-8 to wide text and back on Linux, where wide text is UTF-32. Strict: overlong forms,
// surrogates and code points beyond U+10FFFF are not UTF-8. What a caller does with a byte that is
// not part of a valid sequence, and with a character UTF-8 cannot hold, is its own choice.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vqdf::platform::utf8 {

// The length of the valid sequence at the start of bytes, 0 when none starts there; the code
// point it encodes in codePoint.
inline std::size_t Sequence(std::string_view bytes, char32_t& codePoint) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    std::size_t length = 0;
    char32_t lowest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        lowest = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() < length) {
        return 0;
    }
    char32_t value = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(k) & 0xC0) != 0x80) {
            return 0;
        }
        value = (value << 6) | (byte(k) & 0x3F);
    }
    if (value < lowest || value > 0x10FFFF || (value >= 0xD800 && value < 0xE000)) {
        return 0;
    }
    codePoint = value;
    return length;
}

// Decodes bytes, handing each byte that starts no valid sequence to invalid(byte, out).
template <typename Invalid>
void Decode(std::string_view bytes, std::wstring& out, Invalid invalid) {
    out.reserve(out.size() + bytes.size());
    while (!bytes.empty()) {
        char32_t codePoint = 0;
        const std::size_t length = Sequence(bytes, codePoint);
        if (length == 0) {
            invalid(static_cast<unsigned char>(bytes[0]), out);
            bytes.remove_prefix(1);
            continue;
        }
        out.push_back(static_cast<wchar_t>(codePoint));
        bytes.remove_prefix(length);
    }
}

// Appends the UTF-8 form of a code point below U+110000 that is no surrogate.
inline void Append(char32_t c, std::string& out) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

inline bool Encodable(char32_t c) { return c < 0x110000 && (c < 0xD800 || c >= 0xE000); }

// Encodes text, handing each character UTF-8 cannot hold to unencodable(character, out).
template <typename Unencodable>
void Encode(std::wstring_view text, std::string& out, Unencodable unencodable) {
    out.reserve(out.size() + text.size());
    for (const wchar_t c : text) {
        const auto code = static_cast<char32_t>(static_cast<uint32_t>(c));
        if (Encodable(code)) {
            Append(code, out);
        } else {
            unencodable(code, out);
        }
    }
}

}  // namespace vqdf::platform::utf8
