// The conversions every JSON section reader uses to turn members into record fields: one
// function per conversion, so that every field of one kind is written by the same rule.
// Texts that do not fit a field are cut at a character boundary inside it.
#pragma once

#include <rapidjson/document.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "platform/CodePage.h"

namespace vqdf::json {

using Value = rapidjson::Value;

// Texts read from members that feed titles, values and table names hold at most this many bytes.
constexpr std::size_t kTextBufferBytes = 29;

// The member of that name, or null when it is absent or the value is no object.
const Value& Member(const Value& object, std::string_view name);

// An integer that fits 32 signed bits, or true (1) and false (0); anything else has no value.
std::optional<int32_t> ReadInt(const Value& value);
inline std::optional<int32_t> ReadInt(const Value& object, std::string_view name) {
    return ReadInt(Member(object, name));
}

// Hexadecimal text read as wcstoul does with base 16 (see HexText.cpp); only strings count.
uint32_t ParseHexText(std::wstring_view text);
std::optional<uint32_t> ParseHexText(const Value& value);

// A member read by ReadInt or ParseHexText into a field; without a value the field keeps what
// it held.
inline void ReadIntInto(const Value& object, std::string_view key, int32_t& field) {
    if (const auto value = ReadInt(object, key)) {
        field = *value;
    }
}
inline void ReadHexInto(const Value& object, std::string_view key, int32_t& field) {
    if (const auto value = ParseHexText(Member(object, key))) {
        field = static_cast<int32_t>(*value);
    }
}

// The longest prefix of at most maxBytes bytes that does not end inside a UTF-8 sequence.
std::string_view CutUtf8(std::string_view bytes, std::size_t maxBytes);

// UTF-8 bytes (at most 29) to wide text, white space removed at both ends.
std::wstring ToWideText(std::string_view bytes);

// A string member's bytes (at most 29) read in an 8-bit code page; empty for other kinds.
std::wstring CodePageText(const Value& value, platform::CodePage codePage);

std::string_view StringBytes(const Value& value);

// Each store below returns false when the text had to be cut to fit its field.

// Copies a string member's bytes unchanged into a terminated field; other kinds change nothing.
bool CopyFixedText(const Value& value, char* field, std::size_t width);
template <std::size_t W>
bool CopyFixedText(const Value& value, char (&field)[W]) {
    return CopyFixedText(value, field, W);
}

// The text in UTF-8 with its terminator; an empty text stores nothing.
bool StoreUtf8(std::wstring_view text, char* field, std::size_t width);
template <std::size_t W>
bool StoreUtf8(std::wstring_view text, char (&field)[W]) {
    return StoreUtf8(text, field, W);
}

// The text in the system's 8-bit code page without terminator (the field's zero fill ends a
// shorter text), at most width bytes; an empty text stores nothing.
bool StoreCodePage(std::wstring_view text, char* field, std::size_t width);
template <std::size_t W>
bool StoreCodePage(std::wstring_view text, char (&field)[W]) {
    return StoreCodePage(text, field, W);
}

// The text in UTF-16 with its terminator, never splitting a surrogate pair.
bool StoreUtf16(std::wstring_view text, char16_t* field, std::size_t units);
template <std::size_t N>
bool StoreUtf16(std::wstring_view text, char16_t (&field)[N]) {
    return StoreUtf16(text, field, N);
}

}  // namespace vqdf::json
