// The parser's allocator, member access, integer reading and the fixed-field stores.
#include "json/JsonValue.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "model/FixedText.h"
#include "model/TableMemory.h"

namespace vqdf::json {
namespace {

// At namespace scope rather than in a function: a guarded local static would take the C++
// runtime's lock for statics, which on Windows is allocated on first use and never freed, so
// each load and unload of the DLL would lose it.
const Value kNull;

// White space as the trimming of table texts sees it.
bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

std::string ValueText(const Value& value) {
    if (value.IsNull()) {
        return {};
    }
    Buffer text;
    rapidjson::Writer<Buffer, rapidjson::UTF8<>, rapidjson::UTF8<>, ParserAllocator> writer(text);
    value.Accept(writer);
    return std::string(text.GetString(), text.GetSize());
}

void* ParserAllocator::Malloc(std::size_t size) {
    if (size == 0) {
        return nullptr;
    }
    void* block = AllocateBytes(size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

// A block that cannot grow stays as it was, owned by its holder, which frees it.
void* ParserAllocator::Realloc(void* original, std::size_t, std::size_t newSize) {
    if (newSize == 0) {
        FreeBytes(original);
        return nullptr;
    }
    void* block = ReallocateBytes(original, newSize);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

void ParserAllocator::Free(void* block) noexcept { FreeBytes(block); }

const Value& NullValue() { return kNull; }

const Value& Member(const Value& object, std::string_view name) {
    if (!object.IsObject()) {
        return kNull;
    }
    for (const auto& member : object.GetObject()) {
        if (std::string_view(member.name.GetString(), member.name.GetStringLength()) == name) {
            return member.value;
        }
    }
    return kNull;
}

// The string's bytes are text in the system's code page; hexadecimal text is ASCII in every one.
std::optional<uint32_t> ParseHexText(const Value& value) {
    if (!value.IsString()) {
        return std::nullopt;
    }
    const std::string_view bytes = StringBytes(value);
    if (IsAscii(bytes)) {
        return ParseHexText(std::wstring(bytes.begin(), bytes.end()));
    }
    return ParseHexText(platform::MultiByteToWide(platform::CodePage::SystemAnsi, bytes));
}

std::string_view StringBytes(const Value& value) {
    if (!value.IsString()) {
        return {};
    }
    return BoundedText(value.GetString(), value.GetStringLength());
}

std::string_view CutUtf8(std::string_view bytes, std::size_t maxBytes) {
    if (bytes.size() <= maxBytes) {
        return bytes;
    }
    std::size_t cut = maxBytes;
    // A byte 10xxxxxx continues the sequence before it: cut before that sequence's lead byte.
    while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return bytes.substr(0, cut);
}

bool IsAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::wstring ToWideText(std::string_view bytes) {
    return platform::MultiByteToWide(platform::CodePage::Utf8, TableText(bytes));
}

std::string TableText(std::string_view bytes) {
    const std::string_view cut = CutUtf8(bytes, kTextBufferBytes);
    if (IsAscii(cut)) {
        return std::string(Trimmed(cut));
    }
    const std::string normal = platform::WideToMultiByte(
        platform::CodePage::Utf8, platform::MultiByteToWide(platform::CodePage::Utf8, cut));
    return std::string(Trimmed(normal));
}

std::wstring CodePageText(const Value& value, platform::CodePage codePage) {
    const std::string_view bytes = StringBytes(value);
    return platform::MultiByteToWide(codePage, bytes.substr(0, kTextBufferBytes));
}

bool CopyFixedText(const Value& value, char* field, std::size_t width) {
    if (!value.IsString() || width == 0) {
        return true;
    }
    const std::string_view whole = StringBytes(value);
    const std::string_view text = CutUtf8(whole, std::min(kTextBufferBytes, width - 1));
    std::memset(field, 0, width);
    std::memcpy(field, text.data(), text.size());
    return text.size() == whole.size();
}

bool StoreUtf8(std::string_view text, char* field, std::size_t width) {
    if (text.empty() || width == 0) {
        return true;
    }
    const std::string_view fitted = CutUtf8(text, width - 1);
    std::memset(field, 0, width);
    std::memcpy(field, fitted.data(), fitted.size());
    return fitted.size() == text.size();
}

bool StoreCodePage(std::string_view text, char* field, std::size_t width, std::size_t maxBytes) {
    if (text.empty()) {
        return true;
    }
    const std::size_t limit = std::min(width, maxBytes);
    if (IsAscii(text)) {
        std::memcpy(field, text.data(), std::min(text.size(), limit));
        return text.size() <= limit;
    }
    // Character by character, so that only whole characters are kept; a UTF-16 surrogate pair is
    // one character.
    const std::wstring wide = platform::MultiByteToWide(platform::CodePage::Utf8, text);
    std::string bytes;
    bool whole = true;
    for (std::size_t k = 0; k < wide.size();) {
        std::size_t units = 1;
        if (sizeof(wchar_t) == 2 && wide[k] >= 0xD800 && wide[k] < 0xDC00 && k + 1 < wide.size()) {
            units = 2;
        }
        const std::string character = platform::WideToMultiByte(
            platform::CodePage::SystemAnsi, std::wstring_view(wide).substr(k, units));
        if (bytes.size() + character.size() > limit) {
            whole = false;
            break;
        }
        bytes += character;
        k += units;
    }
    std::memcpy(field, bytes.data(), bytes.size());
    return whole;
}

std::size_t CharacterCount(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

bool StoreUtf16(std::wstring_view text, char16_t* field, std::size_t units) {
    if (units == 0) {
        return text.empty();
    }
    const std::u16string utf16 = platform::WideToUtf16(text);
    std::size_t length = std::min(utf16.size(), units - 1);
    // Never leave the high half of a surrogate pair without its low half.
    if (length > 0 && length < utf16.size() && utf16[length - 1] >= 0xD800 &&
        utf16[length - 1] < 0xDC00) {
        --length;
    }
    std::fill(field, field + units, u'\0');
    std::copy(utf16.begin(), utf16.begin() + static_cast<std::ptrdiff_t>(length), field);
    return length == utf16.size();
}

}  // namespace vqdf::json
