// Texts of every UTF-8 length and lead-byte range through every store and conversion, at every
// field width: a stored text is the longest whole-character prefix that fits, the rest of the
// field is zero, and nothing is written outside the field; conversions that can be lossless are.
#include <gtest/gtest.h>
#include <rapidcheck/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "json/JsonValue.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

namespace vqdf {
namespace {

// One character of each encoded length and range: ASCII; Latin-1 and Cyrillic and Greek (two
// bytes); the euro sign, which the 8-bit code page holds, and CJK from U+4E00 and from U+8000,
// and U+FFFF (three); the first, an emoji and the last of the supplementary planes (four).
const std::vector<char32_t> kCharacters = {U'a',          U'\u00E9',     U'\u0416',    U'\u03B1',
                                           U'\u20AC',     U'\u4E00',     U'\u8000',    U'\uFFFF',
                                           U'\U00010000', U'\U0001F600', U'\U0010FFFF'};

std::string Utf8Of(const std::u32string& text) {
    std::wstring wide(text.begin(), text.end());
    return platform::WideToMultiByte(platform::CodePage::Utf8, wide);
}

rc::Gen<std::u32string> Texts() {
    return rc::gen::container<std::u32string>(rc::gen::elementOf(kCharacters));
}

// Where the bytes of each character of a text end.
std::vector<std::size_t> Boundaries(const std::u32string& text) {
    std::vector<std::size_t> ends{0};
    for (const char32_t c : text) {
        ends.push_back(ends.back() + Utf8Of(std::u32string(1, c)).size());
    }
    return ends;
}

// A field with a guard byte on each side, filled with a mark, to see what a store writes.
template <std::size_t Capacity>
struct GuardedField {
    std::array<char, Capacity + 2> bytes;
    explicit GuardedField(char fill) { bytes.fill(fill); }
    char* Field() { return bytes.data() + 1; }
    bool GuardsKept(char fill) const { return bytes.front() == fill && bytes.back() == fill; }
};

constexpr std::size_t kWidest = 40;

RC_GTEST_PROP(Text, Utf8StoreKeepsTheLongestWholePrefixWithItsTerminator, ()) {
    const std::u32string text = *Texts();
    const std::size_t width = *rc::gen::inRange<std::size_t>(1, kWidest);
    const std::string utf8 = Utf8Of(text);
    GuardedField<kWidest> buffer('\xAA');
    const bool whole = json::StoreUtf8(utf8, buffer.Field(), width);
    RC_ASSERT(buffer.GuardsKept('\xAA'));
    if (utf8.empty()) {
        RC_ASSERT(whole && buffer.Field()[0] == '\xAA');  // an empty text stores nothing
        return;
    }
    std::size_t kept = 0;
    for (const std::size_t end : Boundaries(text)) {
        kept = end < width ? end : kept;
    }
    RC_ASSERT(std::string(buffer.Field(), kept) == utf8.substr(0, kept));
    RC_ASSERT(std::string(buffer.Field() + kept, width - kept) == std::string(width - kept, '\0'));
    RC_ASSERT(whole == (kept == utf8.size()));
    RC_ASSERT(std::string(json::CutUtf8(utf8, width - 1)) == utf8.substr(0, kept));
}

// The 8-bit code page takes one byte a character: what it lacks is "?", the euro sign is 0x80.
RC_GTEST_PROP(Text, CodePageStoreKeepsWholeCharactersWithinItsLimit, ()) {
    const std::u32string text = *Texts();
    const std::size_t width = *rc::gen::inRange<std::size_t>(1, kWidest);
    const std::size_t limit = *rc::gen::element<std::size_t>(SIZE_MAX, text.size(), 3);
    GuardedField<kWidest> buffer('\0');
    const bool whole = json::StoreCodePage(Utf8Of(text), buffer.Field(), width, limit);
    RC_ASSERT(buffer.GuardsKept('\0'));
    const std::size_t kept = std::min({text.size(), width, limit});
    std::string expected;
    for (std::size_t k = 0; k < kept; ++k) {
        const char32_t c = text[k];
        expected += c < 0x100 ? static_cast<char>(c) : c == U'\u20AC' ? '\x80' : '?';
    }
    RC_ASSERT(std::string(buffer.Field(), width) == expected + std::string(width - kept, '\0'));
    RC_ASSERT(whole == (kept == text.size()));
}

RC_GTEST_PROP(Text, Utf16StoreNeverSplitsASurrogatePair, ()) {
    const std::u32string text = *Texts();
    const std::size_t units = *rc::gen::inRange<std::size_t>(1, kWidest);
    std::array<char16_t, kWidest + 2> buffer;
    buffer.fill(u'\uAAAA');
    const std::wstring wide(text.begin(), text.end());
    const bool whole = json::StoreUtf16(wide, buffer.data() + 1, units);
    RC_ASSERT(buffer.front() == u'\uAAAA' && buffer[units + 1] == u'\uAAAA');
    const std::u16string all = platform::WideToUtf16(wide);
    std::size_t kept = 0;
    for (std::size_t used = 0, k = 0; k < text.size(); ++k) {
        used += text[k] > 0xFFFF ? 2 : 1;
        kept = used < units ? used : kept;
        if (used >= units) {
            break;
        }
    }
    RC_ASSERT(std::u16string(buffer.data() + 1, kept) == all.substr(0, kept));
    RC_ASSERT(buffer[1 + kept] == u'\0');
    RC_ASSERT(whole == (kept == all.size()));
    RC_ASSERT(platform::Utf16ToWide(all) == wide);
}

// UTF-8 and back is lossless for every character; a lone surrogate has no UTF-8 form and comes
// back as U+FFFD, as does each byte that is not part of valid UTF-8.
RC_GTEST_PROP(Text, Utf8ConversionsAreLosslessWhereTheyCanBe, ()) {
    const std::u32string text = *Texts();
    const std::wstring wide(text.begin(), text.end());
    RC_ASSERT(platform::MultiByteToWide(platform::CodePage::Utf8, Utf8Of(text)) == wide);
    const std::wstring lone = wide + static_cast<wchar_t>(*rc::gen::inRange(0xD800, 0xE000));
    RC_ASSERT(platform::MultiByteToWide(
                  platform::CodePage::Utf8,
                  platform::WideToMultiByte(platform::CodePage::Utf8, lone)) == wide + L'\uFFFD');
    const std::string broken = Utf8Of(text) + '\xC3';
    RC_ASSERT(platform::MultiByteToWide(platform::CodePage::Utf8, broken) == wide + L'\uFFFD');
    // A surrogate's three bytes are no UTF-8: each stands for U+FFFD.
    const std::string surrogate = {'\xED', static_cast<char>(*rc::gen::inRange(0xA0, 0xC0)),
                                   static_cast<char>(*rc::gen::inRange(0x80, 0xC0))};
    RC_ASSERT(platform::MultiByteToWide(platform::CodePage::Utf8, surrogate) ==
              std::wstring(3, L'\uFFFD'));
}

// A file name is bytes: any bytes go to wide text and back unchanged, and a wide name with a
// character no byte string gives has no native form.
RC_GTEST_PROP(Text, FileNamesOfAnyBytesSurviveTheWayToWideTextAndBack, (const std::string& bytes)) {
    const std::wstring wide = platform::WidePath(bytes);
    RC_ASSERT(platform::NativePath(wide) == std::optional<std::string>(bytes));
    const wchar_t unformed = *rc::gen::element<wchar_t>(0xD800, 0xDC7F, 0xDD00, 0xDFFF, 0x110000);
    RC_ASSERT(!platform::NativePath(wide + unformed).has_value());
}

}  // namespace
}  // namespace vqdf
