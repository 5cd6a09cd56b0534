// The library as a host uses it: the exported functions of the shared library, serving the
// example drive. This file sees nothing but the public header.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "vqDataFileReader.h"

namespace {

// In the platform's own separators, as a host passes it.
const std::wstring kExample =
    (std::filesystem::path(VQDF_EXAMPLES_DIR) / "M1_1_05.json").make_preferred().wstring();

class Exports : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(SetDataFile_Path(kExample.c_str()), 0); }
};

// Each getter hands out its own table of the example (every field of which its dump shows).
TEST_F(Exports, ExampleLoadsOnceAndAnswersEveryGetter) {
    EXPECT_EQ(SetDataFile_Path(kExample.c_str()), 0);
    DeviceInfo device{};
    ASSERT_EQ(GetDeviceInfo(L"M1", L"", L"1.05", &device), 0);
    EXPECT_STREQ(device.Model, "VQ-400 7.5kW");
    EXPECT_EQ(device.ParaSaveCommAddr, 0x03E0);
    const ParaSpec* para = GetParaSpec(L"M1", L"", L"1.05");
    ASSERT_NE(para, nullptr);
    EXPECT_EQ(para->GroupCount, 10);
    EXPECT_STREQ(para->Groups[0].Title, "DRV");
    EXPECT_EQ(GetIOSpec(L"M1", L"any", L"1.05")->InputTerminals[8].CommAddr, 0x1449);
    EXPECT_STREQ(GetTripSpec(L"M1", L"", L"1.05")->TripStatusInfoData[0].Unit, "Hz");
    EXPECT_EQ(GetMessageSpec(L"M1", L"", L"1.05")->MessageCount, 81);
    EXPECT_EQ(GetInitOrder(L"M1", L"", L"1.05")->InitOrderAddrs[0], 0x100E);
    EXPECT_EQ(GetExtendSpec(L"M1", L"", L"1.05")->KeypadCommOffset32, 0x2000);
    EXPECT_EQ(GetCommonSpec(L"M1", L"", L"1.05")->CommonCount, 10);
    ParamIdMap ids;
    GetParamIDS(L"M1", L"1.05", L"", &ids);
    EXPECT_EQ(ids.size(), 303u);
    std::vector<FunctionBlock*> blocks;
    GetSpecAdvUserSeq(L"M1", L"1.05", L"", &blocks);
    ASSERT_EQ(blocks.size(), 20u);
    EXPECT_EQ(std::u16string(blocks[0]->Name), u"ADD");
    for (FunctionBlock* block : blocks) {
        delete[] block->Expansion;
        delete[] block->InputParameterIdList;
        delete[] block->OutputParameterIdList;
        delete block;
    }
}

TEST_F(Exports, VersionIsSecondForFourGettersAndThirdForTheRest) {
    EXPECT_NE(GetSpecialParameter(L"M1", L"1.05", L"x"), nullptr);
    EXPECT_EQ(GetSpecialParameter(L"M1", L"x", L"1.05"), nullptr);
    EXPECT_NE(GetIOSpec(L"M1", L"x", L"1.05"), nullptr);
    EXPECT_EQ(GetIOSpec(L"M1", L"1.05", L"x"), nullptr);
    EXPECT_EQ(GetIOSpec(L"M1", L"x", L"1_05"), GetIOSpec(L"M1", L"y", L"1.05"));
    EXPECT_EQ(GetParaSpec(L"M1", L"", L"01.05"), nullptr);
    EXPECT_EQ(GetRecentDataFile_Ver(L"M1", L"1.10"), 5);
    EXPECT_EQ(GetRecentDataFile_Ver(L"M1", L"1.05"), -1);
}

TEST_F(Exports, MessageTitlesShowTheDegreeSignAlsoThroughSharedPointers) {
    const MessageSpec* messages = GetMessageSpec(L"M1", L"", L"1.05");
    ASSERT_NE(messages, nullptr);
    EXPECT_GE(messages->MessageCount, 80);
    bool found = false;
    for (int32_t m = 0; m < messages->MessageCount; ++m) {
        const MessageInfo& message = messages->Messages[m];
        if (message.TitleInfoCount == 2 && message.TitleInfo[0].Title[0] == '\xC2') {
            EXPECT_STREQ(message.TitleInfo[0].Title,
                         "\xC2\xB0"
                         "C");
            EXPECT_STREQ(message.TitleInfo[1].Title,
                         "\xC2\xB0"
                         "F");
            found = true;
        }
    }
    EXPECT_TRUE(found);
}

TEST(ExportsBadInput, FailuresAreStatusesAndNullsWithNothingChanged) {
    EXPECT_EQ(SetDataFile_Path(nullptr), 1);
    EXPECT_EQ(SetDataFile_Path(L""), 1);
    EXPECT_EQ(SetDataFile_Path(L"/nonexistent/M7_1_00.json"), 1);
    EXPECT_EQ(SetDataFile_Ver(nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(SetDataFile_Ver(L"M7", L"", L"9.99"), 1);
    EXPECT_EQ(GetIOSpec(L"M7", L"", L"1.00"), nullptr);
    EXPECT_EQ(GetIOSpec(nullptr, nullptr, nullptr), nullptr);
    unsigned char buffer[100];
    std::memset(buffer, 0x5A, sizeof buffer);
    EXPECT_EQ(GetDeviceInfo(L"M7", L"", L"1.00", buffer), 1);
    EXPECT_EQ(buffer[0], 0x5A);
    EXPECT_EQ(GetRecentDataFile_Ver(nullptr, nullptr), -1);
    vq_free(nullptr);
}

}  // namespace
