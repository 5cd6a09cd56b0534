// vqdf-make-corpus EXAMPLES_DIR OUT_DIR: writes the small malformed files and their titles
// documents into OUT_DIR, with "outcomes.txt" listing each file, the status its load must give,
// and why. Files already in OUT_DIR that are not written here (inputs found by the fuzzers) are
// kept, and so are their lines.
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "MalformedFiles.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s EXAMPLES_DIR OUT_DIR\n", argv[0]);
        return 2;
    }
    const std::filesystem::path out = argv[2];
    std::filesystem::create_directories(out);
    std::map<std::string, std::string> lines;
    std::ifstream previous(out / "outcomes.txt");
    for (std::string line; std::getline(previous, line);) {
        if (!line.empty() && line[0] != '#') {
            lines[line.substr(0, line.find(' '))] = line;
        }
    }
    for (const auto& file : vqdf::testing::SmallMalformedFiles(argv[1])) {
        std::ofstream(out / file.name, std::ios::binary) << file.bytes;
        if (!file.titles.empty()) {
            std::ofstream(out / vqdf::testing::TitlesNameOf(file.name), std::ios::binary)
                << file.titles;
        }
        const std::string windows = file.onWindows.empty() ? "" : " windows:" + file.onWindows;
        lines[file.name] = file.name + " " + std::to_string(file.status) + windows + " " + file.why;
    }
    std::ofstream list(out / "outcomes.txt");
    list << "# file, the status SetDataFile_Path gives for it, the status on Windows where that\n"
            "# differs (\"skip\": not loaded there), and why\n";
    for (const auto& [name, line] : lines) {
        list << line << "\n";
    }
    return 0;
}
