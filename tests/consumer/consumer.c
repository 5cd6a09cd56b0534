/* A C program on the exports that C can call: a load by path and by model and version from the
   installed DataFile folder, and the tables they give. Usage: consumer-c M2_1_05.json */
#include <stdio.h>
#include <stdlib.h>
#include <vqDataFileReader.h>

int main(int argc, char** argv) {
    wchar_t path[4096];
    if (argc != 2 || mbstowcs(path, argv[1], 4096) == (size_t)-1) {
        return 2;
    }
    if (SetDataFile_Path(path) != 0 || SetDataFile_Ver(L"M1", L"", L"1.05") != 0) {
        puts("a load failed");
        return 1;
    }
    const ParaSpec* groups = GetParaSpec(L"M1", L"", L"1.05");
    const MessageSpec* messages = GetMessageSpec(L"M2", L"", L"1.05");
    if (groups == NULL || messages == NULL) {
        return 1;
    }
    printf("%d groups, %d messages, group 1 is %s\n", groups->GroupCount, messages->MessageCount,
           groups->Groups[1].Title);
    return 0;
}
