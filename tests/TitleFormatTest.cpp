// Filling title placeholders, and the hexadecimal texts of addresses.
#include <gtest/gtest.h>

#include <clocale>

#include "json/JsonValue.h"
#include "json/TitleFormat.h"

namespace vqdf {
namespace {

struct FormatCase {
    std::wstring title;
    std::wstring value;
    std::wstring result;
};

TEST(TitleFormat, FormatTitle_FillsPlaceholdersRightAlignedAndReadsALeadingMaskAsANumber) {
    const FormatCase cases[] = {
        {L"Step @@", L"5", L"Step 05"},
        {L"@@.@ Hz", L"50", L"5.0 Hz"},
        {L"@@@ rpm", L"7", L"7 rpm"},
        {L"No.@@", L"3", L"No.03"},
        {L"@@-@@", L"1234", L"12-34"},
        {L"@@-@@", L"5", L"0-05"},
        {L"@@. s", L"5", L"5 s"},
        {L"Speed", L"5", L"Speed"},
        {L"@.@@", L"125", L"1.25"},
        {L"@@@@@@@@@@.@", L"12345678901", L"1234567936.0"},
        {L"@@@@@@@@@@@@", L"999999999999", L"999999999999"},
        {L"@@@", L"12345", L"345"},
        {L"P@@ @", L"@1", L"P0@ 1"},  // a placeholder the value brings is not filled
        {L"Temp \u20AC@@", L"7", L"Temp \u20AC07"},
        {L"Temp \u4E2D@", L"7", L"Temp ?7"},
    };
    CParamTitle formatter;
    for (const FormatCase& c : cases) {
        EXPECT_EQ(formatter.FormatTitle(c.title, c.value), c.result)
            << c.title << L" / " << c.value;
    }
}

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
