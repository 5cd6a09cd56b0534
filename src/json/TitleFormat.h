// Filling the "@" placeholders of a title with the digits of a value text.
#pragma once

#include <string>

namespace vqdf {

class CParamTitle {
public:
    virtual ~CParamTitle() = default;
    std::wstring FormatTitle(const std::wstring& title, const std::wstring& value) const;
};

}  // namespace vqdf
