// The section readers of JSON data files, each from a small document.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string_view>

#include "JsonReaderFixture.h"
#include "model/FixedText.h"

namespace vqdf {
namespace {

using testing::JsonFiles;
using testing::LoadJson;

constexpr const char* kTitles = R"({"Titles": [
    {"id": 1, "Text": "Stop"}, {"id": 2, "Text": "Run"}, {"id": 3, "Text": "P@"},
    {"id": 10, "Text": "Basic Group"}, {"id": 11, "Text": "Group Extra Groups"}, {"id": 12, "Text": "IO Groups Group"},
    {"id": 20, "Text": "Accel Time"}, {"id": 21, "Text": "Terminal @@"},
    {"id": 22, "Text": "\u0005C"}, {"id": 23, "Text": "Output current value display"}]})";

std::string_view Text(const MsgTitle& title) { return FieldText(title.Title); }

class JsonSections : public ::testing::Test {
protected:
    JsonSections() { files.titles = kTitles; }
    CDataFileV2& Load() {
        loaded = LoadJson(files);
        EXPECT_EQ(loaded.result, 1u) << files.DataText();
        return *loaded.reader;
    }

    JsonFiles files;
    testing::Loaded loaded;
};

TEST_F(JsonSections, Messages_FillSlotsByPositionAndShareStorageWithReferences) {
    files.Set("Messages", R"([
        {"id": 0, "TitleInfo": [{"Title::id": 1}, {}, {"Title::id": 2}]},
        {"id": 1},
        {"TitleInfo": [{"Title::id": 3, "AtValue": "7"}, {"Title::id": 99}, {"Title::id": 22}]}])");
    files.Set("IO", R"({"Input": {"Message::id": 0}, "Output": {"Message::id": 3}})");
    files.Set("Trips",
              R"({"CurrentTrip": {"Message::id": 0}, "CurrentWarning": {"Message::id": -1}})");
    CDataFileV2& reader = Load();
    const MessageSpec& spec = *reader.GetMessageSpec();
    ASSERT_EQ(spec.MessageCount, 3);
    ASSERT_EQ(spec.Messages[0].TitleInfoCount, 3);
    EXPECT_EQ(Text(spec.Messages[0].TitleInfo[0]), "Stop");
    EXPECT_EQ(Text(spec.Messages[0].TitleInfo[1]), "");
    EXPECT_EQ(Text(spec.Messages[0].TitleInfo[2]), "Run");
    EXPECT_EQ(spec.Messages[1].TitleInfoCount, 0);
    EXPECT_EQ(spec.Messages[1].TitleInfo, nullptr);
    EXPECT_EQ(Text(spec.Messages[2].TitleInfo[0]), "P7");
    EXPECT_EQ(Text(spec.Messages[2].TitleInfo[1]), "");
    EXPECT_EQ(Text(spec.Messages[2].TitleInfo[2]),
              "\x05"
              "C");

    const IOSpec& io = *reader.GetIOSpec();
    EXPECT_EQ(io.InputFuncTitles, spec.Messages[0].TitleInfo);
    EXPECT_EQ(io.InputFuncTitleCount, 3);
    EXPECT_EQ(io.OutputFuncTitleCount, 0);
    EXPECT_EQ(io.OutputFuncTitles, nullptr);
    const TripSpec& trip = *reader.GetTripSpec();
    EXPECT_EQ(trip.TripNames, spec.Messages[0].TitleInfo);
    EXPECT_EQ(trip.TripCount, 3);
    EXPECT_EQ(trip.WarnCount, 0);

    // Shared titles are dropped, not freed, and a second release frees nothing.
    reader.ReleaseTables();
    EXPECT_EQ(reader.GetIOSpec()->InputFuncTitles, nullptr);
    EXPECT_EQ(reader.GetMessageSpec()->Messages, nullptr);
    EXPECT_EQ(reader.GetMessageSpec()->MessageCount, 3);
    reader.ReleaseTables();
}

