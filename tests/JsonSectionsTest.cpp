// What the section readers of JSON data files do that a dump does not show: which records share
// their storage, what a release frees, the copies handed out, and addresses worked out on demand.
// The records themselves are checked field by field by the dumps of tests/cli/sections.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "json/DataFileV2.h"

namespace vqdf {
namespace {

// A file of tests/cli/sections, loaded.
struct Section {
    explicit Section(const wchar_t* name)
        : result(reader->Load(std::wstring(L"" VQDF_SECTIONS_DIR L"/") + name + L".json")) {}
    std::unique_ptr<CDataFileV2> reader = std::make_unique<CDataFileV2>();
    uint32_t result;
};

// The terminal functions and the trip names are message 0's titles, not copies: a release drops
// them without freeing them, and a second release frees nothing.
TEST(JsonSections, Messages_ShareStorageWithTheirReferencesAndAreReleasedOnce) {
    Section loaded(L"messages");
    ASSERT_EQ(loaded.result, 1u);
    CDataFileV2& reader = *loaded.reader;
    const MsgTitle* titles = reader.GetMessageSpec()->Messages[0].TitleInfo;
    EXPECT_EQ(reader.GetIOSpec()->InputFuncTitles, titles);
    EXPECT_EQ(reader.GetTripSpec()->TripNames, titles);
    reader.ReleaseTables();
    EXPECT_EQ(reader.GetIOSpec()->InputFuncTitles, nullptr);
    EXPECT_EQ(reader.GetTripSpec()->TripNames, nullptr);
    EXPECT_EQ(reader.GetMessageSpec()->Messages, nullptr);
    EXPECT_EQ(reader.GetMessageSpec()->MessageCount, 3);
    reader.ReleaseTables();
}

// Each call hands out blocks of the caller's own, to be freed by the caller.
TEST(JsonSections, AdvUserSeq_HandsOutDeepCopies) {
    Section loaded(L"adv_user_seq");
    ASSERT_EQ(loaded.result, 1u);
    std::vector<FunctionBlock*> blocks;
    EXPECT_EQ(loaded.reader->GetSpecAdvUserSeq(&blocks), 1);
    EXPECT_EQ(loaded.reader->GetSpecAdvUserSeq(&blocks), 1);
    ASSERT_EQ(blocks.size(), 6u);
    EXPECT_NE(blocks[3]->Expansion, blocks[0]->Expansion);
    EXPECT_NE(blocks[3]->InputParameterIdList, blocks[0]->InputParameterIdList);
    EXPECT_EQ(loaded.reader->GetSpecAdvUserSeq(nullptr), 0);
    for (FunctionBlock* block : blocks) {
        delete[] block->Expansion;
        delete[] block->InputParameterIdList;
        delete[] block->OutputParameterIdList;
        delete block;
    }
}

// A parameter's 16-bit address is the offset plus 256 a group plus its code, wrapped at 16 bits;
// the first parameter given an id is the one it names.
TEST(JsonSections, ParameterGroups_AddressesOfParametersByTheirIds) {
    Section loaded(L"parameter_groups");
    ASSERT_EQ(loaded.result, 1u);
    EXPECT_EQ(loaded.reader->CommAddress16(5), 0x120Au);
    EXPECT_EQ(loaded.reader->CommAddress16(1), (258u * 256 + 0x1000 + 3) & 0xFFFF);
}

// A four-byte character that would end at byte 30 of a title is cut whole by the titles table.
TEST(JsonSections, TextFields_TitlesAreCutBetweenCharacters) {
    Section loaded(L"text_fields");
    ASSERT_EQ(loaded.result, 1u);
    EXPECT_EQ(loaded.reader->BuildTitle(3, L""), std::wstring(26, L'A'));
}

}  // namespace
}  // namespace vqdf
