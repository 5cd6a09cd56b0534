// Member access, integer reading and the fixed-field stores.
#include "json/JsonValue.h"

#include <algorithm>
#include <cwctype>

#include "model/FixedText.h"

namespace vqdf::json {
namespace {

// At namespace scope rather than in a function: a guarded local static would take the C++
// runtime's lock for statics, which on Windows is allocated on first use and never freed, so
// each load and unload of the DLL would lose it.
const Value kNull;

const Value& NullValue() { return kNull; }

// White space as the trimming of table texts sees it.
bool IsBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

}  // namespace

const Value& Member(const Value& object, std::string_view name) {
    if (!object.IsObject()) {
        return NullValue();
    }
    const Value wanted(
        rapidjson::StringRef(name.data(), static_cast<rapidjson::SizeType>(name.size())));
    const auto found = object.FindMember(wanted);
    return found == object.MemberEnd() ? NullValue() : found->value;
}

std::optional<int32_t> ReadInt(const Value& value) {
    if (value.IsInt()) {
        return value.GetInt();
    }
    if (value.IsBool()) {
        return value.GetBool() ? 1 : 0;
    }
    return std::nullopt;
}

std::optional<uint32_t> ParseHexText(const Value& value) {
    if (!value.IsString()) {
        return std::nullopt;
    }
    return ParseHexText(
        platform::MultiByteToWide(platform::CodePage::SystemAnsi, StringBytes(value)));
}

// A text ends at its first zero byte, as in the zero-terminated buffers the fields are copied
// through: an escaped "\u0000" ends it there.
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

std::wstring ToWideText(std::string_view bytes) {
    const std::wstring text =
        platform::MultiByteToWide(platform::CodePage::Utf8, CutUtf8(bytes, kTextBufferBytes));
    const auto first = std::find_if_not(text.begin(), text.end(), IsBlank);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), IsBlank).base();
    return first < last ? std::wstring(first, last) : std::wstring();
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

bool StoreUtf8(std::wstring_view text, char* field, std::size_t width) {
    if (text.empty() || width == 0) {
        return true;
    }
    const std::string bytes = platform::WideToMultiByte(platform::CodePage::Utf8, text);
    const std::string_view fitted = CutUtf8(bytes, width - 1);
    std::memset(field, 0, width);
    std::memcpy(field, fitted.data(), fitted.size());
    return fitted.size() == bytes.size();
}

bool StoreCodePage(std::wstring_view text, char* field, std::size_t width) {
    if (text.empty()) {
        return true;
    }
    const std::string bytes = platform::WideToMultiByte(platform::CodePage::SystemAnsi, text);
    std::memcpy(field, bytes.data(), std::min(bytes.size(), width));
    return bytes.size() <= width;
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
