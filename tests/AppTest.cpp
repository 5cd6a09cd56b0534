// The exports as the application object carries them out: lookups, the device copy, the
// degree-sign rewrite and the out-arguments left alone on failure.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "FakeDataFile.h"
#include "boundary/DataFileReaderApp.h"
#include "compound/DataFileInfo.h"
#include "model/TableMemory.h"
#include "platform/LibraryFile.h"

namespace vqdf {
namespace {

using testing::FakeDataFile;
using testing::FakeFactory;
using testing::ReaderLog;

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::wstring path =
            std::wstring(L"d") + platform::kDirectorySeparator + L"M1_1_05.json";
        ASSERT_EQ(app.SetDataFilePath(path.c_str()), 0);
        file = static_cast<FakeDataFile*>(app.Registry().FindDataFile(L"M1", L"1.05"));
        ASSERT_NE(file, nullptr);
    }

    std::shared_ptr<ReaderLog> log = std::make_shared<ReaderLog>();
    CvqDataFileReaderApp app{FakeFactory(log)};
    FakeDataFile* file = nullptr;
};

TEST_F(AppTest, GetDeviceInfo_CopiesExactlyTheHundredByteImage) {
    DeviceInfo& device = file->Device();
    std::memcpy(device.Model, "VQ-900", 7);
    device.ParaSaveCommAddr = 0x0F12;
    int32_t diag[1] = {7};
    device.DiagNumbers = diag;

    std::array<unsigned char, 120> buffer;
    buffer.fill(0xAB);
    EXPECT_EQ(app.GetDeviceInfo(L"M1", L"1.05", buffer.data()), 0);
    EXPECT_EQ(std::memcmp(buffer.data(), &device, 100), 0);
    for (std::size_t i = 100; i < buffer.size(); ++i) {
        EXPECT_EQ(buffer[i], 0xAB) << "byte " << i << " written past the image";
    }
    device.DiagNumbers = nullptr;

    buffer.fill(0xCD);
    EXPECT_EQ(app.GetDeviceInfo(L"M9", L"1.05", buffer.data()), 1);
    EXPECT_EQ(app.GetDeviceInfo(L"M1", L"1.05", nullptr), 1);
    EXPECT_TRUE(
        std::all_of(buffer.begin(), buffer.end(), [](unsigned char b) { return b == 0xCD; }));
}

// Byte 5 before C or F is a degree sign: it becomes the two bytes of "°" and the title's end
// moves one byte on, losing the byte after the letter. Before anything else it stays.
TEST_F(AppTest, GetMessageSpec_RewritesDegreePlaceholdersInPlaceOnce) {
    const std::string placeholder = "\x05", degree = "\xC2\xB0";
    const std::pair<std::string, std::string> cases[] = {
        {placeholder + "C", degree + "C"},
        {placeholder + "F rest of text", degree + "F" + std::string(1, '\0') + "est of text"},
        {placeholder + "K", placeholder + "K"},
        {"Hz", "Hz"},
        {placeholder, placeholder},
    };
    std::array<MsgTitle, std::size(cases)> titles{};
    for (std::size_t k = 0; k < titles.size(); ++k) {
        std::memcpy(titles[k].Title, cases[k].first.c_str(), cases[k].first.size() + 1);
    }
    MessageInfo messages[1] = {{static_cast<int32_t>(titles.size()), titles.data()}};
    file->Messages() = {1, messages};
    for (int call = 0; call < 2; ++call) {
        ASSERT_NE(app.GetMessageSpec(L"M1", L"1.05"), nullptr);
        for (std::size_t k = 0; k < titles.size(); ++k) {
            const std::string& after = cases[k].second;
            EXPECT_EQ(std::string(titles[k].Title, after.size() + 1), after + '\0') << k;
        }
    }
    file->Messages() = {};
}

TEST_F(AppTest, GetParamIDS_LeavesTheCallersMapAloneWhenNothingIsFound) {
    file->ids = {{5, {1, 2}}};
    ParamIdMap mine = {{9, {9, 9}}};
    app.GetParamIDS(L"M2", L"1.05", &mine);
    EXPECT_EQ(mine.size(), 1u);
    EXPECT_EQ(mine.count(9), 1u);
    app.GetParamIDS(L"M1", L"1.05", nullptr);
    app.GetParamIDS(L"M1", L"1.05", &mine);
    EXPECT_EQ(mine.size(), 1u);
    EXPECT_EQ(mine.count(5), 1u);

    std::vector<FunctionBlock*> blocks(1, nullptr);
    app.GetSpecAdvUserSeq(L"M2", L"1.05", &blocks);
    EXPECT_EQ(blocks.size(), 1u);
}

// A legacy reader searches its parameter titles for "ParaStatus Num" and "Para Ctrl Num".
TEST(LegacyReader, ParamCountsComeFromTheMaxOfTheFirstMatchingTitle) {
    class Filled : public CDataFileInfo {
    public:
        Filled() : CDataFileInfo(L"") {
            para_.GroupCount = 2;
            para_.Groups = AllocateZeroed<GroupInfo>(2);
            para_.Groups[0].ParameterCount = 1;
            para_.Groups[0].Parameters = AllocateZeroed<ParamInfo>(1);
            std::memcpy(para_.Groups[0].Parameters[0].Title, "ParaStatus Num", 15);
            para_.Groups[1].ParameterCount = 2;
            para_.Groups[1].Parameters = AllocateZeroed<ParamInfo>(2);
            std::memcpy(para_.Groups[1].Parameters[0].Title, "xParaStatus Numx", 17);
            para_.Groups[1].Parameters[0].Max = 12;
            std::memcpy(para_.Groups[1].Parameters[1].Title, "Para Ctrl Num", 14);
            para_.Groups[1].Parameters[1].Max = 4;
        }
        ~Filled() override { ReleaseTables(); }
    };
    Filled reader;
    // The first hit has Max 0, so the search goes on with the next group.
    EXPECT_EQ(reader.GetParaStatusNum(), 12);
    EXPECT_EQ(reader.GetParaControlNum(), 4);
    EXPECT_EQ(reader.FindParamCount(L""), 0);
}

}  // namespace
}  // namespace vqdf
