// The malformed corpus: every file loads or fails as its line in outcomes.txt says, and every
// table of a file that loads can be read whole as its counts promise.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "AppWalk.h"
#include "MalformedFiles.h"
#include "TestDirectory.h"

namespace vqdf::testing {
namespace {

const std::filesystem::path kCorpus = VQDF_CORPUS_DIR;

struct Outcome {
    std::string name;
    int32_t status;
    bool skipped = false;  // not loaded on this platform
};

#ifdef _WIN32
constexpr bool kOnWindows = true;
#else
constexpr bool kOnWindows = false;
#endif

std::vector<Outcome> Outcomes() {
    std::vector<Outcome> outcomes;
    std::ifstream list(kCorpus / "outcomes.txt");
    for (std::string line; std::getline(list, line);) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream fields(line);
        Outcome outcome;
        fields >> outcome.name >> outcome.status;
        // "windows:N" or "windows:skip" where the platform's own compound-file reader differs.
        std::string windows;
        if (fields >> windows && windows.rfind("windows:", 0) == 0 && kOnWindows) {
            const std::string value = windows.substr(8);
            outcome.skipped = value == "skip";
            outcome.status = outcome.skipped ? outcome.status : std::stoi(value);
        }
        outcomes.push_back(outcome);
    }
    return outcomes;
}

TEST(MalformedCorpus, EveryFileLoadsOrFailsAsListed) {
    const std::vector<Outcome> outcomes = Outcomes();
    ASSERT_GE(outcomes.size(), 50u);
    for (const Outcome& outcome : outcomes) {
        if (outcome.skipped) {
            continue;
        }
        EXPECT_EQ(LoadAndWalk((kCorpus / outcome.name).wstring()), outcome.status) << outcome.name;
    }
}

// Every data file in the folder has its line, so no input is left untested.
TEST(MalformedCorpus, EveryFileHasAnOutcome) {
    std::set<std::string> listed;
    for (const Outcome& outcome : Outcomes()) {
        listed.insert(outcome.name);
        listed.insert(TitlesNameOf(outcome.name));
    }
    for (const auto& entry : std::filesystem::directory_iterator(kCorpus)) {
        const std::string name = entry.path().filename().string();
        if (name != "outcomes.txt") {
            EXPECT_EQ(listed.count(name), 1u) << name << " has no line in outcomes.txt";
        }
    }
}

class LargeMalformedFiles : public ::testing::Test, public TestDirectory {};

TEST_F(LargeMalformedFiles, LoadOrFailAsTheySay) {
    for (const MalformedFile& file : testing::LargeMalformedFiles()) {
        std::ofstream(Dir() / file.name, std::ios::binary) << file.bytes;
        std::ofstream(Dir() / TitlesNameOf(file.name), std::ios::binary) << file.titles;
        EXPECT_EQ(LoadAndWalk((Dir() / file.name).wstring()), file.status) << file.why;
    }
}

}  // namespace
}  // namespace vqdf::testing

#ifndef _WIN32
// The compound-file reader loses the directory entries it drops from a malformed directory
// (see fuzz/lsan.supp); the leak checks of this test binary leave that one out. The host tests,
// a binary of their own, check the library's own releases without it.
// The sanitizer runtime looks the hook up by name, so it must be visible outside the program.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:g_malloc\nleak:g_malloc0\nleak:g_utf16_to_utf8\n";
}
#endif
