// Malformed data files of both formats, each with the status its load must give. The small ones
// are committed in tests/corpus (written by vqdf-make-corpus); the large ones are made by the
// test that loads them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vqdf::testing {

struct MalformedFile {
    std::string name;  // "<model>_<version>.json" or ".inv"
    std::string bytes;
    std::string titles;  // the titles document beside a JSON file; none when empty
    int32_t status;      // what SetDataFile_Path answers: 0 loaded, 1 failed
    std::string why;
    // Where compound files are read by the platform's own structured storage (Windows): the
    // status there when it differs, or "skip" for a file that platform takes minutes over.
    std::string onWindows;
};

// Files of at most a few tens of kilobytes, for the committed corpus.
std::vector<MalformedFile> SmallMalformedFiles(const std::filesystem::path& examples);

// Megabyte texts in every text position and nesting 100,000 deep.
std::vector<MalformedFile> LargeMalformedFiles();

// The titles document's name beside a data file's.
std::string TitlesNameOf(const std::string& name);

}  // namespace vqdf::testing
