// Conversions between wide text and the 8-bit encodings that record fields use.
#pragma once

#include <string>
#include <string_view>

namespace vqdf::platform {

enum class CodePage {
    SystemAnsi,  // the system's active 8-bit code page
    ThreadAnsi,  // the calling thread's 8-bit code page
    Utf8,
};

// Bytes the code page cannot decode become U+FFFD.
std::wstring MultiByteToWide(CodePage codePage, std::string_view bytes);

// Characters the code page cannot hold become its default character "?"; in UTF-8, which holds
// every character, what is no character (a lone surrogate) becomes U+FFFD.
std::string WideToMultiByte(CodePage codePage, std::wstring_view text);

// UTF-16 for the wide fields of the function blocks, and back; a lone surrogate becomes U+FFFD.
std::u16string WideToUtf16(std::wstring_view text);
std::wstring Utf16ToWide(std::u16string_view text);

}  // namespace vqdf::platform
