// Title formatting: a title and a value text (split at the first newline), decoded as the
// readers decode them, through FormatTitle, and the result stored into a title field.
#include <cstring>

#include "FuzzFiles.h"
#include "json/JsonValue.h"
#include "json/TitleFormat.h"
#include "platform/CodePage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace vqdf;
    const std::string_view input = fuzz::Bytes(data, size);
    const std::size_t split = std::min(input.find('\n'), input.size());
    const std::wstring title = json::ToWideText(input.substr(0, split));
    const std::string_view valueBytes = input.substr(std::min(split + 1, input.size()));
    for (const auto codePage : {platform::CodePage::SystemAnsi, platform::CodePage::Utf8}) {
        const std::wstring value =
            platform::MultiByteToWide(codePage, valueBytes.substr(0, json::kTextBufferBytes));
        const std::wstring formatted = CParamTitle().FormatTitle(title, value);
        char field[30];
        std::memset(field, 0, sizeof field);
        json::StoreCodePage(platform::WideToMultiByte(platform::CodePage::Utf8,
                                                      formatted.empty() ? title : formatted),
                            field);
        char16_t wide[28];
        json::StoreUtf16(formatted, wide);
    }
    return 0;
}