TEST_F(JsonSections, Device_ReadsIdentityTextsHexAddressesAndCounts) {
    files.Set("Device", R"({"DataFileVersion": "1.05", "ModelNo": true, "Model": "VQ-Drive 400",
        "InvSwVersion": "2.31", "KeypadCommOffset16": "0x1000", "KeypadCommOffset32": 4096,
        "ModelNoCommAddr": "0x0006", "MotorStatusCommAddr": "0x0300", "InvStatusCommAddr": "301",
        "InvControlCommAddr": "0X0302", "ParaSaveCommAddr": "03E0", "ParaStatusNum": 17,
        "ParaControlNum": 0})");
    CDataFileV2& reader = Load();
    const DeviceInfo& device = *reader.GetDeviceInfo();
    EXPECT_STREQ(device.DataFileVersion, "1.05");
    EXPECT_EQ(device.ModelNo, 1);
    EXPECT_STREQ(device.Model, "VQ-Drive 400");
    EXPECT_STREQ(device.InvSwVersion, "2.31");
    EXPECT_EQ(device.KeypadCommOffset16, 0x1000);
    EXPECT_EQ(reader.GetExtendSpec()->KeypadCommOffset32, 0);
    EXPECT_EQ(device.ModelNoCommAddr, 6);
    EXPECT_EQ(device.MotorStatusCommAddr, 0x300);
    EXPECT_EQ(device.InvStatusCommAddr, 0x301);
    EXPECT_EQ(device.InvControlCommAddr, 0x302);
    EXPECT_EQ(device.ParaSaveCommAddr, 0x3E0);
    EXPECT_EQ(device.DiagNumbers, nullptr);
    EXPECT_EQ(reader.GetParaStatusNum(), 17);
    EXPECT_EQ(reader.GetParaControlNum(), 0);
}

TEST_F(JsonSections, Device_CutsOverlongTextsAtACharacterBoundaryInsideTheField) {
    files.Set(
        "Device",
        R"({"DataFileVersion": "1.05.0001-beta", "Model": "Drive \u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9"})");
    CDataFileV2& reader = Load();
    const DeviceInfo& device = *reader.GetDeviceInfo();
    EXPECT_STREQ(device.DataFileVersion, "1.05.0001");
    // "Drive " and eleven two-byte letters fill 28 bytes; the twelfth would split at byte 29.
    EXPECT_EQ(std::strlen(device.Model), 28u);
    EXPECT_EQ(device.ModelNo, 0);
}

struct TerminalCase {
    std::string input;
    int32_t count;
    int32_t basic;
    std::vector<std::string> titles;  // "" for a zero entry
    int32_t funcCount;
};

TEST_F(JsonSections, IO_PlacesBasicAndExtensionTerminalsByTheirCounts) {
    const std::string t = R"({"Title::id": 21, "AtValue": "1", "CommAddr": "0x0100"})";
    const TerminalCase cases[] = {
        {R"({"TotalNumOfBasic": 2, "TotalNumOfExt": 0, "BasicTerminalInfo": [)" + t + "," + t +
             R"(], "ExtTerminalInfo": [], "Message::id": 0})",
         2,
         2,
         {"Terminal 01", "Terminal 01"},
         2},
        {R"({"TotalNumOfBasic": 8, "Message::id": 0})", 0, 8, {}, 2},
        {R"({"TotalNumOfBasic": 3, "TotalNumOfExt": 2, "BasicTerminalInfo": [)" + t +
             R"(], "ExtTerminalInfo": [)" + t + "," + t + "," + t + R"(]})",
         5,
         3,
         {"Terminal 01", "", "", "Terminal 01", "Terminal 01"},
         0},
        {R"({"TotalNumOfBasic": 3, "TotalNumOfExt": 0, "Message::id": 0})", 3, 3, {"", "", ""}, 0},
        {R"({"TotalNumOfBasic": 1, "TotalNumOfExt": 0, "BasicTerminalInfo": [)" + t + "," + t +
             R"(], "ExtTerminalInfo": [)" + t + R"(]})",
         1,
         1,
         {"Terminal 01"},
         0},
        {R"({"TotalNumOfBasic": -2, "TotalNumOfExt": 3, "BasicTerminalInfo": [], "ExtTerminalInfo": [)" +
             t + R"(]})",
         1,
         -2,
         {"Terminal 01"},
         0},
    };
    for (const TerminalCase& c : cases) {
        JsonFiles local;
        local.titles = kTitles;
        local.Set("Messages", R"([{"TitleInfo": [{"Title::id": 1}, {"Title::id": 2}]}])");
        local.Set("IO", R"({"Input": )" + c.input + "}");
        const auto terminalLoad = LoadJson(local);
        ASSERT_EQ(terminalLoad.result, 1u) << c.input;
        const IOSpec& io = *terminalLoad.reader->GetIOSpec();
        EXPECT_EQ(io.InputCount, c.count) << c.input;
        EXPECT_EQ(io.InputBasicCount, c.basic) << c.input;
        EXPECT_EQ(io.InputFuncTitleCount, c.funcCount) << c.input;
        if (c.titles.empty()) {
            EXPECT_EQ(io.InputTerminals, nullptr) << c.input;
            continue;
        }
        ASSERT_NE(io.InputTerminals, nullptr);
        for (std::size_t k = 0; k < c.titles.size(); ++k) {
            EXPECT_EQ(FieldText(io.InputTerminals[k].Title), c.titles[k]) << c.input << " " << k;
            EXPECT_EQ(io.InputTerminals[k].CommAddr, c.titles[k].empty() ? 0 : 256);
        }
    }
}

