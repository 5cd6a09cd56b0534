// The internal API as the tools and the Python module use it: loads and reads on several threads
// at once, and a JSON data file written together with its titles document or not at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "DataFileApi.h"
#include "TestDirectory.h"

namespace vqdf::api {
namespace {

namespace fs = std::filesystem;
using testing::TestDirectory;

const std::string kExample = VQDF_EXAMPLES_DIR "/M1_1_05.json";

std::string Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Each load's trace line goes to the receiver that load was given, and to no other: two threads
// load side by side, one with a receiver of its own, one with another or none in turn.
TEST(Api, TraceLinesReachOnlyTheReceiverOfTheirOwnLoad) {
    constexpr int kLoads = 40;
    std::vector<std::string> first;
    std::vector<std::string> second;
    bool allLoaded = true;
    std::thread other([&] {
        for (int k = 0; k < kLoads; ++k) {
            OpenOptions options;
            if (k % 2 == 0) {
                options.trace = [&second](const std::string& line) { second.push_back(line); };
            }
            allLoaded = Open(kExample, options).file != nullptr && allLoaded;
        }
    });
    OpenOptions options;
    options.trace = [&first](const std::string& line) { first.push_back(line); };
    for (int k = 0; k < kLoads; ++k) {
        EXPECT_NE(Open(kExample, options).file, nullptr);
    }
    other.join();
    EXPECT_TRUE(allLoaded);
    EXPECT_EQ(first.size(), std::size_t{kLoads});
    EXPECT_EQ(second.size(), std::size_t{kLoads / 2});
    for (const std::string& line : first) {
        EXPECT_EQ(line.rfind(": Duration = ", 0), 0u) << line;
    }
}

// The status and control counts, which the reader caches when first asked, are asked by two
// threads at once of one loaded file: both get the counts of the example (8 and 8).
TEST(Api, CountsAskedOnTwoThreadsAtOnceAreTheFilesCounts) {
    for (int round = 0; round < 20; ++round) {
        const std::unique_ptr<DataFile> drive = Open(kExample).file;
        ASSERT_NE(drive, nullptr);
        int32_t otherStatus = 0;
        std::thread other([&] { otherStatus = drive->ParaStatusNum(); });
        EXPECT_EQ(drive->ParaControlNum(), 8);
        other.join();
        EXPECT_EQ(otherStatus, 8);
        EXPECT_EQ(drive->ParaStatusNum(), 8);
    }
}

// Where the data file cannot be renamed into place (a folder is in the way), the titles document
// beside it is the one that was there before, or none where there was none, and no temporary
// file is left.
TEST(Api, JsonDataFileAndTitlesDocumentLandTogetherOrNotAtAll) {
    const std::unique_ptr<DataFile> drive = Open(kExample).file;
    ASSERT_NE(drive, nullptr);
    for (const bool hadTitles : {true, false}) {
        const TestDirectory folder;
        const fs::path target = folder.Dir() / "M1_1_05.json";
        const fs::path titles = folder.Dir() / "M1_1_05_Title.json";
        fs::create_directories(target / "in the way");
        if (hadTitles) {
            std::ofstream(titles) << "the titles before";
        }
        const WriteResult result = Write(*drive, target.string(), Format::Json);
        EXPECT_FALSE(result.written);
        EXPECT_NE(result.error.find("cannot write " + target.string()), std::string::npos)
            << result.error;
        EXPECT_EQ(fs::exists(titles), hadTitles);
        if (hadTitles) {
            EXPECT_EQ(Contents(titles), "the titles before");
        }
        const auto entries = fs::directory_iterator(folder.Dir());
        EXPECT_EQ(std::distance(begin(entries), end(entries)), hadTitles ? 2 : 1);
    }
}

}  // namespace
}  // namespace vqdf::api
