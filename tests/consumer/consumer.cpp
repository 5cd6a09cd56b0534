// Loads a data file by path, then the example drive by model and version from the DataFile folder
// installed beside the library, and prints what it read. Usage: consumer M2_1_05.json
#include <vqDataFileReader.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    const std::string path = argv[1];
    const std::wstring wide(path.begin(), path.end());
    if (SetDataFile_Path(wide.c_str()) != 0 || SetDataFile_Ver(L"M1", L"", L"1.05") != 0) {
        std::puts("a load failed");
        return 1;
    }
    // The legacy file holds no parameter ids; the JSON file does.
    const ParaSpec* groups = GetParaSpec(L"M1", L"", L"1.05");
    ParamIdMap legacyIds;
    GetParamIDS(L"M1", L"1.05", L"", &legacyIds);
    ParamIdMap jsonIds;
    GetParamIDS(L"M2", L"1.05", L"", &jsonIds);
    std::printf("%d groups, %zu and %zu ids\n", groups != nullptr ? groups->GroupCount : -1,
                legacyIds.size(), jsonIds.size());
    return groups != nullptr ? 0 : 1;
}
