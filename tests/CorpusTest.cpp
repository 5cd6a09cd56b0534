// The malformed corpus: every file loads or fails as its line in outcomes.txt says, and every
// table of a file that loads can be read whole as its counts promise.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "AppWalk.h"
#include "TestDirectory.h"

namespace vqdf::testing {
namespace {

const std::filesystem::path kCorpus = VQDF_CORPUS_DIR;

// The titles document's name beside a data file's.
std::string TitlesNameOf(const std::string& name) {
    return name.substr(0, name.rfind('.')) + "_Title.json";
}

std::string ReadCorpusFile(const std::string& name) {
    std::ifstream in(kCorpus / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

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

// Every data file in the folder has its line, so no input is left untested.
TEST(MalformedCorpus, EveryFileLoadsOrFailsAsListed) {
    const std::vector<Outcome> outcomes = Outcomes();
    ASSERT_GE(outcomes.size(), 50u);
    std::set<std::string> listed = {"outcomes.txt"};
    for (const Outcome& outcome : outcomes) {
        listed.insert({outcome.name, TitlesNameOf(outcome.name)});
        if (!outcome.skipped) {
            EXPECT_EQ(LoadAndWalk((kCorpus / outcome.name).wstring()), outcome.status)
                << outcome.name;
        }
    }
    for (const auto& entry : std::filesystem::directory_iterator(kCorpus)) {
        EXPECT_EQ(listed.count(entry.path().filename().string()), 1u)
            << entry.path() << " has no line in outcomes.txt";
    }
}

// Files too large to commit, made from the corpus's valid document ("Hz" in every text, 0x1000 in
// every address): megabyte texts everywhere, and nesting 100,000 deep.
class LargeMalformedFiles : public ::testing::Test, public TestDirectory {};

TEST_F(LargeMalformedFiles, LoadOrFailAsTheySay) {
    const std::string valid = ReadCorpusFile("json_valid.json");
    const std::string titles = ReadCorpusFile("json_valid_Title.json");
    const std::string megabyte(1 << 20, 'W');
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    std::string longTitle = titles;
    longTitle.insert(longTitle.find("\"Acc Time\""), "\"" + megabyte + "\", \"x\": ");
    const struct {
        std::string data, titles;
        int32_t status;
        const char* why;
    } files[] = {
        {ReplaceAll(ReplaceAll(valid, "\"Hz\"", "\"" + megabyte + "\""), "0x1000", "0x" + megabyte),
         titles, 0, "a megabyte of text in every text position"},
        {valid, longTitle, 0, "a megabyte title text"},
        {deep, titles, 1, "nesting 100,000 deep as the whole document"},
        {ReplaceAll(valid, "\"Units\": [", "\"Units\": [" + deep + ", "), titles, 0,
         "nesting 100,000 deep inside a section"},
    };
    ASSERT_NE(valid.find("\"Hz\""), std::string::npos);
    for (const auto& file : files) {
        std::ofstream(Dir() / "L_1.json", std::ios::binary) << file.data;
        std::ofstream(Dir() / "L_1_Title.json", std::ios::binary) << file.titles;
        EXPECT_EQ(LoadAndWalk((Dir() / "L_1.json").wstring()), file.status) << file.why;
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
