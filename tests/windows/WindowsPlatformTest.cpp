// The rules that belong to Windows, run on Windows itself (or under Wine): code page 1252, only
// the backslash separating directories, long paths, the platform refusing a second
// share-exclusive opener, and legacy files that the platform's own structured storage and libgsf
// write being read alike. (The DataFile folder beside the DLL, from any host and any current
// folder, is the host tests'.)
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "HostWalk.h"
#include "compound/DataFileInfo.h"
#include "compound/LegacyWriter.h"
#include "compound/SSFile.h"
#include "json/DataFileV2.h"
#include "platform/CodePage.h"
#include "platform/CompoundOutput.h"
#include "registry/DataFileRegistry.h"

namespace vqdf {
namespace {

const std::filesystem::path kExamples = VQDF_EXAMPLES_DIR;

// What a host reads of every record both formats hold.
uint64_t SharedRecords(const std::filesystem::path& path) {
    std::unique_ptr<IDataFile> file;
    if (path.extension() == ".json") {
        file = std::make_unique<CDataFileV2>();
    } else {
        file = std::make_unique<CDataFileInfo>(path.wstring());
    }
    EXPECT_EQ(file->Load(path.wstring()), 1u) << path;
    const uint64_t sum = testing::HostWalk(SIZE_MAX).SharedRecords(*file);
    file->ReleaseTables();
    return sum;
}

TEST(WindowsPlatform, CodePage1252IsTheSystemAnsiCodePage) {
    ASSERT_EQ(GetACP(), 1252u) << "these cases assume the Western European code page";
    using platform::CodePage;
    EXPECT_EQ(platform::MultiByteToWide(CodePage::SystemAnsi, "\x80\xE9\x9F"),
              L"\u20AC\u00E9\u0178");
    EXPECT_EQ(platform::WideToMultiByte(CodePage::SystemAnsi, L"\u00B0C \u20AC\u4E00"),
              "\xB0"
              "C \x80?");
    EXPECT_EQ(platform::WideToMultiByte(CodePage::Utf8, L"\u00B0C"),
              "\xC2\xB0"
              "C");
    EXPECT_EQ(platform::MultiByteToWide(CodePage::Utf8, "\xE2\x82\xAC"), L"\u20AC");
    EXPECT_EQ(platform::Utf16ToWide(u"A\xD83D\xDE00"), L"A\xD83D\xDE00");
    EXPECT_EQ(platform::Utf16ToWide(u"A\xDE00"), L"A\xFFFD");
}

TEST(WindowsPlatform, OnlyTheBackslashSeparatesDirectories) {
    EXPECT_EQ(CDataFileRegistry::KeyOfPath(L"C:\\data\\M1_1_05.json"), L"M1_1_05");
    EXPECT_EQ(CDataFileRegistry::KeyOfPath(L"C:\\data.v2\\M1_1_05.json"), L"M1_1_05");
    // A slash is part of the name: the stem runs from the start of the path.
    EXPECT_EQ(CDataFileRegistry::KeyOfPath(L"data/M1_1_05.json"), L"data/M1_1_05");
}

int invalidParameters = 0;
void CountInvalidParameter(const wchar_t*, const wchar_t*, const wchar_t*, unsigned, uintptr_t) {
    ++invalidParameters;
}

// A long-path-aware host's "\\?\" path whose folder is longer than the splitting of a path can
// hold fails the load, without reaching the C runtime's invalid-parameter handler, which ends
// the process by default.
TEST(WindowsPlatform, AJsonPathWithAFolderOfOver256CharactersFailsCleanly) {
    const _invalid_parameter_handler before = _set_invalid_parameter_handler(CountInvalidParameter);
    // Two folders, as no one name may have more than 255 characters.
    const std::wstring outer =
        L"\\\\?\\" + (std::filesystem::temp_directory_path() / std::wstring(200, L'a')).wstring();
    const std::wstring folder = outer + L"\\" + std::wstring(60, L'b');
    const std::wstring path = folder + L"\\M1_1_05.json";
    for (const std::wstring& created : {outer, folder}) {
        ASSERT_TRUE(CreateDirectoryW(created.c_str(), nullptr) ||
                    GetLastError() == ERROR_ALREADY_EXISTS);
    }
    ASSERT_TRUE(CopyFileW((kExamples / "M1_1_05.json").wstring().c_str(), path.c_str(), FALSE));
    CDataFileV2 reader;
    EXPECT_EQ(reader.Load(path), 0u);
    reader.ReleaseTables();
    _set_invalid_parameter_handler(before);
    EXPECT_EQ(invalidParameters, 0);
    DeleteFileW(path.c_str());
    RemoveDirectoryW(folder.c_str());
    RemoveDirectoryW(outer.c_str());
}

TEST(WindowsPlatform, SecondShareExclusiveOpenerIsRefused) {
    const std::wstring path = (kExamples / "DataFile" / "M1" / "M1_1_05.inv").wstring();
    CSSFile first;
    ASSERT_TRUE(first.Open(path, kReadShareExclusive));
    CSSFile second;
    EXPECT_FALSE(second.Open(path, kReadShareExclusive));
    first.Close();
    EXPECT_TRUE(second.Open(path, kReadShareExclusive));
}

// The committed example was written by libgsf on Linux; the file written here by the platform's
// own writer is left in the folder given by VQDF_INTEROP_DIR for the Linux side to read.
TEST(WindowsPlatform, LegacyFilesOfBothWritersServeTheSameRecords) {
    const uint64_t json = SharedRecords(kExamples / "M1_1_05.json");
    EXPECT_EQ(SharedRecords(kExamples / "DataFile" / "M1" / "M1_1_05.inv"), json);

    CDataFileV2 reader;
    ASSERT_EQ(reader.Load((kExamples / "M1_1_05.json").wstring()), 1u);
    const platform::CompoundNode tree = LegacyTree(reader);
    reader.ReleaseTables();
    const char* folder = std::getenv("VQDF_INTEROP_DIR");
    const std::filesystem::path out = (folder != nullptr ? std::filesystem::path(folder)
                                                         : std::filesystem::temp_directory_path()) /
                                      "M1_1_05.inv";
    std::string error;
    ASSERT_TRUE(platform::WriteCompoundFile(out.string(), tree, error)) << error;
    EXPECT_EQ(SharedRecords(out), json);
}

}  // namespace
}  // namespace vqdf