TEST_F(JsonSections, ParameterGroups_FillGroupsParametersAndTheFirstIdOfEachParameter) {
    files.Set("Units", R"([{"id": 1, "Text": "sec"}, {"id": 2, "Text": "\u00b0C"}])");
    files.Set("Messages", R"([{}, {}, {}, {}, {}, {}, {}, {"TitleInfo": []}])");
    files.Set("Device", R"({"KeypadCommOffset16": "0x1000"})");
    files.Set("ParameterGroups", R"([
        {"GroupNum": 2, "Title::id": 10, "GroupAttr": "0x8001", "Parameters": [
            {"id": 5, "CodeNum": 10, "Title::id": 20, "Def": 50, "Max": 6000, "Min": -5,
             "DataType": 3, "Point32": 2, "Message::id": 7, "Unit::id": 1, "Attr": "0x0F"},
            {"id": 6, "CodeNum": 11, "Title::id": 3, "AtValue": "4", "DataType": 255,
             "Point32": 2, "Message::id": 7, "Unit::id": 2},
            {"CodeNum": 12, "Message::id": 7, "Point32": 1, "Title::id": 23}]},
        {"GroupNum": 258, "Title::id": 11, "Parameters": [{"id": 5, "CodeNum": 1}, {"id": true, "CodeNum": 3},
            {"id": 4294967296, "CodeNum": 4}]},
        {"GroupNum": 4, "Title::id": 12, "Parameters": {}}])");
    files.Set("InitOrder",
              R"([{"Parameter::id": 5}, {}, {"Parameter::id": 6}, {"Parameter::id": 77}])");
    CDataFileV2& reader = Load();
    const ParaSpec& para = *reader.GetParaSpec();
    ASSERT_EQ(para.GroupCount, 3);
    const GroupInfo& basic = para.Groups[0];
    EXPECT_EQ(basic.GroupNum, 2);
    EXPECT_EQ(std::string_view(basic.Title, 10), std::string_view("Basic\0\0\0\0\0", 10));
    EXPECT_EQ(basic.GroupAttr, 0x8001);
    ASSERT_EQ(basic.ParameterCount, 3);
    const ParamInfo& accel = basic.Parameters[0];
    EXPECT_EQ(accel.CodeNum, 10);
    EXPECT_EQ(FieldText(accel.Title), "Accel Time");
    EXPECT_EQ(FieldText(accel.AltTitle), "Accel Time");
    EXPECT_EQ(accel.Def, 50);
    EXPECT_EQ(accel.Max, 6000);
    EXPECT_EQ(accel.Min, -5);
    EXPECT_EQ(accel.Point32, 2);
    EXPECT_STREQ(accel.Unit, "sec");
    EXPECT_EQ(accel.Attr, 0x0F);
    EXPECT_EQ(basic.Parameters[1].Point32, 7);
    EXPECT_EQ(FieldText(basic.Parameters[1].Title), "P4");
    EXPECT_STREQ(basic.Parameters[1].Unit,
                 "\xC2\xB0"
                 "C");
    EXPECT_EQ(basic.Parameters[2].Point32, 1);
    // A 30-byte title fills the field without terminator.
    EXPECT_EQ(FieldText(basic.Parameters[2].Title), "Output current value display");
    // A leading "Group" has no blank before it and stays; the rest is cut to the 10-byte field.
    EXPECT_EQ(FieldText(para.Groups[1].Title), "Group Extr");
    EXPECT_EQ(FieldText(para.Groups[2].Title), "IOs");
    EXPECT_EQ(para.Groups[2].ParameterCount, 0);
    EXPECT_EQ(para.Groups[2].Parameters, nullptr);

    ParamIdMap ids;
    EXPECT_EQ(reader.GetParamIDS(&ids), 1);
    ASSERT_EQ(ids.size(), 3u);
    EXPECT_EQ(ids[5].GroupNum, 2u);
    EXPECT_EQ(ids[5].CodeNum, 10u);
    EXPECT_EQ(ids[1].CodeNum, 3u);
    EXPECT_EQ(ids[6].CodeNum, 11u);
    EXPECT_EQ(reader.CommAddress16(5), 0x120Au);
    EXPECT_EQ(reader.CommAddress16(1), (258u * 256 + 0x1000 + 3) & 0xFFFF);

    const InitOrder& order = *reader.GetInitOrder();
    ASSERT_EQ(order.InitOrderCount, 4);
    EXPECT_EQ(order.InitOrderAddrs[0], 0x120A);
    EXPECT_EQ(order.InitOrderAddrs[1], 0x120B);
    EXPECT_EQ(order.InitOrderAddrs[2], 0);
    EXPECT_EQ(order.InitOrderAddrs[3], 0);
}

