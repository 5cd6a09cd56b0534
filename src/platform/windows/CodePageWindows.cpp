// Code pages on Windows: the platform's own conversions with the system's ANSI code page, the
// calling thread's, and UTF-8. Wide text is UTF-16 here, so the function-block fields take it
// as it is.
#include <windows.h>

#include <climits>

#include "platform/CodePage.h"

namespace vqdf::platform {
namespace {

UINT CodePageId(CodePage codePage) {
    switch (codePage) {
        case CodePage::SystemAnsi:
            return CP_ACP;
        case CodePage::ThreadAnsi:
            return CP_THREAD_ACP;
        case CodePage::Utf8:
            break;
    }
    return CP_UTF8;
}

constexpr wchar_t kReplacement = 0xFFFD;

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c < 0xDC00; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c < 0xE000; }

}  // namespace

std::wstring MultiByteToWide(CodePage codePage, std::string_view bytes) {
    if (bytes.empty() || bytes.size() > INT_MAX) {
        return {};
    }
    const UINT id = CodePageId(codePage);
    const int length = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(id, 0, bytes.data(), length, nullptr, 0);
    if (needed <= 0) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(id, 0, bytes.data(), length, text.data(), needed);
    return text;
}

// The default character "?" stands for what the code page cannot hold; UTF-8 holds everything
// and takes no default character.
std::string WideToMultiByte(CodePage codePage, std::wstring_view text) {
    if (text.empty() || text.size() > INT_MAX) {
        return {};
    }
    const UINT id = CodePageId(codePage);
    // No best-fit mapping: a character the code page lacks becomes the default character, never
    // a look-alike ("A" for "Ā", "@" for the full-width one). UTF-8 takes no such flag.
    const DWORD flags = id == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int length = static_cast<int>(text.size());
    const int needed =
        WideCharToMultiByte(id, flags, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        return {};
    }
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(id, flags, text.data(), length, bytes.data(), needed, nullptr, nullptr);
    return bytes;
}

std::u16string WideToUtf16(std::wstring_view text) {
    return std::u16string(text.begin(), text.end());
}

std::wstring Utf16ToWide(std::u16string_view text) {
    std::wstring wide(text.begin(), text.end());
    for (std::size_t k = 0; k < wide.size(); ++k) {
        if (IsHighSurrogate(wide[k]) && k + 1 < wide.size() && IsLowSurrogate(wide[k + 1])) {
            ++k;
        } else if (IsHighSurrogate(wide[k]) || IsLowSurrogate(wide[k])) {
            wide[k] = kReplacement;
        }
    }
    return wide;
}

}  // namespace vqdf::platform
