// The JSON values the readers walk and the conversions every section reader uses to turn members
// into record fields: one function per conversion, so that every field of one kind is written by
// the same rule. Texts stay UTF-8 from the file to the field; ASCII, the common case, is copied
// as it stands. Texts that do not fit a field are cut at a character boundary inside it.
#pragma once

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/CodePage.h"

namespace vqdf::json {

// The parser's memory comes from the readers' allocation functions; an allocation that fails
// ends the parse with std::bad_alloc, which the load turns into a failed load.
class ParserAllocator {
public:
    static const bool kNeedFree = true;
    void* Malloc(std::size_t size);
    void* Realloc(void* original, std::size_t originalSize, std::size_t newSize);
    static void Free(void* block) noexcept;
};

using Allocator = rapidjson::MemoryPoolAllocator<ParserAllocator>;
// JSON text written through the same functions: a buffer that cannot grow throws.
using Buffer = rapidjson::GenericStringBuffer<rapidjson::UTF8<>, ParserAllocator>;
using Value = rapidjson::GenericValue<rapidjson::UTF8<>, Allocator>;
using Document = rapidjson::GenericDocument<rapidjson::UTF8<>, Allocator, ParserAllocator>;

// Texts read from members that feed titles, values and table names hold at most this many bytes.
constexpr std::size_t kTextBufferBytes = 29;

// The null value: what an absent member reads as.
const Value& NullValue();

// One member of an object as a reader takes it: the object, the member's name and its value
// (null when absent), so that a finding can name where it is.
struct Field {
    const Value& object;
    std::string_view key;
    const Value& value;
};

// The members of one object that a reader takes, found in one pass over its members: each name is
// compared first with the key expected next, so an object whose members come in the usual order
// costs one comparison a member. The first member of a name counts, as in a lookup by name.
// A value that is no object has none of them.
template <std::size_t N>
class Members {
public:
    Members(const Value& object, const std::array<std::string_view, N>& keys)
        : object_(object), keys_(keys) {
        values_.fill(nullptr);
        if (!object.IsObject()) {
            return;
        }
        std::size_t next = 0;
        for (const auto& member : object.GetObject()) {
            const std::string_view name(member.name.GetString(), member.name.GetStringLength());
            for (std::size_t tried = 0; tried < N; ++tried) {
                const std::size_t k = next + tried < N ? next + tried : next + tried - N;
                if (SameName(keys_[k], name)) {
                    if (values_[k] == nullptr) {
                        values_[k] = &member.value;
                    }
                    next = k + 1;
                    break;
                }
            }
        }
    }

    const Value& operator[](std::size_t k) const {
        return values_[k] != nullptr ? *values_[k] : NullValue();
    }
    Field At(std::size_t k) const { return {object_, keys_[k], (*this)[k]}; }
    const Value& Object() const { return object_; }

private:
    // Keys are short: compared byte by byte, the length first.
    static bool SameName(std::string_view key, std::string_view name) {
        if (key.size() != name.size()) {
            return false;
        }
        for (std::size_t k = 0; k < key.size(); ++k) {
            if (key[k] != name[k]) {
                return false;
            }
        }
        return true;
    }

    const Value& object_;
    const std::array<std::string_view, N>& keys_;
    std::array<const Value*, N> values_;
};

// The member of that name, or null when it is absent or the value is no object.
const Value& Member(const Value& object, std::string_view name);

// An integer that fits 32 signed bits, or true (1) and false (0); anything else has no value.
inline std::optional<int32_t> ReadInt(const Value& value) {
    if (value.IsInt()) {
        return value.GetInt();
    }
    if (value.IsBool()) {
        return value.GetBool() ? 1 : 0;
    }
    return std::nullopt;
}

// Hexadecimal text read as wcstoul does with base 16 (see HexText.cpp); only strings count.
uint32_t ParseHexText(std::wstring_view text);
std::optional<uint32_t> ParseHexText(const Value& value);

// The hexadecimal text the format writes: "0x" and at least four upper-case digits.
std::string FormatHexText(uint32_t value);

// A value as compact JSON text; empty for null, as for an absent member.
std::string ValueText(const Value& value);

// A string's bytes, up to its first zero byte: the fields are copied through zero-terminated
// buffers, so an escaped "\u0000" ends a text there. Empty for other kinds.
std::string_view StringBytes(const Value& value);

// The longest prefix of at most maxBytes bytes that does not end inside a UTF-8 sequence.
std::string_view CutUtf8(std::string_view bytes, std::size_t maxBytes);

bool IsAscii(std::string_view bytes);

// UTF-8 bytes (at most 29) to wide text, white space removed at both ends.
std::wstring ToWideText(std::string_view bytes);

// The same text as UTF-8, with every byte that is not part of valid UTF-8 replaced as the wide
// conversion replaces it: the form in which the titles and units tables keep their texts.
std::string TableText(std::string_view bytes);

// A string member's bytes (at most 29) read in an 8-bit code page; empty for other kinds.
std::wstring CodePageText(const Value& value, platform::CodePage codePage);

// Each store below returns false when the text had to be cut to fit its field.

// Copies a string member's bytes unchanged into a terminated field; other kinds change nothing.
bool CopyFixedText(const Value& value, char* field, std::size_t width);
template <std::size_t W>
bool CopyFixedText(const Value& value, char (&field)[W]) {
    return CopyFixedText(value, field, W);
}

// The UTF-8 text with its terminator; an empty text stores nothing.
bool StoreUtf8(std::string_view text, char* field, std::size_t width);
template <std::size_t W>
bool StoreUtf8(std::string_view text, char (&field)[W]) {
    return StoreUtf8(text, field, W);
}

// The UTF-8 text in the system's 8-bit code page without terminator (the field's zero fill ends a
// shorter text), at most width bytes, and at most maxBytes where that is less; an empty text
// stores nothing. A text that does not fit keeps its first whole characters: the cut never falls
// inside a character of a double-byte code page. True when all of it fit.
bool StoreCodePage(std::string_view text, char* field, std::size_t width,
                   std::size_t maxBytes = SIZE_MAX);
template <std::size_t W>
bool StoreCodePage(std::string_view text, char (&field)[W], std::size_t maxBytes = SIZE_MAX) {
    return StoreCodePage(text, field, W, maxBytes);
}

// The characters of UTF-8 text (a byte that is not valid UTF-8 counts as one).
std::size_t CharacterCount(std::string_view text);

// The text in UTF-16 with its terminator, never splitting a surrogate pair.
bool StoreUtf16(std::wstring_view text, char16_t* field, std::size_t units);
template <std::size_t N>
bool StoreUtf16(std::wstring_view text, char16_t (&field)[N]) {
    return StoreUtf16(text, field, N);
}

}  // namespace vqdf::json