TEST_F(JsonSections, CommonParameters_MessageIdTakesThePlaceOfThePoint) {
    files.Set("Units", R"([{"id": 1, "Text": "kW"}])");
    files.Set("CommonParameters", R"([
        {"CommAddr": "0x0010", "Title::id": 20, "Def": 1, "Max": 2, "Min": 0, "Point16": 1,
         "Message::id": 4, "Unit::id": 1, "Attr": "0x3"},
        {"Point16": 2}, 5])");
    CDataFileV2& reader = Load();
    const CommonSpec& common = *reader.GetCommonSpec();
    ASSERT_EQ(common.CommonCount, 3);
    EXPECT_EQ(common.CommonParams[0].CommAddr, 0x10);
    EXPECT_EQ(FieldText(common.CommonParams[0].Title), "Accel Time");
    EXPECT_EQ(common.CommonParams[0].Point16, 4);
    EXPECT_EQ(FieldText(common.CommonParams[0].Unit), "kW");
    EXPECT_EQ(common.CommonParams[0].Attr, 3);
    EXPECT_EQ(common.CommonParams[1].Point16, 2);
    EXPECT_EQ(common.CommonParams[2].Point16, 0);
}

TEST_F(JsonSections, Trips_StatusSlotsCopyTheirDefinitionAndAddressesSkipNonStrings) {
    files.Set("Units", R"([{"id": 1, "Text": "A"}])");
    files.Set("Trips", R"({
        "StatusInfo": [{"id": 1, "Title::id": 20, "DataType": 2, "Point16": 1, "Unit::id": 1},
                       {"id": 1, "Title::id": 23, "DataType": 3, "Point16": 2, "Unit::id": 1},
                       {"Title::id": 2}, {"id": -1, "Title::id": 23, "DataType": 4}],
        "CurrentTrip": {"FirstTripAddr": "0x0200", "TripAddr": ["0x201", 5, "202", "0x203"],
            "StatusInfoData": [{"StatusInfo::id": 1, "CommAddr": "0x0210"}, {"StatusInfo::id": 1},
                               {"StatusInfo::id": -1, "CommAddr": "1"}, {"StatusInfo::id": 9, "CommAddr": "1"},
                               {"StatusInfo::id": 0, "CommAddr": "0x20"}]},
        "CurrentWarning": {"WarnAddr": []}})");
    CDataFileV2& reader = Load();
    const TripSpec& trip = *reader.GetTripSpec();
    EXPECT_EQ(trip.FirstTripAddr, 0x200);
    ASSERT_EQ(trip.TripAddrCount, 4);
    EXPECT_EQ(trip.TripAddr[0], 0x201);
    EXPECT_EQ(trip.TripAddr[1], 0x202);
    EXPECT_EQ(trip.TripAddr[2], 0x203);
    EXPECT_EQ(trip.TripAddr[3], 0);
    ASSERT_EQ(trip.TripStatusInfoCount, 5);
    const StatusInfoData* slots = trip.TripStatusInfoData;
    EXPECT_EQ(slots[0].CommAddr, 0x210);
    // The later definition of id 1 wins; its 29-byte title keeps its terminator in the slot.
    EXPECT_STREQ(slots[0].Title, "Output current value display");
    EXPECT_EQ(slots[0].DataType, 3);
    EXPECT_EQ(slots[0].Point16, 2);
    EXPECT_STREQ(slots[0].Unit, "A");
    EXPECT_EQ(slots[1].CommAddr, 0);
    EXPECT_EQ(slots[1].DataType, 3);
    // A slot of id -1 is left empty, even with a definition of that id.
    const StatusInfoData zero{};
    EXPECT_EQ(std::memcmp(&slots[2], &zero, sizeof zero), 0);
    EXPECT_EQ(std::memcmp(&slots[3], &zero, sizeof zero), 0);
    EXPECT_STREQ(slots[4].Title, "Run");
    // An empty list is an empty array, not an absent one.
    EXPECT_EQ(trip.WarnAddrCount, 0);
    EXPECT_NE(trip.WarnAddr, nullptr);
    EXPECT_EQ(trip.WarnStatusInfoCount, 0);
}

