// The rules over generated drives, and the choices a user makes over findings. (What each rule
// finds, and where, is shown by the edits of tests/python/rule_cases.json.)
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "DataFileApi.h"
#include "TestDirectory.h"

namespace vqdf::api {
namespace {

using testing::TestDirectory;

using Place = std::pair<std::string, std::string>;  // rule name, place

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
