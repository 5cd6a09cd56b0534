// The rules over what a drive description means: the example with one edit that breaks one rule
// gives that rule's finding at the place of the edit, and no other; an edit at the edge of a
// rule gives none. The legacy twin of each file gives the same rules, at its own places.
#include <gtest/gtest.h>
#include <rapidjson/document.h>
#include <rapidjson/pointer.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "DataFileApi.h"
#include "TestDirectory.h"

namespace vqdf::api {
namespace {

namespace fs = std::filesystem;
using testing::TestDirectory;

const fs::path kExamples = VQDF_EXAMPLES_DIR;

std::string Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A JSON Pointer and the JSON value to put there; "" removes what is there.
using Edit = std::pair<const char*, const char*>;
using Place = std::pair<std::string, std::string>;  // rule name, place

struct RuleCase {
    std::vector<Edit> edits;
    std::vector<Place> json = {};  // the rules' findings of the edited file
    // Those of its legacy twin: the same rules at the legacy places given here, where the JSON
    // file's finding is one a legacy file cannot have, or has one the JSON file does not.
    std::vector<Place> legacy = {};
    bool legacyDiffers = false;
    const char* message = "";  // the first finding's message, where given
};

constexpr const char* kParam = "/ParameterGroups/0/Parameters/3";  // 0/3 "Acc Time"
constexpr const char* kLegacyParam = "/Parameter Spec/Group-0/Parameter";

std::string At(const char* field) { return std::string(kParam) + "/" + field; }

const std::vector<RuleCase>& Cases() {
    static const std::vector<RuleCase> cases = {
        // Limits: Acc Time holds 0 to 60000, default 200.
        {{{"/ParameterGroups/0/Parameters/3/Min", "60001"}},
         {{"limits-reversed", At("Min")}},
         {{"limits-reversed", kLegacyParam}},
         false,
         "parameter 0/3 \"Acc Time\": minimum 6000.1 sec is above maximum 6000.0 sec"},
        {{{"/ParameterGroups/0/Parameters/3/Min", "60000"},
          {"/ParameterGroups/0/Parameters/3/Def", "60000"}},
         {}},
        {{{"/CommonParameters/0/Min", "65536"}},
         {{"limits-reversed", "/CommonParameters/0/Min"}},
         {{"limits-reversed", "/Common Spec/Common Info"}}},
        {{{"/ParameterGroups/0/Parameters/3/Def", "60001"}},
         {{"default-outside-limits", At("Def")}},
         {{"default-outside-limits", kLegacyParam}},
         false,
         "parameter 0/3 \"Acc Time\": default 6000.1 sec is outside 0.0 sec to 6000.0 sec"},
        {{{"/ParameterGroups/0/Parameters/3/Def", "-1"}},
         {{"default-outside-limits", At("Def")}},
         {{"default-outside-limits", kLegacyParam}}},
        {{{"/CommonParameters/2/Def", "40001"}},
         {{"default-outside-limits", "/CommonParameters/2/Def"}},
         {{"default-outside-limits", "/Common Spec/Common Info"}},
         false,
         "common parameter 0x0304 \"Output Freq\": default 40001 is outside 0 to 40000"},
        // Named values: Cmd Source (0/6) names 0 to 5 by message 2; the file has 81 messages,
        // the last with 3 titles.
        {{{"/ParameterGroups/0/Parameters/5/Message::id", "81"}},
         {{"message-missing", "/ParameterGroups/0/Parameters/5"}},
         {{"message-missing", kLegacyParam}},
         false,
         "parameter 0/6 \"Cmd Source\": its values are named by message 81, which the file does "
         "not have (its messages are 0 to 80)"},
        {{{"/ParameterGroups/0/Parameters/5/Message::id", "80"},
          {"/ParameterGroups/0/Parameters/5/Max", "2"}},
         {}},
        {{{"/ParameterGroups/0/Parameters/5/Max", "6"}},
         {{"value-not-named", "/ParameterGroups/0/Parameters/5/Max"}},
         {{"value-not-named", kLegacyParam}},
         false,
         "parameter 0/6 \"Cmd Source\": maximum 6 names no value: message 2 names 0 to 5"},
        {{{"/ParameterGroups/0/Parameters/5/Def", "5"}}, {}},
        {{{"/ParameterGroups/0/Parameters/5/Min", "-1"}},
         {{"value-not-named", "/ParameterGroups/0/Parameters/5/Min"}},
         {{"value-not-named", kLegacyParam}}},
        // Registers: Acc Time is on 0x1003 and, by its 32-bit address, on 0x2006 and 0x2007;
        // group 0 has no code 5, so nothing is on 0x200A.
        {{{"/CommonParameters/0/CommAddr", "\"0x1003\""}},
         {{"address-shared", "/CommonParameters/0/CommAddr"}},
         {{"address-shared", "/Common Spec/Common Info"}}},
        {{{"/Device/ParaSaveCommAddr", "\"0x1003\""}},
         {{"address-shared", "/Device/ParaSaveCommAddr"}},
         {{"address-shared", "/Device Spec/Device Info"}}},
        {{{"/Trips/CurrentWarning/FirstWarnAddr", "\"0x1003\""}},
         {{"address-shared", "/Trips/CurrentWarning/FirstWarnAddr"}},
         {{"address-shared", "/Trip Spec/Trip Info"}}},
        {{{"/Trips/CurrentWarning/WarnAddr/0", "\"0x1003\""}},
         {{"address-shared", "/Trips/CurrentWarning/WarnAddr"}},
         {{"address-shared", "/Trip Spec/Comm Addr"}}},
        {{{"/IO/Output/StatusCommAddr", "\"0x1003\""}},
         {{"address-shared", "/IO/Output/StatusCommAddr"}},
         {{"address-shared", "/IO Spec/IO Info"}}},
        // The second register of a 32-bit address, which a legacy file does not have.
        {{{"/Trips/CurrentTrip/StatusInfoData/0/CommAddr", "\"0x2007\""}},
         {{"address-shared", "/Trips/CurrentTrip/StatusInfoData/0/CommAddr"}},
         {},
         true,
         "register 0x2007 belongs to the 32-bit address of parameter 0/3 \"Acc Time\" and to trip "
         "value 0 \"Output Freq\""},
        {{{"/Trips/CurrentTrip/StatusInfoData/0/CommAddr", "\"0x200A\""}}, {}},
        {{{"/CommonParameters/1/CommAddr", "\"0x0300\""}},
         {{"address-shared", "/CommonParameters/1/CommAddr"}},
         {{"address-shared", "/Common Spec/Common Info"}}},
        {{{"/Trips/CurrentTrip/StatusInfoData/1/CommAddr", "\"0x0341\""}},
         {{"address-shared", "/Trips/CurrentTrip/StatusInfoData/1/CommAddr"}},
         {{"address-shared", "/Trip Spec/Trip Info Data"}}},
        // A trip's value on a warning's register, and a common parameter on a device register,
        // are the same value read twice.
        {{{"/Trips/CurrentTrip/StatusInfoData/0/CommAddr", "\"0x0351\""},
          {"/CommonParameters/2/CommAddr", "\"0x0306\""}},
         {}},
        // Acc Time's code given to Dec Time: one finding for the pair, not one a register.
        {{{"/ParameterGroups/0/Parameters/4/CodeNum", "3"}},
         {{"address-shared", "/ParameterGroups/0/Parameters/4/CodeNum"}},
         {{"address-shared", kLegacyParam}},
         false,
         "register 0x1003 belongs to parameter 0/3 \"Acc Time\" and to parameter 0/3 \"Dec Time\""},
        {{{"/ParameterGroups/-", R"({"GroupNum": 3, "Title::id": 425, "Parameters": []})"}},
         {{"group-repeated", "/ParameterGroups/10"}},
         {{"group-repeated", "/Parameter Spec/Group-10/Group Info"}},
         false,
         "group 3 \"CON\" again: entry 10 has the number of entry 3"},
        // The initialisation order: its first steps are parameters 9 and 8.
        {{{"/InitOrder/0/Parameter::id", "999"}},
         {{"init-order-unknown", "/InitOrder"}},
         {{"init-order-unknown", "/Init Order/Init Order Para Addr"}},
         false,
         "step 1 names no parameter"},
        {{{"/InitOrder/1/Parameter::id", "9"}},
         {{"init-order-repeated", "/InitOrder"}},
         {{"init-order-repeated", "/Init Order/Init Order Para Addr"}},
         false,
         "step 2 names parameter 0/14 \"Motor Capacity\" again, as step 1 does"},
        {{{"/IO/Input/Message::id", ""}},
         {{"names-missing", "/IO/Input/Message::id"}},
         {{"names-missing", "/IO Spec/IO Func Msg Title"}},
         false,
         "the 12 input terminals have no function titles: no message names their functions"},
        {{{"/Trips/CurrentWarning/Message::id", ""}},
         {{"names-missing", "/Trips/CurrentWarning/Message::id"}},
         {{"names-missing", "/Trip Spec/Trip Name"}}},
        // Decimal points; a common parameter's may be a message.
        {{{"/ParameterGroups/0/Parameters/3/Point32", "10"}},
         {{"decimal-point-range", At("Point32")}},
         {{"decimal-point-range", kLegacyParam}}},
        {{{"/ParameterGroups/0/Parameters/3/Point32", "9"}}, {}},
        {{{"/CommonParameters/1/Point16", "81"}},
         {{"decimal-point-range", "/CommonParameters/1/Point16"}},
         {{"decimal-point-range", "/Common Spec/Common Info"}},
         false,
         "common parameter 0x0301 \"Inverter Capacity\": 81 is neither a decimal point from 0 to 9 "
         "nor a message of the file"},
        {{{"/CommonParameters/1/Point16", "80"}}, {}},
        // Status value 2 is the trip's second value, and the warning's too.
        {{{"/Trips/StatusInfo/1/Point16", "-1"}},
         {{"decimal-point-range", "/Trips/CurrentTrip/StatusInfoData/1"},
          {"decimal-point-range", "/Trips/CurrentWarning/StatusInfoData/1"}},
         {{"decimal-point-range", "/Trip Spec/Trip Info Data"},
          {"decimal-point-range", "/Trip Spec/Trip Info Data"}}},
        {{{"/ParameterGroups/0/Parameters/3/Title::id", ""}},
         {{"title-empty", At("Title::id")}},
         {{"title-empty", kLegacyParam}},
         false,
         "parameter 0/3 has no title"},
        {{{"/ParameterGroups/2/Title::id", ""}},
         {{"title-empty", "/ParameterGroups/2"}},
         {{"title-empty", "/Parameter Spec/Group-2/Group Info"}}},
        // Limits beyond a register: the 32-bit address holds them, which a legacy file lacks.
        {{{"/ParameterGroups/0/Parameters/3/Max", "65536"}},
         {},
         {{"value-beyond-register", kLegacyParam}},
         true},
        {{{"/ParameterGroups/0/Parameters/3/Max", "65535"}, {"/Device/KeypadCommOffset32", ""}},
         {}},
        {{{"/ParameterGroups/0/Parameters/2/Max", "32767"}, {"/Device/KeypadCommOffset32", ""}},
         {}},
        {{{"/ParameterGroups/0/Parameters/2/Max", "32768"}, {"/Device/KeypadCommOffset32", ""}},
         {{"value-beyond-register", "/ParameterGroups/0/Parameters/2/Max"}},
         {{"value-beyond-register", kLegacyParam}},
         false,
         "parameter 0/2 \"Torque Command\": its values -1800 to 32768 do not fit its 16-bit "
         "register, and the file gives no 32-bit one"},
    };
    return cases;
}

std::string EditedExample(const std::vector<Edit>& edits) {
    rapidjson::Document doc;
    doc.Parse(Contents(kExamples / "M1_1_05.json").c_str());
    for (const auto& [pointer, value] : edits) {
        if (*value == '\0') {
            EXPECT_TRUE(rapidjson::Pointer(pointer).Erase(doc)) << pointer;
            continue;
        }
        rapidjson::Document part(&doc.GetAllocator());
        part.Parse(value);
        rapidjson::Pointer(pointer).Set(doc, part);
    }
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    doc.Accept(writer);
    return buffer.GetString();
}

std::vector<Place> RuleFindings(const DataFile& file) {
    std::vector<Place> places;
    for (const Finding& finding : CheckRules(file)) {
        places.emplace_back(finding.kind, finding.place);
        const auto rule = std::find_if(Rules().begin(), Rules().end(),
                                       [&](const Rule& r) { return r.name == finding.kind; });
        EXPECT_TRUE(rule != Rules().end() && rule->severity == finding.severity) << finding.kind;
        EXPECT_EQ(finding.file, file.Path());
    }
    return places;
}

std::string Described(const std::vector<Edit>& edits) {
    std::string text;
    for (const auto& [pointer, value] : edits) {
        text += std::string(pointer) + " = " + (*value ? value : "(removed)") + "; ";
    }
    return text;
}

TEST(Rules, EachEditBreaksItsRuleAtItsPlaceAndNoOther) {
    TestDirectory folder;
    fs::copy_file(kExamples / "M1_1_05_Title.json", folder.Dir() / "M1_1_05_Title.json");
    const std::string json = (folder.Dir() / "M1_1_05.json").string();
    const std::string legacy = (folder.Dir() / "M1_1_05.inv").string();
    for (const RuleCase& c : Cases()) {
        std::ofstream(json, std::ios::binary | std::ios::trunc) << EditedExample(c.edits);
        const OpenResult loaded = Open(json);
        ASSERT_NE(loaded.file, nullptr) << Described(c.edits);
        EXPECT_EQ(RuleFindings(*loaded.file), c.json) << Described(c.edits);
        if (*c.message != '\0') {
            const std::vector<Finding> found = CheckRules(*loaded.file);
            EXPECT_TRUE(!found.empty() && found[0].message == c.message)
                << Described(c.edits) << (found.empty() ? "" : found[0].message);
        }

        ASSERT_TRUE(Write(*loaded.file, legacy, Format::Legacy).written);
        const OpenResult twin = Open(legacy);
        ASSERT_NE(twin.file, nullptr);
        EXPECT_EQ(RuleFindings(*twin.file), c.legacy) << "legacy twin of " << Described(c.edits);
        EXPECT_TRUE(c.legacyDiffers || c.legacy.size() == c.json.size()) << Described(c.edits);
    }
}

// Every rule has a case above that makes it fire.
TEST(Rules, EveryRuleIsShownFiring) {
    for (const Rule& rule : Rules()) {
        const bool fired = std::any_of(Cases().begin(), Cases().end(), [&](const RuleCase& c) {
            return std::any_of(c.json.begin(), c.json.end(),
                               [&](const Place& p) { return p.first == rule.name; }) ||
                   std::any_of(c.legacy.begin(), c.legacy.end(),
                               [&](const Place& p) { return p.first == rule.name; });
        });
        EXPECT_TRUE(fired) << rule.name;
    }
}

// Generated drives of every shape up to the largest clean one pass every rule, as both formats.
TEST(Rules, GeneratedDrivesPassEveryRule) {
    TestDirectory folder;
    const struct {
        int groups, parameters, messages, titles;
    } shapes[] = {{1, 1, 1, 1},     {3, 7, 0, 0},     {40, 250, 200, 8},
                  {120, 128, 5, 2}, {121, 128, 3, 3}, {240, 256, 10, 3}};
    for (const auto& s : shapes) {
        ASSERT_TRUE(SyntheticSizeIsClean(s.groups, s.parameters));
        const std::string path = WriteSyntheticDataFile(folder.Dir().string(), "G_1_0", s.groups,
                                                        s.parameters, s.messages, s.titles);
        const OpenResult loaded = Open(path);
        ASSERT_NE(loaded.file, nullptr);
        EXPECT_EQ(loaded.findings.size(), 0u) << s.groups << "x" << s.parameters;
        EXPECT_EQ(RuleFindings(*loaded.file), std::vector<Place>{})
            << s.groups << "x" << s.parameters;
    }
    EXPECT_FALSE(SyntheticSizeIsClean(241, 1));
    EXPECT_FALSE(SyntheticSizeIsClean(1, 257));
}

// What a user asks of the findings: ignored kinds go, raised ones become errors, and a name that
// is neither a rule's nor a load finding kind's is refused with nothing changed.
TEST(Rules, ChoicesDropAndRaiseByNameAndRefuseUnknownNames) {
    const std::vector<Finding> found = {{"title-empty", "f", "", "a", 0, Severity::Warning},
                                        {"text-cut", "f", "", "b"},
                                        {"address-shared", "f", "", "c"}};
    std::vector<Finding> findings = found;
    EXPECT_EQ(ApplyRuleChoices(findings, {{"text-cut"}, {"title-empty"}}), std::nullopt);
    ASSERT_EQ(findings.size(), 2u);
    EXPECT_EQ(findings[0].kind, "title-empty");
    EXPECT_EQ(findings[0].severity, Severity::Error);
    EXPECT_EQ(findings[1].kind, "address-shared");

    findings = found;
    EXPECT_EQ(ApplyRuleChoices(findings, {{"title-empty", "no-such-rule"}, {}}), "no-such-rule");
    EXPECT_EQ(ApplyRuleChoices(findings, {{}, {"Title-Empty"}}), "Title-Empty");
    EXPECT_EQ(findings.size(), found.size());
    EXPECT_EQ(findings[0].severity, Severity::Warning);
}

}  // namespace
}  // namespace vqdf::api
