// Synthetic JSON data files of a chosen size, for the benchmark and for scale tests.
#pragma once

#include <filesystem>
#include <string>

namespace vqdf {

struct SyntheticSize {
    int groups = 40;
    int parametersPerGroup = 250;
    int messages = 200;
    int titlesPerMessage = 8;
};

// The largest drive whose every parameter has registers of its own: codes 0 to 255 in up to 240
// groups above the 16-bit base 0x1000; with 32-bit addresses as well, codes 0 to 127 in up to 120
// groups, the 32-bit ones above all the 16-bit ones.
inline constexpr int kMaxCleanGroups = 240;
inline constexpr int kMaxCleanParametersPerGroup = 256;
inline constexpr int kMaxWideGroups = 120;
inline constexpr int kMaxWideParametersPerGroup = 128;

// A drive of this size passes every check of its meaning; a larger one has parameters that
// share registers or codes beyond their group.
inline bool IsCleanSize(const SyntheticSize& size) {
    return size.groups <= kMaxCleanGroups && size.parametersPerGroup <= kMaxCleanParametersPerGroup;
}

// Writes <dir>/<stem>.json and <dir>/<stem>_Title.json; returns the data file's path. Every
// parameter has a title, a unit, limits that hold its default and fit its register, and, where
// its values are named, a message whose titles name them; 32-bit addresses are given where the
// drive is small enough for them.
std::filesystem::path WriteSyntheticDataFile(const std::filesystem::path& dir,
                                             const std::string& stem, const SyntheticSize& size);

}  // namespace vqdf
