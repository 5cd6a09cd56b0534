// What a load finds, at the element it concerns, and where each range ends: the last value
// inside gives no finding, the first outside gives one.
#include <gtest/gtest.h>

#include <string>

#include "DataFileApi.h"
#include "JsonFixture.h"

namespace vqdf::api {
namespace {

using testing::JsonFiles;

struct FindingCase {
    const char* section;
    const char* text;
    const char* expected;  // "PLACE: MESSAGE [KIND]", or empty for a file without findings
};

// Two messages, a title and a unit: what the ids below name.
constexpr const char* kMessages = R"([{"id": 0, "TitleInfo": []}, {"id": 1, "TitleInfo": []}])";

const FindingCase kCases[] = {
    // Codes run from 0 to 255.
    {"ParameterGroups", R"([{"GroupNum": 3, "Parameters": [{"CodeNum": 255}]}])", ""},
    {"ParameterGroups", R"([{"GroupNum": 3, "Parameters": [{"CodeNum": 256}]}])",
     "/ParameterGroups/0/Parameters/0/CodeNum: code 256 is outside 0 to 255: its address falls "
     "outside its group [out-of-range]"},
    {"ParameterGroups", R"([{"GroupNum": 3, "Parameters": [{"CodeNum": -1}]}])",
     "/ParameterGroups/0/Parameters/0/CodeNum: code -1 is outside 0 to 255: its address falls "
     "outside its group [out-of-range]"},
    // A message id is a position: below the count of messages.
    {"ParameterGroups", R"([{"GroupNum": 3, "Parameters": [{"DataType": 255, "Message::id": 1}]}])",
     ""},
    {"ParameterGroups", R"([{"GroupNum": 3, "Parameters": [{"DataType": 255, "Message::id": 2}]}])",
     "/ParameterGroups/0/Parameters/0/Message::id: no message 2 [unknown-id]"},
    {"IO", R"({"Input": {"Message::id": -1}})",
     "/IO/Input/Message::id: no message -1 [unknown-id]"},
    // Numbers fit 32 bits, signed.
    {"ParameterGroups",
     R"([{"GroupNum": 3, "Parameters": [{"Def": 2147483647, "Min": -2147483648}]}])", ""},
    {"ParameterGroups", R"([{"GroupNum": 3, "Parameters": [{"Def": 2147483648}]}])",
     "/ParameterGroups/0/Parameters/0/Def: 2147483648 does not fit a 32-bit integer "
     "[out-of-range]"},
    {"ParameterGroups", R"([{"GroupNum": 3, "Parameters": [{"Min": -2147483649}]}])",
     "/ParameterGroups/0/Parameters/0/Min: -2147483649 does not fit a 32-bit integer "
     "[out-of-range]"},
    {"ParameterGroups", R"([{"GroupNum": 3, "Parameters": [{"Max": "12"}]}])",
     "/ParameterGroups/0/Parameters/0/Max: \"12\" is not an integer [out-of-range]"},
    // Hexadecimal texts hold at most eight digits that count.
    {"Device", R"({"KeypadCommOffset16": "0xFFFFFFFF", "ModelNoCommAddr": "0x0000000012"})", ""},
    {"Device", R"({"KeypadCommOffset16": "0x100000000"})",
     "/Device/KeypadCommOffset16: \"0x100000000\" does not fit 32 bits [out-of-range]"},
    {"ParameterGroups", R"([{"GroupNum": 3, "Parameters": [{"Attr": "0xZZ"}]}])",
     "/ParameterGroups/0/Parameters/0/Attr: \"0xZZ\" is not hexadecimal text [out-of-range]"},
    // A block type fits 16 bits.
    {"AdvUserSeq", R"({"BitPinTypes": [], "IOTypes": [], "Comments": [], "Groups": [],
                        "FunctionList": [{"Name": "ADD", "BlockType": "0xFFFF"}]})",
     ""},
    {"AdvUserSeq", R"({"BitPinTypes": [], "IOTypes": [], "Comments": [], "Groups": [],
                        "FunctionList": [{"Name": "ADD", "BlockType": "0x10000"}]})",
     "/AdvUserSeq/FunctionList/0/BlockType: block type 65536 does not fit 16 bits [out-of-range]"},
    // Terminal counts: a total below zero has no entries.
    {"IO", R"({"Input": {"TotalNumOfBasic": 1, "TotalNumOfExt": -1}})", ""},
    {"IO", R"({"Input": {"TotalNumOfBasic": 0, "TotalNumOfExt": -1}})",
     "/IO/Input/TotalNumOfExt: a count of -1 is negative: the table has no entries "
     "[out-of-range]"},
    {"IO", R"({"Input": {"TotalNumOfBasic": 2, "TotalNumOfExt": 1,
                         "BasicTerminalInfo": [{}], "ExtTerminalInfo": [{}, {}]}})",
     "/IO/Input/BasicTerminalInfo: 1 terminals listed for a count of 2 [count-mismatch]"},
    // Texts: 29 bytes fit the model's field, 30 do not.
    {"Device", R"({"Model": "twenty-nine bytes of model...", "DataFileVersion": "123456789"})", ""},
    {"Device", R"({"Model": "thirty bytes of the model name"})",
     "/Device/Model: the text is cut to fit its field of 29 bytes [text-cut]"},
    // Ids that name nothing, and ids given twice.
    {"ParameterGroups", R"([{"GroupNum": 3, "Parameters": [{"id": 1, "Title::id": 5012}]}])",
     "/ParameterGroups/0/Parameters/0/Title::id: no title 5012 [unknown-id]"},
    {"ParameterGroups", R"([{"GroupNum": 3, "Parameters": [{"id": 1, "Unit::id": 9}]}])",
     "/ParameterGroups/0/Parameters/0/Unit::id: no unit 9 [unknown-id]"},
    {"Trips", R"({"CurrentTrip": {"StatusInfoData": [{"StatusInfo::id": 3}]}})",
     "/Trips/CurrentTrip/StatusInfoData/0/StatusInfo::id: no status information 3 [unknown-id]"},
    {"InitOrder", R"([{"Parameter::id": 77}])",
     "/InitOrder/0/Parameter::id: no parameter 77 [unknown-id]"},
    {"SimpleScope", R"({"Enable": {"Parameters::id": 5}})",
     "/SimpleScope/Enable/Parameters::id: no parameter 5 [unknown-id]"},
    {"AdvUserSeq", R"({"BitPinTypes": [], "IOTypes": [], "Comments": [], "Groups": [],
                        "FunctionList": [{"Name": "ADD", "Groups::id": 2, "Comments::id": 3,
                        "Expansion": [{"ExpansionType": "input", "IOTypes::id": 4}]}]})",
     "/AdvUserSeq/FunctionList/0/Expansion/0/IOTypes::id: no IO type 4 [unknown-id]"},
    {"Units", R"([{"id": 1, "Text": "Hz"}, {"id": 1, "Text": "A"}])",
     "/Units/1/id: unit 1 is given again [duplicate-id]"},
    {"ParameterGroups", R"([{"GroupNum": 3, "Parameters": [{"id": 4, "CodeNum": 1},
                                                          {"id": 4, "CodeNum": 2}]}])",
     "/ParameterGroups/0/Parameters/1/id: parameter 4 is given again: it has no address "
     "[duplicate-id]"},
    {"ParameterGroups", R"([{"GroupNum": 3, "Parameters": [{"id": 4, "CodeNum": 1},
                                                          {"id": 5, "CodeNum": 1}]}])",
     "/ParameterGroups/0/Parameters/1/CodeNum: code 1 is given again in group 3 [duplicate-id]"},
    // Required sections.
    {"Trips", "", "/Trips: the required section is missing [missing-section]"},
    {"Messages", "{}", "/Messages: the required section has the wrong kind [missing-section]"},
    {"AdvUserSeq", R"({"BitPinTypes": [], "IOTypes": [], "Comments": [], "Groups": []})",
     "/AdvUserSeq/FunctionList: the required section is missing [missing-section]"},
};

TEST(Findings, EachRangeEndsWhereItsFindingsBegin) {
    for (const FindingCase& c : kCases) {
        JsonFiles files;
        if (std::string(c.section) != "Messages") {
            files.Set("Messages", kMessages);
        }
        files.Set(c.section, c.text);
        files.titles = R"({"Titles": [{"id": 1, "Text": "Acc"}]})";
        files.Write();
        const OpenResult opened = Open((files.Dir() / "M1_1_05.json").string());
        std::string lines;
        for (const Finding& f : opened.findings) {
            lines += f.place + ": " + f.message + " [" + f.kind + "]\n";
        }
        if (*c.expected == '\0') {
            EXPECT_EQ(lines, "") << c.text;
        } else {
            EXPECT_NE(lines.find(std::string(c.expected) + "\n"), std::string::npos)
                << "expected: " << c.expected << "\nfound:\n"
                << lines;
        }
    }
}

}  // namespace
}  // namespace vqdf::api
