// vqdf-generate: writes a synthetic data file and its titles document.
// Usage: vqdf-generate DIR STEM [GROUPS PARAMETERS_PER_GROUP MESSAGES TITLES_PER_MESSAGE]
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "DataFileApi.h"

int main(int argc, char** argv) {
    if (argc != 3 && argc != 7) {
        std::fprintf(stderr,
                     "usage: %s DIR STEM [GROUPS PARAMETERS_PER_GROUP MESSAGES "
                     "TITLES_PER_MESSAGE]\n",
                     argv[0]);
        return 2;
    }
    // The default is the benchmark's drive of 10,000 parameters.
    const bool sized = argc == 7;
    const int groups = sized ? std::atoi(argv[3]) : 40;
    const int parametersPerGroup = sized ? std::atoi(argv[4]) : 250;
    try {
        const std::string path = vqdf::api::WriteSyntheticDataFile(
            argv[1], argv[2], groups, parametersPerGroup, sized ? std::atoi(argv[5]) : 200,
            sized ? std::atoi(argv[6]) : 8);
        std::printf("%s\n", path.c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vqdf-generate: error: %s\n", error.what());
        return 1;
    }
    if (!vqdf::api::SyntheticSizeIsClean(groups, parametersPerGroup)) {
        std::fprintf(stderr,
                     "vqdf-generate: note: beyond 240 groups of 256 parameters, parameters may "
                     "share registers or have codes beyond their group: vqdf check says\n");
    }
    return 0;
}
