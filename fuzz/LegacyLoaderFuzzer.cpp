// The legacy reader: the input as a ".inv" file, loaded through the application object as the
// exports load it, and every table walked as a host walks it.
#include "AppWalk.h"
#include "FuzzFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace vqdf::fuzz;
    static const ScratchFolder folder;
    const auto path = folder.Write("F_1_0.inv", Bytes(data, size));
    vqdf::testing::LoadAndWalk(path.wstring());
    return 0;
}