TEST_F(JsonSections, AdvUserSeq_BuildsBlocksAndRolesAndHandsOutDeepCopies) {
    files.Set("Device", R"({"KeypadCommOffset16": "0x1000", "KeypadCommOffset32": "0x2000"})");
    files.Set("ParameterGroups", R"([{"GroupNum": 2, "Parameters": [{"id": 40, "CodeNum": 5}]}])");
    files.Set("AdvUserSeq", R"({
        "ControlParameter": {"Parameters::id": 40}, "LastErrorParameter": {"Parameters::id": "x"},
        "BitPinTypes": [{"id": 1, "Name": "Bit"}], "IOTypes": [{"id": 1, "Name": "Word"}],
        "Comments": [{"id": 1, "contents": "Adds two values \u00e9"}],
        "Groups": [{"id": 3, "Name": "Old"}, {"id": 3, "Name": "Math"}],
        "FunctionList": [
            {"Name": "ADD", "Groups::id": 3, "Blockid": 7, "BlockType": "0x12345",
             "Expansion": [{"IOTypes::id": 1}, {"ExpansionType": "input", "IOTypes::id": 1},
                           {"ExpansionType": "Output"}],
             "InputParameterIdList": [{"Parameters::id": 40, "IOTypes::id": 1, "Value": -3}, {}],
             "OutputParameterIdList": [], "Comments::id": 1},
            {"Blockid": 1},
            {"Name": "NOP", "Blockid": 7},
            {"Name": "GRP", "Groups::id": 3}]})");
    files.Set("SimpleScope",
              R"({"Enable": {"Parameters::id": 40}, "SamplingTime": {"Parameters::id": 7},
        "ParameterAddr8": {}})");
    CDataFileV2& reader = Load();

    const SpecialParamMap& special = *reader.GetSpecialParameter();
    ASSERT_EQ(special.size(), 6u);
    EXPECT_EQ(special.at(100).ParamId, 40u);
    EXPECT_EQ(special.at(100).CommAddr, 0x1205u);
    EXPECT_EQ(special.at(101).ParamId, 0u);
    EXPECT_EQ(special.at(103).CommAddr, 0u);
    EXPECT_EQ(special.at(200).CommAddr, 0x2000u + 2 * (2 * 128 + 5));
    EXPECT_EQ(special.at(201).ParamId, 7u);
    EXPECT_EQ(special.at(201).CommAddr, 0u);

    std::vector<FunctionBlock*> blocks;
    EXPECT_EQ(reader.GetSpecAdvUserSeq(&blocks), 1);
    EXPECT_EQ(reader.GetSpecAdvUserSeq(&blocks), 1);
    ASSERT_EQ(blocks.size(), 6u);
    const FunctionBlock& add = *blocks[0];
    EXPECT_EQ(add.BlockId, 307u);
    EXPECT_EQ(std::u16string_view(add.Name), u"ADD");
    EXPECT_EQ(std::u16string_view(add.GroupName), u"Math");
    EXPECT_EQ(add.BlockType, 0x2345);
    ASSERT_EQ(add.ExpansionCount, 3u);
    EXPECT_EQ(add.Expansion[0].ExpansionType, 1u);
    EXPECT_EQ(add.Expansion[0].IOTypeId, 1u);
    EXPECT_EQ(add.Expansion[1].ExpansionType, 0u);
    EXPECT_EQ(add.Expansion[2].ExpansionType, 0u);
    ASSERT_EQ(add.InputParamCount, 2u);
    EXPECT_EQ(add.InputParameterIdList[0].Value, -3);
    EXPECT_EQ(add.InputParameterIdList[1].ParamId, 0u);
    EXPECT_EQ(add.OutputParamCount, 0u);
    EXPECT_NE(add.OutputParameterIdList, nullptr);
    EXPECT_EQ(std::u16string_view(add.Comment), u"Adds two values \u00e9");
    EXPECT_EQ(blocks[1]->BlockId, 7u);
    EXPECT_EQ(blocks[2]->BlockId, 0u);
    EXPECT_EQ(std::u16string_view(blocks[2]->GroupName), u"Math");
    // The copies are the caller's own.
    EXPECT_NE(blocks[3]->Expansion, add.Expansion);
    EXPECT_EQ(reader.GetSpecAdvUserSeq(nullptr), 0);
    for (FunctionBlock* block : blocks) {
        delete[] block->Expansion;
        delete[] block->InputParameterIdList;
        delete[] block->OutputParameterIdList;
        delete block;
    }
}

