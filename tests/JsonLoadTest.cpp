// Loading JSON data files: file names and the trace line. (Which documents load and which fail is
// listed with the malformed corpus; the text tables show in the dump of tests/cli/sections.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TestDirectory.h"
#include "boundary/DataFileReaderApp.h"
#include "json/DataFileV2.h"

namespace vqdf {
namespace {

// A folder of the test's own that holds the malformed corpus's valid document and its titles
// document under the stem given.
struct JsonFiles : testing::TestDirectory {
    std::wstring Write(const std::string& stem = "M1_1_05") const {
        const auto replace = std::filesystem::copy_options::overwrite_existing;
        std::filesystem::copy_file(VQDF_CORPUS_DIR "/json_valid.json", Dir() / (stem + ".json"),
                                   replace);
        std::filesystem::copy_file(VQDF_CORPUS_DIR "/json_valid_Title.json",
                                   Dir() / (stem + "_Title.json"), replace);
        return (Dir() / (stem + ".json")).wstring();
    }
};

TEST(JsonLoad, MinimalDocumentLoadsAndStoresItsPath) {
    JsonFiles files;
    const std::wstring path = files.Write();
    CDataFileV2 reader;
    EXPECT_EQ(reader.GetFilePath(), L"");
    EXPECT_EQ(reader.Load(path), 1u);
    EXPECT_EQ(reader.GetFilePath(), path);
}

TEST(JsonLoad, EveryLoadWritesOneTraceLine) {
    std::vector<std::wstring> lines;
    const auto receive = [&lines](const std::wstring& line) { lines.push_back(line); };
    JsonFiles files;
    CDataFileV2 loaded;
    loaded.SetTraceReceiver(receive);
    EXPECT_EQ(loaded.Load(files.Write()), 1u);
    CDataFileV2 failed;
    failed.SetTraceReceiver(receive);
    EXPECT_EQ(failed.Load(L""), 0u);
    ASSERT_EQ(lines.size(), 2u);
    // ": Duration = " then seconds with six decimals, then a line feed.
    const std::wstring prefix = L": Duration = ";
    for (const std::wstring& line : lines) {
        ASSERT_EQ(line.rfind(prefix, 0), 0u) << std::string(line.begin(), line.end());
        const std::wstring seconds = line.substr(prefix.size());
        const std::size_t point = seconds.find(L'.');
        ASSERT_NE(point, std::wstring::npos);
        EXPECT_GT(point, 0u);
        EXPECT_EQ(seconds.size(), point + 8);
        EXPECT_EQ(seconds.back(), L'\n');
        EXPECT_EQ(seconds.find_first_not_of(L"0123456789.\n"), std::wstring::npos);
        EXPECT_EQ(seconds.find(L'.', point + 1), std::wstring::npos);
    }
}

#ifndef _WIN32
// Linux file names are bytes. A folder whose name is not UTF-8 is reached through the wide text in
// which each such byte B stands as U+DC00 + B; valid UTF-8 stands as its characters.
TEST(JsonLoad, FileNamesThatAreNotUtf8Load) {
    const std::pair<std::string, std::wstring> names[] = {
        {"caf\xE9", L"caf\xDCE9"},
        {"x\xC3\x28y", L"x\xDCC3(y"},
        {"end\xE2\x82", L"end\xDCE2\xDC82"},
        {"caf\xC3\xA9", L"caf\u00E9"},
    };
    JsonFiles files;
    for (const auto& [bytes, wide] : names) {
        const std::filesystem::path folder = files.Dir() / bytes;
        std::filesystem::create_directories(folder);
        files.Write();
        std::filesystem::rename(files.Dir() / "M1_1_05.json", folder / "M1_1_05.json");
        std::filesystem::rename(files.Dir() / "M1_1_05_Title.json", folder / "M1_1_05_Title.json");
        CDataFileV2 reader;
        EXPECT_EQ(reader.Load(files.Dir().wstring() + L"/" + wide + L"/M1_1_05.json"), 1u) << bytes;
        EXPECT_EQ(reader.BuildTitle(1, L""), L"Acc Time") << bytes;
    }
}

// A character no file name can hold (a lone surrogate outside the escapes, a value beyond
// U+10FFFF) makes a path that names no file, in either format: the load fails and nothing is
// registered, even where a file is named with a stand-in for it.
TEST(JsonLoad, PathCharactersNoFileNameHoldsLoadNothing) {
    JsonFiles files;
    files.Write("Q_1_0?");
    const auto legacy = files.CopyHere(VQDF_EXAMPLES_DIR "/DataFile/M1/M1_1_05.inv");
    std::filesystem::rename(legacy, files.Dir() / "Q_1_1?.inv");
    CvqDataFileReaderApp app;
    std::size_t registered = 0;
    for (const std::wstring stem : {L"/Q_1_0", L"/Q_1_1"}) {
        const std::wstring path = files.Dir().wstring() + stem;
        const std::wstring extension = stem == L"/Q_1_0" ? L".json" : L".inv";
        for (const wchar_t c : {L'\xD800', L'\xDC7F', L'\xDD00', static_cast<wchar_t>(0x110000)}) {
            EXPECT_EQ(app.SetDataFilePath((path + c + extension).c_str()), 1)
                << static_cast<uint32_t>(c);
            EXPECT_EQ(app.Registry().Size(), registered) << static_cast<uint32_t>(c);
        }
        EXPECT_EQ(app.SetDataFilePath((path + L'?' + extension).c_str()), 0) << "the file is there";
        ++registered;
    }
}
#endif

}  // namespace
}  // namespace vqdf
