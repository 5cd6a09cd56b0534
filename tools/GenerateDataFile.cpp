// vqdf-generate: writes a synthetic data file and its titles document.
// Usage: vqdf-generate DIR STEM [GROUPS PARAMETERS_PER_GROUP MESSAGES TITLES_PER_MESSAGE]
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "SyntheticDataFile.h"

int main(int argc, char** argv) {
    if (argc != 3 && argc != 7) {
        std::fprintf(stderr,
                     "usage: %s DIR STEM [GROUPS PARAMETERS_PER_GROUP MESSAGES "
                     "TITLES_PER_MESSAGE]\n",
                     argv[0]);
        return 2;
    }
    vqdf::tools::SyntheticSize size;
    if (argc == 7) {
        size = {std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6])};
    }
    try {
        const auto path = vqdf::tools::WriteSyntheticDataFile(argv[1], argv[2], size);
        std::printf("%s\n", path.c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vqdf-generate: error: %s\n", error.what());
        return 1;
    }
    return 0;
}
