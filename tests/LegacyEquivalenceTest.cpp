// The example drive in both formats: the legacy file serves the same bytes in every shared record
// as the JSON file.
#include <gtest/gtest.h>

#include <cstdint>

#include "HostWalk.h"
#include "LegacyFixture.h"
#include "json/DataFileV2.h"

namespace vqdf {
namespace {

using testing::HostWalk;
using testing::LoadedLegacy;
using testing::TestDirectory;

const std::wstring kJsonExample = L"" VQDF_EXAMPLES_DIR "/M1_1_05.json";
const std::string kLegacyExample = VQDF_EXAMPLES_DIR "/DataFile/M1/M1_1_05.inv";

struct LoadedJson {
    LoadedJson() : result(reader.Load(kJsonExample)) {}
    ~LoadedJson() { reader.ReleaseTables(); }
    LoadedJson(const LoadedJson&) = delete;
    LoadedJson& operator=(const LoadedJson&) = delete;
    CDataFileV2 reader;
    uint32_t result;
};

// Every shared record, image and table, byte for byte.
TEST(LegacyEquivalence, ExampleServesTheSameRecordsInBothFormats) {
    LoadedJson json;
    const TestDirectory folder;
    LoadedLegacy legacy(folder.CopyHere(kLegacyExample).wstring());
    ASSERT_EQ(json.result, 1u);
    ASSERT_EQ(legacy.result, 1u);
    EXPECT_EQ(HostWalk(SIZE_MAX).SharedRecords(json.reader),
              HostWalk(SIZE_MAX).SharedRecords(*legacy.reader));
    // The two readers search the parameter titles for different wordings, and the example uses
    // the JSON reader's ("Para Status Num"), so only it finds the counts.
    EXPECT_EQ(json.reader.GetParaStatusNum(), 8);
    EXPECT_EQ(legacy.reader->GetParaStatusNum(), 0);
    EXPECT_EQ(legacy.reader->GetParaControlNum(), 0);
}

}  // namespace
}  // namespace vqdf
