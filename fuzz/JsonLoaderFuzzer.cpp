// The JSON reader: one input split into a data file and its titles document, loaded through the
// application object as the exports load it, and every table walked as a host walks it.
#include "AppWalk.h"
#include "FuzzFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace vqdf::fuzz;
    static const ScratchFolder folder;
    const std::string_view input = Bytes(data, size);
    const std::size_t split = input.find(kTitlesSeparator);
    const auto path = folder.Write("F_1_0.json", input.substr(0, split));
    if (split == std::string_view::npos) {
        folder.Remove("F_1_0_Title.json");
    } else {
        folder.Write("F_1_0_Title.json", input.substr(split + kTitlesSeparator.size()));
    }
    vqdf::testing::LoadAndWalk(path.wstring());
    return 0;
}