TEST_F(JsonSections, AdvUserSeq_EmptyTablesGiveRolesWithIdZeroAndNoBlocks) {
    CDataFileV2& reader = Load();
    const SpecialParamMap& special = *reader.GetSpecialParameter();
    EXPECT_EQ(special.size(), 4u);
    for (uint32_t role = 100; role <= 103; ++role) {
        EXPECT_EQ(special.at(role).ParamId, 0u);
    }
    std::vector<FunctionBlock*> blocks;
    EXPECT_EQ(reader.GetSpecAdvUserSeq(&blocks), 0);
    ParamIdMap ids = {{1, {1, 1}}};
    EXPECT_EQ(reader.GetParamIDS(&ids), 0);
    EXPECT_EQ(ids.size(), 1u);
}

TEST_F(JsonSections, SimpleScope_AddressesWrapAtSixteenBits) {
    files.Set("Device", R"({"KeypadCommOffset32": "0xFFF0"})");
    files.Set("ParameterGroups", R"([{"GroupNum": 0, "Parameters": [{"id": 1, "CodeNum": 10}]}])");
    files.Set("SimpleScope", R"({"ParameterCount": {"Parameters::id": 1}})");
    CDataFileV2& reader = Load();
    EXPECT_EQ(reader.GetSpecialParameter()->at(202).CommAddr, 4u);
}

