// Texts in the system's code page, whichever it is: scripts/windows.sh runs these on code page
// 1252 and on 932 (a Japanese system), and one case with a Russian thread locale (1251). No field
// ends inside a character, a terminal name takes at most as many bytes as it has characters, and
// a character the code page lacks becomes "?", never a look-alike.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

#include "json/DataFileV2.h"
#include "model/FixedText.h"
#include "platform/CodePage.h"

namespace vqdf {
namespace {

// Decodes without error: a lead byte at the end, cut from its character, does not.
bool WholeCharacters(std::string_view bytes) {
    return bytes.empty() || MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(),
                                                static_cast<int>(bytes.size()), nullptr, 0) > 0;
}

std::string SystemBytes(const std::wstring& text) {
    return platform::WideToMultiByte(platform::CodePage::SystemAnsi, text);
}

// code_pages.json: texts of Japanese characters, and of characters no code page here has, in
// titles, units and a terminal name; loaded here, in the code page of the system or the thread.
class CodePages : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* expected = std::getenv("VQDF_EXPECTED_ACP")) {
            ASSERT_EQ(GetACP(), static_cast<UINT>(std::atoi(expected)));
        }
    }
    void TearDown() override { reader.ReleaseTables(); }
    uint32_t Load() { return reader.Load(VQDF_EXAMPLES_DIR L"/../tests/windows/code_pages.json"); }
    CDataFileV2 reader;
};

TEST_F(CodePages, FieldsHoldWholeCharactersAndNoLookAlikes) {
    ASSERT_EQ(Load(), 1u);
    const GroupInfo& group = reader.GetParaSpec()->Groups[0];
    // A text longer than its field keeps its first whole characters: a double-byte character
    // that would end in the last byte is left out whole.
    const auto expectCut = [](std::string_view stored, const std::wstring& text,
                              std::size_t width) {
        const std::string whole = SystemBytes(text);
        EXPECT_TRUE(WholeCharacters(stored)) << stored;
        EXPECT_EQ(whole.substr(0, stored.size()), stored);
        EXPECT_GE(stored.size() + 1, std::min(whole.size(), width));
    };
    expectCut(FieldText(group.Title), L"a\u65E5\u672C\u8A9E\u65E5\u672C", sizeof group.Title);
    const CommonInfo& common = reader.GetCommonSpec()->CommonParams[0];
    expectCut(FieldText(common.Unit), L"\u65E5\u672C\u8A9E\u65E5\u672C\u8A9E", sizeof common.Unit);

    // "日本": two characters, so at most two bytes.
    const std::string_view terminal = FieldText(reader.GetIOSpec()->InputTerminals[0].Title);
    EXPECT_TRUE(WholeCharacters(terminal));
    EXPECT_EQ(terminal, SystemBytes(L"\u65E5\u672C").substr(0, 2));

    // No code page here has "Ā"; the full-width "＠" is kept or becomes "?", never a placeholder.
    EXPECT_EQ(FieldText(group.Parameters[0].Title), "? 5");
    EXPECT_EQ(FieldText(group.Parameters[1].Title), SystemBytes(L"Step \uFF20"));
    EXPECT_EQ(FieldText(group.Parameters[1].Title).find('5'), std::string_view::npos);
}

// Titles are formatted in the thread's code page: with a Russian thread locale (1251), which has
// no "é", it is "?" before the value is filled in.
TEST_F(CodePages, TheThreadCodePageHasNoBestFitEither) {
    const LCID before = GetThreadLocale();
    ASSERT_TRUE(SetThreadLocale(MAKELCID(MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT), SORT_DEFAULT)));
    const uint32_t loaded = Load();
    SetThreadLocale(before);
    ASSERT_EQ(loaded, 1u);
    const std::string_view title = FieldText(reader.GetParaSpec()->Groups[0].Parameters[2].Title);
    EXPECT_EQ(title, "? 5");
}

}  // namespace
}  // namespace vqdf
