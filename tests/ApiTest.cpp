// The internal API as the tools and the Python module use it: loads on several threads at once.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "DataFileApi.h"

namespace vqdf::api {
namespace {

const std::string kExample = VQDF_EXAMPLES_DIR "/M1_1_05.json";

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

}  // namespace
}  // namespace vqdf::api
