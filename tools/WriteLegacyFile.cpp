// vqdf-write-inv IN OUT: loads a data file of either format and writes its records as a legacy
// ".inv" file.
#include <cstdio>
#include <string>

#include "LegacyWriter.h"
#include "platform/CodePage.h"
#include "registry/DataFileRegistry.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s IN.json|IN.inv OUT.inv\n", argv[0]);
        return 2;
    }
    using namespace vqdf;
    const std::wstring input = platform::MultiByteToWide(platform::CodePage::Utf8, argv[1]);
    const bool json = input.find(L".json") != std::wstring::npos;
    const auto reader = MakeReader(json ? ReaderKind::Json : ReaderKind::Legacy, input);
    if (reader->Load(input) == 0) {
        std::fprintf(stderr, "%s: error: cannot load %s\n", argv[0], argv[1]);
        reader->ReleaseTables();
        return 1;
    }
    std::string error;
    const bool written = tools::WriteLegacyDataFile(*reader, argv[2], error);
    reader->ReleaseTables();
    if (!written) {
        std::fprintf(stderr, "%s: error: cannot write %s: %s\n", argv[0], argv[2], error.c_str());
        return 1;
    }
    return 0;
}
