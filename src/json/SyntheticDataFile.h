// Synthetic JSON data files of a chosen size, for the benchmark and for scale tests.
#pragma once

#include <filesystem>
#include <string>

namespace vqdf {

struct SyntheticSize {
    int groups = 10;
    int parametersPerGroup = 1000;
    int messages = 200;
    int titlesPerMessage = 8;
};

// Writes <dir>/<stem>.json and <dir>/<stem>_Title.json; returns the data file's path.
std::filesystem::path WriteSyntheticDataFile(const std::filesystem::path& dir,
                                             const std::string& stem, const SyntheticSize& size);

}  // namespace vqdf
