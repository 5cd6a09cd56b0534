// The section readers of JSON data files, each from a small document.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string_view>

#include "JsonReaderFixture.h"
#include "RecordText.h"

namespace vqdf {
namespace {

using ::testing::ElementsAre;
using testing::Ints;
using testing::JsonFiles;
using testing::Line;
using testing::LoadJson;
using testing::Text;
using testing::Texts;

constexpr const char* kTitles = R"({"Titles": [
    {"id": 1, "Text": "Stop"}, {"id": 2, "Text": "Run"}, {"id": 3, "Text": "P@"},
    {"id": 10, "Text": "Basic Group"}, {"id": 11, "Text": "Group Extra Groups"}, {"id": 12, "Text": "IO Groups Group"},
    {"id": 20, "Text": "Accel Time"}, {"id": 21, "Text": "Terminal @@"},
    {"id": 22, "Text": "\u0005C"}, {"id": 23, "Text": "Output current value display"}]})";

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
    const auto titles = [&](int m) {
        return Texts(spec.Messages[m].TitleInfo, spec.Messages[m].TitleInfoCount);
    };
    EXPECT_EQ(titles(0), "Stop /  / Run");
    EXPECT_EQ(titles(1), "-");
    EXPECT_EQ(titles(2),
              "P7 /  / \x05"
              "C");

    const IOSpec& io = *reader.GetIOSpec();
    const TripSpec& trip = *reader.GetTripSpec();
    EXPECT_EQ(Line(io.InputFuncTitles == spec.Messages[0].TitleInfo, io.InputFuncTitleCount,
                   io.OutputFuncTitles == nullptr, io.OutputFuncTitleCount),
              Line(1, 3, 1, 0));
    EXPECT_EQ(Line(trip.TripNames == spec.Messages[0].TitleInfo, trip.TripCount, trip.WarnCount),
              Line(1, 3, 0));

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
    EXPECT_EQ(Text(device), Line("1.05", 1, "VQ-Drive 400", "2.31", 0, 0, 0, 0x1000, 0, 6, 0, 0x300,
                                 0x301, 0x302, 0x3E0));
    EXPECT_EQ(Line(reader.GetExtendSpec()->KeypadCommOffset32, device.DiagNumbers == nullptr,
                   reader.GetParaStatusNum(), reader.GetParaControlNum()),
              Line(0, 1, 17, 0));
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
        EXPECT_EQ(Line(io.InputCount, io.InputBasicCount, io.InputFuncTitleCount),
                  Line(c.count, c.basic, c.funcCount))
            << c.input;
        std::string terminals = c.titles.empty() ? "-" : "";
        for (const std::string& title : c.titles) {
            terminals += (terminals.empty() ? "" : " / ") + Line(title, title.empty() ? 0 : 256);
        }
        EXPECT_EQ(Texts(io.InputTerminals, io.InputCount), terminals) << c.input;
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
    // A leading "Group" has no blank before it and stays; the rest is cut to the 10-byte field.
    EXPECT_EQ(Texts(para.Groups, para.GroupCount), Line(2, "Basic", 0x8001, 3) + " / " +
                                                       Line(258, "Group Extr", 0, 3) + " / " +
                                                       Line(4, "IOs", 0, 0));
    const GroupInfo& basic = para.Groups[0];
    EXPECT_EQ(std::string_view(basic.Title, 10), std::string_view("Basic\0\0\0\0\0", 10));
    // A 30-byte title fills the field without terminator.
    EXPECT_EQ(Texts(basic.Parameters, basic.ParameterCount),
              Line(10, "Accel Time", "Accel Time", 50, 6000, -5, 3, 2, "sec", 0x0F) + " / " +
                  Line(11, "P4", "P4", 0, 0, 0, 255, 7,
                       "\xC2\xB0"
                       "C",
                       0) +
                  " / " +
                  Line(12, "Output current value display", "Output current value display", 0, 0, 0,
                       0, 1, "", 0));
    EXPECT_EQ(para.Groups[2].Parameters, nullptr);

    ParamIdMap ids;
    EXPECT_EQ(reader.GetParamIDS(&ids), 1);
    std::string entries;
    for (const auto& [id, at] : ids) {
        entries += Line(id, at.GroupNum, at.CodeNum) + " ";
    }
    EXPECT_EQ(entries, "1|258|3 5|2|10 6|2|11 ");
    EXPECT_EQ(Line(reader.CommAddress16(5), reader.CommAddress16(1)),
              Line(0x120A, (258 * 256 + 0x1000 + 3) & 0xFFFF));
    const InitOrder& order = *reader.GetInitOrder();
    EXPECT_THAT(Ints(order.InitOrderAddrs, order.InitOrderCount),
                ElementsAre(0x120A, 0x120B, 0, 0));
}

