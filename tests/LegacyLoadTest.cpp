// The legacy loader on files built by hand: the sections, split streams, the message walk, group
// storages, short and missing streams, size limits, and files that must not load.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <fstream>

#include "LegacyFixture.h"
#include "compound/LegacyFormat.h"
#include "compound/SSFile.h"

namespace vqdf {
namespace {

using platform::CompoundNode;
using testing::ImageOf;
using testing::Int32Bytes;
using testing::LegacyFiles;
using testing::LoadedLegacy;
using testing::NumberedEntries;

// The first byte of each entry tells which entry of the stream it was: the marks of a table, or
// "-" for an absent one.
template <typename T>
std::string Marks(const T* entries, int64_t count) {
    if (entries == nullptr) {
        return "-";
    }
    std::string marks;
    for (int64_t k = 0; k < count; ++k) {
        marks += (k == 0 ? "" : " ") +
                 std::to_string(*reinterpret_cast<const unsigned char*>(&entries[k]));
    }
    return marks;
}

TEST(LegacyLoad, FileWithOnlyTheDeviceSectionLoadsItAndLeavesTheRestZero) {
    DeviceInfo device{};
    std::strcpy(device.Model, "VQ-9");
    device.KeypadCommOffset16 = 0x1000;
    device.DiagNumberCount = 2;
    device.ParaSaveCommAddr = 0x3E0;
    CompoundNode root;
    root.Storage("Device Spec").SetStream("Device Info", ImageOf(device, 100));
    root.Storage("Device Spec").SetStream("Diag Number", Int32Bytes({7, 9}));
    LegacyFiles files;
    const std::wstring path = files.Write(root);
    LoadedLegacy loaded(path);

    ASSERT_EQ(loaded.result, 1u);
    const DeviceInfo& read = *loaded.reader->GetDeviceInfo();
    EXPECT_EQ(std::memcmp(&read, &device, 100), 0);
    ASSERT_NE(read.DiagNumbers, nullptr);
    EXPECT_EQ(read.DiagNumbers[1], 9);
    EXPECT_EQ(loaded.reader->GetFilePath(), path);
    EXPECT_EQ(loaded.reader->GetIOSpec()->InputCount, 0);
    EXPECT_EQ(loaded.reader->GetMessageSpec()->Messages, nullptr);
    EXPECT_EQ(loaded.reader->GetParaSpec()->GroupCount, 0);
    EXPECT_EQ(loaded.reader->GetInitOrder()->InitOrderAddrs, nullptr);
}

TEST(LegacyLoad, SplitStreamsGiveEachHalfItsOwnEntries) {
    IOSpec io{};
    io.InputCount = 0;
    io.OutputCount = 3;
    io.InputFuncTitleCount = 2;
    io.OutputFuncTitleCount = -4;  // counts as none
    TripSpec trip{};
    trip.TripCount = 0;
    trip.WarnCount = 2;
    trip.TripAddrCount = 2;
    trip.WarnAddrCount = 1;
    trip.TripStatusInfoCount = 1;
    trip.WarnStatusInfoCount = 2;
    CompoundNode root;
    CompoundNode& ioStorage = root.Storage("IO Spec");
    ioStorage.SetStream("IO Info", ImageOf(io, 32));
    ioStorage.SetStream("Terminal Info", NumberedEntries<TerminalInfo>(4, 10));
    ioStorage.SetStream("IO Func Msg Title", NumberedEntries<MsgTitle>(3, 20));
    CompoundNode& tripStorage = root.Storage("Trip Spec");
    tripStorage.SetStream("Trip Info", ImageOf(trip, 32));
    tripStorage.SetStream("Trip Name", NumberedEntries<MsgTitle>(3, 30));
    tripStorage.SetStream("Comm Addr", Int32Bytes({100, 200, 300, 400}));
    tripStorage.SetStream("Trip Info Data", NumberedEntries<StatusInfoData>(3, 40));
    LegacyFiles files;
    LoadedLegacy loaded(files.Write(root));
    ASSERT_EQ(loaded.result, 1u);

    const IOSpec& readIO = *loaded.reader->GetIOSpec();
    EXPECT_EQ(Marks(readIO.InputTerminals, 0), "-");
    EXPECT_EQ(Marks(readIO.OutputTerminals, 3), "10 11 12");
    EXPECT_EQ(Marks(readIO.InputFuncTitles, 2), "20 21");
    EXPECT_EQ(Marks(readIO.OutputFuncTitles, 0), "-");
    EXPECT_EQ(readIO.OutputFuncTitleCount, -4);

    const TripSpec& readTrip = *loaded.reader->GetTripSpec();
    EXPECT_EQ(Marks(readTrip.TripNames, 0), "-");
    EXPECT_EQ(Marks(readTrip.WarnNames, 2), "30 31");
    EXPECT_EQ(readTrip.TripAddr[1], 200);
    EXPECT_EQ(readTrip.WarnAddr[0], 300);
    EXPECT_EQ(Marks(readTrip.TripStatusInfoData, 1), "40");
    EXPECT_EQ(Marks(readTrip.WarnStatusInfoData, 2), "41 42");
}

TEST(LegacyLoad, MessagesTakeTheirTitlesInTurn) {
    CompoundNode root;
    CompoundNode& storage = root.Storage("Message Spec");
    storage.SetStream("Total Message", Int32Bytes({4}));
    storage.SetStream("Msg Title Num", Int32Bytes({3, 0, -1, 2}));
    storage.SetStream("Msg Title", NumberedEntries<MsgTitle>(5, 50));
    LegacyFiles files;
    LoadedLegacy loaded(files.Write(root));
    ASSERT_EQ(loaded.result, 1u);

    const MessageSpec& message = *loaded.reader->GetMessageSpec();
    ASSERT_EQ(message.MessageCount, 4);
    ASSERT_NE(message.Messages, nullptr);
    std::string titles;
    for (int32_t m = 0; m < 4; ++m) {
        const MessageInfo& info = message.Messages[m];
        titles += std::to_string(info.TitleInfoCount) + ":" +
                  Marks(info.TitleInfo, info.TitleInfoCount) + " ";
    }
    EXPECT_EQ(titles, "3:50 51 52 0:- -1:- 2:53 54 ");
}

// A count stream cut inside its last entry keeps that entry's bytes, the rest zero.
TEST(LegacyLoad, TitleCountCutShortKeepsTheBytesItHas) {
    CompoundNode root;
    CompoundNode& storage = root.Storage("Message Spec");
    storage.SetStream("Total Message", Int32Bytes({4}));
    storage.SetStream("Msg Title Num", Int32Bytes({1, 2}) + std::string(1, '\x01'));
    storage.SetStream("Msg Title", NumberedEntries<MsgTitle>(4, 50));
    LegacyFiles files;
    LoadedLegacy loaded(files.Write(root));
    ASSERT_EQ(loaded.result, 1u);

    const MessageSpec& message = *loaded.reader->GetMessageSpec();
    ASSERT_EQ(message.MessageCount, 4);
    EXPECT_EQ(Marks(message.Messages[2].TitleInfo, message.Messages[2].TitleInfoCount), "53");
    EXPECT_EQ(Marks(message.Messages[3].TitleInfo, message.Messages[3].TitleInfoCount), "-");
}

TEST(LegacyLoad, MissingMessageStreamsLeaveCountsWithoutArrays) {
    const struct {
        const char* removed;
        bool messages;
    } cases[] = {{"Msg Title", true}, {"Msg Title Num", false}};
    for (const auto& c : cases) {
        CompoundNode root;
        CompoundNode& storage = root.Storage("Message Spec");
        storage.SetStream("Total Message", Int32Bytes({2}));
        storage.SetStream("Msg Title Num", Int32Bytes({1, 1}));
        storage.SetStream("Msg Title", NumberedEntries<MsgTitle>(2, 1));
        storage.Remove(c.removed);
        LegacyFiles files;
        LoadedLegacy loaded(files.Write(root));
        ASSERT_EQ(loaded.result, 1u) << c.removed;
        const MessageSpec& message = *loaded.reader->GetMessageSpec();
        EXPECT_EQ(message.MessageCount, 2) << c.removed;
        ASSERT_EQ(message.Messages != nullptr, c.messages) << c.removed;
        if (c.messages) {
            EXPECT_EQ(message.Messages[1].TitleInfoCount, 1);
            EXPECT_EQ(message.Messages[1].TitleInfo, nullptr);
        }
    }
}

TEST(LegacyLoad, GroupsLoadFromTheStoragesThatExistAndShortStreamsLeaveZeros) {
    GroupInfo first{};
    first.GroupNum = 1;
    std::strcpy(first.Title, "DRV");
    first.ParameterCount = 5;
    GroupInfo third{};
    third.GroupNum = 3;
    third.ParameterCount = 1;
    CompoundNode root;
    CompoundNode& storage = root.Storage("Parameter Spec");
    storage.SetStream("Total Group", Int32Bytes({3}));
    storage.Storage("Group-0").SetStream("Group Info", ImageOf(first, 24));
    storage.Storage("Group-0").SetStream("Parameter", NumberedEntries<ParamInfo>(3, 60));
    storage.Storage("Group-2").SetStream("Group Info", ImageOf(third, 24));
    storage.Storage("Group-2").SetStream("Parameter", NumberedEntries<ParamInfo>(1, 70));
    LegacyFiles files;
    LoadedLegacy loaded(files.Write(root));
    ASSERT_EQ(loaded.result, 1u);

    const ParaSpec& para = *loaded.reader->GetParaSpec();
    ASSERT_EQ(para.GroupCount, 3);
    ASSERT_NE(para.Groups, nullptr);
    EXPECT_STREQ(para.Groups[0].Title, "DRV");
    // Entries the stream does not hold are zero, wholly.
    const ParamInfo* params = para.Groups[0].Parameters;
    const ParamInfo zero{};
    EXPECT_EQ(Marks(params, 5), "60 61 62 0 0");
    EXPECT_EQ(
        std::memcmp(&params[3], &zero, sizeof zero) | std::memcmp(&params[4], &zero, sizeof zero),
        0);
    EXPECT_EQ(std::to_string(para.Groups[1].GroupNum) + " " +
                  Marks(para.Groups[1].Parameters, para.Groups[1].ParameterCount),
              "0 -");
    EXPECT_EQ(std::to_string(para.Groups[2].GroupNum) + " " + Marks(para.Groups[2].Parameters, 1),
              "3 70");
}

// Group storages are found by their index whatever the case of their name, only as the loader
// spells the index, and only below the count; a count far beyond them leaves the rest zero.
TEST(LegacyLoad, GroupStoragesAreFoundByNameWithoutRegardToCase) {
    CompoundNode root;
    CompoundNode& storage = root.Storage("Parameter Spec");
    storage.SetStream("Total Group", Int32Bytes({400000}));
    const std::pair<const char*, int32_t> names[] = {{"Group-0", 10},      {"GROUP-1", 11},
                                                     {"group-02", 12},     {"Group-3 ", 13},
                                                     {"Group-399999", 14}, {"Group-400000", 15}};
    for (const auto& [name, number] : names) {
        GroupInfo group{};
        group.GroupNum = number;
        storage.Storage(name).SetStream("Group Info", ImageOf(group, 24));
    }
    LegacyFiles files;
    LoadedLegacy loaded(files.Write(root));
    ASSERT_EQ(loaded.result, 1u);
    const ParaSpec& para = *loaded.reader->GetParaSpec();
    ASSERT_EQ(para.GroupCount, 400000);
    // "02" is not how the loader spells 2.
    const GroupInfo* groups = para.Groups;
    EXPECT_EQ(Marks(groups, 4) + " " + Marks(&groups[399999], 1), "10 11 0 0 14");
}

TEST(LegacyLoad, CountsWithoutTheirStreams) {
    DeviceInfo device{};
    device.DiagNumberCount = 0;
    CompoundNode root;
    root.Storage("Device Spec").SetStream("Device Info", ImageOf(device, 100));
    root.Storage("Device Spec").SetStream("Diag Number", Int32Bytes({1, 2, 3}));
    root.Storage("Common Spec").SetStream("Total Common", Int32Bytes({4}));
    root.Storage("Init Order").SetStream("Total Init Order", Int32Bytes({3}));
    root.Storage("Init Order").SetStream("Init Order Para Addr", Int32Bytes({0x100E}));
    LegacyFiles files;
    LoadedLegacy loaded(files.Write(root));
    ASSERT_EQ(loaded.result, 1u);

    EXPECT_EQ(loaded.reader->GetDeviceInfo()->DiagNumbers, nullptr);
    // The common parameters are allocated before their stream is looked for.
    const CommonSpec& common = *loaded.reader->GetCommonSpec();
    EXPECT_EQ(Marks(common.CommonParams, common.CommonCount), "0 0 0 0");
    const InitOrder& order = *loaded.reader->GetInitOrder();
    ASSERT_EQ(order.InitOrderCount, 3);
    EXPECT_EQ(order.InitOrderAddrs[0] + order.InitOrderAddrs[2], 0x100E);
}

// Only the trip and warning names, the messages, the common parameters, the groups and each
// group's parameters have size limits: a table over its limit is skipped as if its stream were
// missing and its count is kept. Every other table is allocated at the size its count gives, also
// far beyond what its stream holds.
TEST(LegacyLoad, OnlyTheLimitedTablesAreSkippedOverTheirLimits) {
    DeviceInfo device{};
    device.DiagNumberCount = 3'000'000;
    IOSpec io{};
    io.InputCount = 1'000'000;
    io.OutputCount = 1;
    TripSpec trip{};
    trip.TripCount = legacy::kMaxNameTableBytes / 30 + 1;
    trip.WarnCount = 1;
    GroupInfo group{};
    group.ParameterCount = legacy::kMaxParametersBytes / 100 + 1;
    GroupInfo atLimit{};
    atLimit.ParameterCount = legacy::kMaxParametersBytes / 100;

    CompoundNode root;
    root.Storage(legacy::kDeviceSpec).SetStream(legacy::kDeviceInfo, ImageOf(device, 100));
    root.Storage(legacy::kDeviceSpec).SetStream(legacy::kDiagNumber, Int32Bytes({1}));
    root.Storage(legacy::kIOSpec).SetStream(legacy::kIOInfo, ImageOf(io, 32));
    root.Storage(legacy::kIOSpec)
        .SetStream(legacy::kTerminalInfo, NumberedEntries<TerminalInfo>(2, 1));
    root.Storage(legacy::kTripSpec).SetStream(legacy::kTripInfo, ImageOf(trip, 32));
    root.Storage(legacy::kTripSpec).SetStream(legacy::kTripName, NumberedEntries<MsgTitle>(2, 1));
    CompoundNode& messages = root.Storage(legacy::kMessageSpec);
    messages.SetStream(legacy::kTotalMessage, Int32Bytes({legacy::kMaxMessagesBytes / 8 + 1}));
    messages.SetStream(legacy::kMsgTitleNum, Int32Bytes({1}));
    root.Storage(legacy::kCommonSpec)
        .SetStream(legacy::kTotalCommon, Int32Bytes({legacy::kMaxCommonBytes / 72 + 1}));
    CompoundNode& para = root.Storage(legacy::kParameterSpec);
    para.SetStream(legacy::kTotalGroup, Int32Bytes({2}));
    para.Storage("Group-0").SetStream(legacy::kGroupInfo, ImageOf(group, 24));
    para.Storage("Group-0").SetStream(legacy::kParameter, NumberedEntries<ParamInfo>(1, 1));
    para.Storage("Group-1").SetStream(legacy::kGroupInfo, ImageOf(atLimit, 24));
    para.Storage("Group-1").SetStream(legacy::kParameter, NumberedEntries<ParamInfo>(1, 9));
    root.Storage(legacy::kInitOrder).SetStream(legacy::kTotalInitOrder, Int32Bytes({4'000'000}));
    LegacyFiles files;
    LoadedLegacy loaded(files.Write(root));
    ASSERT_EQ(loaded.result, 1u);

    // Each unlimited table: its first and last entry, as far beyond its stream as its count goes.
    const DeviceInfo& readDevice = *loaded.reader->GetDeviceInfo();
    const IOSpec& readIO = *loaded.reader->GetIOSpec();
    const GroupInfo* readGroups = loaded.reader->GetParaSpec()->Groups;
    const InitOrder& order = *loaded.reader->GetInitOrder();
    EXPECT_EQ(Marks(readDevice.DiagNumbers, 1) + Marks(readDevice.DiagNumbers + 2'999'999, 1) +
                  " " + Marks(readIO.InputTerminals + 1, 1) +
                  Marks(readIO.InputTerminals + 999'999, 1) + " " +
                  Marks(readIO.OutputTerminals, 1) + " " + Marks(readGroups[1].Parameters, 1) +
                  Marks(readGroups[1].Parameters + atLimit.ParameterCount - 1, 1) + " " +
                  Marks(order.InitOrderAddrs + 3'999'999, 1),
              "10 20 0 90 0");
    // The limited ones over their limits: absent, their counts kept.
    EXPECT_EQ(Marks(loaded.reader->GetTripSpec()->TripNames, 0) +
                  Marks(loaded.reader->GetTripSpec()->WarnNames, 0) +
                  Marks(loaded.reader->GetMessageSpec()->Messages, 0) +
                  Marks(loaded.reader->GetCommonSpec()->CommonParams, 0) +
                  Marks(readGroups[0].Parameters, 0),
              "-----");
    EXPECT_EQ(loaded.reader->GetMessageSpec()->MessageCount, legacy::kMaxMessagesBytes / 8 + 1);
    EXPECT_EQ(readGroups[0].ParameterCount, group.ParameterCount);
}

TEST(LegacyLoad, FilesThatCannotBeOpenedFailWithEveryRecordZero) {
    LegacyFiles files;
    CompoundNode root;
    root.Storage("Device Spec").SetStream("Device Info", std::string(100, 'D'));
    const std::wstring valid = files.Write(root);
    std::ofstream(files.Dir() / "M2_1_00.inv") << "{\"Device\": {}}";
    std::ofstream(files.Dir() / "M3_1_00.inv");

    CSSFile holder;
    ASSERT_TRUE(holder.Open(valid, kReadShareExclusive));
    for (const std::wstring& path :
         {valid, (files.Dir() / "M2_1_00.inv").wstring(), (files.Dir() / "M3_1_00.inv").wstring(),
          (files.Dir() / "M4_1_00.inv").wstring()}) {
        LoadedLegacy loaded(path);
        EXPECT_EQ(loaded.result, 0u);
        EXPECT_EQ(loaded.reader->GetDeviceInfo()->Model[0], '\0');
    }
    holder.Close();
    LoadedLegacy loaded(valid);
    EXPECT_EQ(loaded.result, 1u);
    EXPECT_EQ(loaded.reader->GetDeviceInfo()->Model[0], 'D');
}

}  // namespace
}  // namespace vqdf
