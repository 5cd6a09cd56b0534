// The legacy loader's size limits, on a file built by hand. (What it makes of small files, section
// by section, is in the dumps of tests/cli/legacy; which files fail to load is listed with the
// malformed corpus, and a file another program holds is the host tests'.)
#include <gtest/gtest.h>

#include "LegacyFixture.h"
#include "compound/LegacyFormat.h"

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

}  // namespace
}  // namespace vqdf