// Each text field holds the encoding it is stored in: "é" is E9 in the 8-bit code page and C3 A9
// in UTF-8. A text too long for its field is cut where a character begins, whatever the width of
// the character at the cut.
TEST_F(JsonSections, TextFields_EachInItsEncodingAndCutBetweenCharacters) {
    files.titles = R"({"Titles": [{"id": 1, "Text": "\u00e9"}, {"id": 2, "Text": "D\u00e9p"},
        {"id": 3, "Text": "AAAAAAAAAAAAAAAAAAAAAAAAAA\ud834\udd1e"}]})";
    files.Set("Units", R"([{"id": 1, "Text": "\u00e9"}, {"id": 2, "Text": "AAAAAAA\u20ac"},
        {"id": 3, "Text": "AAAAAAAA\u00e9"}])");
    files.Set("Messages", R"([{"TitleInfo": [{"Title::id": 1}]}])");
    files.Set("Device", R"({"Model": "AAAAAAAAAAAAAAAAAAAAAAAAAAA\u20ac",
        "DataFileVersion": "AAAAAAAA\u00e9", "InvSwVersion": "AAAAAA\ud834\udd1e"})");
    files.Set("IO", R"({"Input": {"TotalNumOfBasic": 1, "TotalNumOfExt": 0,
        "BasicTerminalInfo": [{"Title::id": 2}], "ExtTerminalInfo": []}})");
    files.Set("ParameterGroups", R"([{"Title::id": 2, "Parameters": [
        {"Title::id": 1, "Unit::id": 1}, {"Unit::id": 2}, {"Unit::id": 3}]}])");
    files.Set("CommonParameters", R"([{"Title::id": 2, "Unit::id": 1}])");
    files.Set("Trips", R"({"StatusInfo": [{"id": 1, "Title::id": 1, "Unit::id": 1},
                                          {"id": 2, "Unit::id": 3}],
        "CurrentTrip": {"StatusInfoData": [{"StatusInfo::id": 1}, {"StatusInfo::id": 2}]}})");
    CDataFileV2& reader = Load();
    const GroupInfo& group = reader.GetParaSpec()->Groups[0];
    const CommonInfo& common = reader.GetCommonSpec()->CommonParams[0];
    const StatusInfoData* status = reader.GetTripSpec()->TripStatusInfoData;
    const DeviceInfo& device = *reader.GetDeviceInfo();
    const std::pair<std::string_view, std::string_view> fields[] = {
        {Text(reader.GetMessageSpec()->Messages[0].TitleInfo[0]), "\xC3\xA9"},
        {FieldText(group.Parameters[0].Title), "\xE9"},
        {FieldText(group.Parameters[0].AltTitle), "\xE9"},
        {FieldText(group.Parameters[0].Unit), "\xC3\xA9"},
        {FieldText(group.Parameters[1].Unit), "AAAAAAA"},
        {FieldText(group.Parameters[2].Unit), "AAAAAAAA"},
        {FieldText(group.Title), "D\xE9p"},
        {FieldText(common.Title), "D\xE9p"},
        {FieldText(common.Unit), "\xE9"},
        {FieldText(reader.GetIOSpec()->InputTerminals[0].Title), "D\xE9p"},
        {FieldText(status[0].Title), "\xE9"},
        {FieldText(status[0].Unit), "\xC3\xA9"},
        {FieldText(status[1].Unit), "AAAAAAAA"},
        {FieldText(device.Model), "AAAAAAAAAAAAAAAAAAAAAAAAAAA"},
        {FieldText(device.DataFileVersion), "AAAAAAAA"},
        {FieldText(device.InvSwVersion), "AAAAAA"},
    };
    for (std::size_t k = 0; k < std::size(fields); ++k) {
        EXPECT_EQ(fields[k].first, fields[k].second) << "field " << k;
    }
    // A four-byte character that would end at byte 30 of a title is cut whole by the table.
    EXPECT_EQ(reader.BuildTitle(3, L""), std::wstring(26, L'A'));
}

// Sizes as the file gives them: an empty list is an empty array, a terminal count keeps its value
// whatever it asks for, a text ends at an escaped zero, and a leading number may have an exponent.
TEST_F(JsonSections, Sizes_ListsAndCountsAsTheFileGivesThem) {
    files.titles =
        R"({"Titles": [{"id": 1, "Text": "Run \u0000Stop"}, {"id": 2, "Text": "@@@.@ s"}]})";
    files.Set("Messages",
              R"([{"TitleInfo": [{"Title::id": 1}, {"Title::id": 2, "AtValue": "1e52"}]}])");
    files.Set("IO", R"({"Input": {"TotalNumOfBasic": 2147483647, "TotalNumOfExt": 0}})");
    files.Set("Trips", R"({"CurrentTrip": {"TripAddr": []}, "CurrentWarning": {"WarnAddr": []}})");
    files.Set("Device", R"({"Model": "VQ\u0000-X"})");
    CDataFileV2& reader = Load();
    EXPECT_EQ(reader.GetParaSpec()->GroupCount, 0);
    EXPECT_NE(reader.GetParaSpec()->Groups, nullptr);
    EXPECT_NE(reader.GetTripSpec()->TripAddr, nullptr);
    EXPECT_NE(reader.GetTripSpec()->WarnAddr, nullptr);
    EXPECT_EQ(reader.GetIOSpec()->InputCount, 2147483647);
    EXPECT_STREQ(reader.GetDeviceInfo()->Model, "VQ");
    const MsgTitle* titles = reader.GetMessageSpec()->Messages[0].TitleInfo;
    EXPECT_EQ(Text(titles[0]), "Run");
    EXPECT_EQ(Text(titles[1]), "100000.0 s");
}

}  // namespace
}  // namespace vqdf