TEST_F(JsonSections, CommonParameters_MessageIdTakesThePlaceOfThePoint) {
    files.Set("Units", R"([{"id": 1, "Text": "kW"}])");
    files.Set("CommonParameters", R"([
        {"CommAddr": "0x0010", "Title::id": 20, "Def": 1, "Max": 2, "Min": 0, "Point16": 1,
         "Message::id": 4, "Unit::id": 1, "Attr": "0x3"},
        {"Point16": 2}, 5])");
    const CommonSpec& common = *Load().GetCommonSpec();
    EXPECT_EQ(Texts(common.CommonParams, common.CommonCount),
              Line(0x10, "Accel Time", 1, 2, 0, 0, 4, "kW", 3) + " / " +
                  Line(0, "", 0, 0, 0, 0, 2, "", 0) + " / " + Line(0, "", 0, 0, 0, 0, 0, "", 0));
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
    const TripSpec& trip = *Load().GetTripSpec();
    EXPECT_EQ(trip.FirstTripAddr, 0x200);
    EXPECT_THAT(Ints(trip.TripAddr, trip.TripAddrCount), ElementsAre(0x201, 0x202, 0x203, 0));
    // The later definition of id 1 wins; its 29-byte title keeps its terminator in the slot. A
    // slot of id -1 is left empty, even with a definition of that id.
    const std::string display = Line(3, 2, "A");
    EXPECT_EQ(Texts(trip.TripStatusInfoData, trip.TripStatusInfoCount),
              Line(0x210, "Output current value display", display) + " / " +
                  Line(0, "Output current value display", display) + " / " + Line(0, "", 0, 0, "") +
                  " / " + Line(0, "", 0, 0, "") + " / " + Line(0x20, "Run", 0, 0, ""));
    // An empty list is an empty array, not an absent one.
    EXPECT_EQ(Line(trip.WarnAddrCount, trip.WarnAddr != nullptr, trip.WarnStatusInfoCount),
              Line(0, 1, 0));
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

    std::string roles;
    for (const auto& [role, entry] : *reader.GetSpecialParameter()) {
        roles += Line(role, entry.ParamId, entry.CommAddr) + " ";
    }
    EXPECT_EQ(roles, Line(100, 40, 0x1205) + " 101|0|0 102|0|0 103|0|0 " +
                         Line(200, 40, 0x2000 + 2 * (2 * 128 + 5)) + " 201|7|0 ");

    std::vector<FunctionBlock*> blocks;
    EXPECT_EQ(reader.GetSpecAdvUserSeq(&blocks), 1);
    EXPECT_EQ(reader.GetSpecAdvUserSeq(&blocks), 1);
    ASSERT_EQ(blocks.size(), 6u);
    const FunctionBlock& add = *blocks[0];
    EXPECT_EQ(Line(add.BlockId, add.BlockType, add.ExpansionCount, add.Expansion[0].ExpansionType,
                   add.Expansion[0].IOTypeId, add.Expansion[1].ExpansionType,
                   add.Expansion[2].ExpansionType, add.InputParamCount,
                   add.InputParameterIdList[0].Value, add.InputParameterIdList[1].ParamId,
                   add.OutputParamCount, add.OutputParameterIdList != nullptr),
              Line(307, 0x2345, 3, 1, 1, 0, 0, 2, -3, 0, 0, 1));
    EXPECT_EQ(std::u16string_view(add.Name), u"ADD");
    EXPECT_EQ(std::u16string_view(add.GroupName), u"Math");
    EXPECT_EQ(std::u16string_view(add.Comment), u"Adds two values \u00e9");
    EXPECT_EQ(Line(blocks[1]->BlockId, blocks[2]->BlockId), Line(7, 0));
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
    std::string roles;
    for (const auto& [role, entry] : *reader.GetSpecialParameter()) {
        roles += Line(role, entry.ParamId) + " ";
    }
    EXPECT_EQ(roles, "100|0 101|0 102|0 103|0 ");
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
        {FieldText(reader.GetMessageSpec()->Messages[0].TitleInfo[0].Title), "\xC3\xA9"},
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
    EXPECT_EQ(
        Line(reader.GetParaSpec()->GroupCount, reader.GetParaSpec()->Groups != nullptr,
             reader.GetTripSpec()->TripAddr != nullptr, reader.GetTripSpec()->WarnAddr != nullptr,
             reader.GetIOSpec()->InputCount, reader.GetDeviceInfo()->Model),
        Line(0, 1, 1, 1, 2147483647, "VQ"));
    EXPECT_EQ(Texts(reader.GetMessageSpec()->Messages[0].TitleInfo, 2), "Run / 100000.0 s");
}

}  // namespace
}  // namespace vqdf
