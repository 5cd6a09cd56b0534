// Filling title placeholders, and the hexadecimal texts of addresses.
#include <gtest/gtest.h>

#include <clocale>

#include "json/JsonValue.h"
#include "json/TitleFormat.h"

namespace vqdf {
namespace {

// How titles are filled, case by case, shows in the dump of tests/cli/sections/title_formats.json.
TEST(TitleFormat, FormatTitle_DoesNotDependOnTheLocale) {
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous ? previous : "C";
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr &&
        std::setlocale(LC_ALL, "fr_FR.UTF-8") == nullptr) {
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    EXPECT_EQ(CParamTitle().FormatTitle(L"@@.@ Hz", L"50"), L"5.0 Hz");
    std::setlocale(LC_ALL, saved.c_str());
}

TEST(HexText, ParseHexText_ReadsAsWcstoulBase16AfterDroppingAnyHexPrefix) {
    const std::pair<std::wstring, uint32_t> cases[] = {
        {L"0x1F", 31u},
        {L"1F", 31u},
        {L"0X0100", 256u},
        {L"100", 256u},
        {L"", 0u},
        {L"  ff", 255u},
        {L"-1", 0xFFFFFFFFu},
        {L"-0x10", 0u},  // "0x" anywhere drops the first two characters: "x10" has no digits
        {L"FFFFFFFF", 0xFFFFFFFFu},
        {L"-FFFFFFFF", 1u},
        {L"123456789", 0xFFFFFFFFu},
        {L"-123456789", 0xFFFFFFFFu},
        {L"12G4", 0x12u},
        {L"zz", 0u},
        {L"A0x5", 0u},  // drops "A0", then "x5" has no digits
        {L"A0X5", 0u},
        {L"-0X10", 0u},
        {L"0x0x20", 0x20u},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(json::ParseHexText(text), expected) << text;
    }
}

}  // namespace
}  // namespace vqdf
