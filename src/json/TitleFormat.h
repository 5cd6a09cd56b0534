// Filling the "@" placeholders of a title with the digits of a value text.
#pragma once

#include <string>
#include <string_view>

namespace vqdf {

class CParamTitle {
public:
    virtual ~CParamTitle() = default;
    std::wstring FormatTitle(const std::wstring& title, const std::wstring& value) const;
    // The same on the bytes of the thread's 8-bit code page.
    std::string FormatBytes(std::string_view title, std::string_view value) const;
};

}  // namespace vqdf
