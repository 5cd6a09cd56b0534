// The registry's rules: keys, reader choice, load once, failed loads, the recent-version search
// and the release at unload.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cwchar>
#include <random>
#include <string>

#include "FakeDataFile.h"
#include "platform/LibraryFile.h"
#include "registry/DataFileRegistry.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace vqdf {
namespace {

using platform::kDirectorySeparator;
using ::testing::ElementsAre;
using testing::FakeFactory;
using testing::ReaderLog;

// A path or logged event written with '/' for directories, in the platform's own separator.
std::wstring Native(std::wstring text) {
    std::replace(text.begin(), text.end(), L'/', kDirectorySeparator);
    return text;
}

// The other system's separator, an ordinary character in a name here.
const wchar_t kForeignSeparator = kDirectorySeparator == L'/' ? L'\\' : L'/';

struct KeyCase {
    std::wstring model;
    std::wstring version;
    std::wstring key;
};

TEST(Registry, MakeKey_JoinsModelAndVersionWithDotsTurnedToUnderscores) {
    const KeyCase cases[] = {
        {L"M1", L"1.05", L"M1_1_05"},
        {L"A.B", L"1.05", L"A.B_1_05"},
        {L"M1", L"1_05", L"M1_1_05"},
        {L"M1", L"1.2.3", L"M1_1_2_3"},
        {L"", L"1.05", L""},
        {L"M1", L"", L""},
        {L"m1", L"01.05", L"m1_01_05"},
    };
    for (const KeyCase& c : cases) {
        EXPECT_EQ(CDataFileRegistry::MakeKey(c.model, c.version), c.key)
            << c.model << L" " << c.version;
    }
}

TEST(Registry, KeyOfPath_TakesTheStemSplitAtItsFirstUnderscore) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {Native(L"/data/M1_1_05.json"), L"M1_1_05"},
        {L"M1_1_05.json", L"M1_1_05"},
        {Native(L"/a.b/c_d/M2_2_10.inv"), L"M2_2_10"},
        {Native(L"/data/M1_1.05.json"), L"M1_1"},
        {Native(L"/data/model.json"), L""},
        {Native(L"/data/_1_05.json"), L""},
        {Native(L"/data/M1_.json"), L""},
        {Native(L"/data/M1_1_05"), L""},
        // Only the platform's separator splits directories; the other stays in the name.
        {L"dir" + std::wstring(1, kForeignSeparator) + L"M1_1_05.json",
         L"dir" + std::wstring(1, kForeignSeparator) + L"M1_1_05"},
    };
    for (const auto& [path, key] : cases) {
        EXPECT_EQ(CDataFileRegistry::KeyOfPath(path), key) << path;
    }
}

TEST(Registry, LoadDataFile_ChoosesTheReaderByCaseSensitiveJsonSubstring) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {Native(L"/d/M1_1_05.json"), Native(L"make json /d/M1_1_05.json")},
        {Native(L"/d/x.json.old/M1_1_05.inv"), Native(L"make json /d/x.json.old/M1_1_05.inv")},
        {Native(L"/d/M1_1_05.JSON"), Native(L"make inv /d/M1_1_05.JSON")},
        {Native(L"/d/M1_1_05.inv"), Native(L"make inv /d/M1_1_05.inv")},
    };
    for (const auto& [path, made] : cases) {
        auto log = std::make_shared<ReaderLog>();
        CDataFileRegistry registry(FakeFactory(log));
        EXPECT_EQ(registry.SetDataFilePath(path), 0);
        ASSERT_FALSE(log->events.empty());
        EXPECT_EQ(log->events.front(), made);
    }
}

TEST(Registry, LoadDataFile_ReadsAKeyOnceEvenFromAnotherPath) {
    auto log = std::make_shared<ReaderLog>();
    CDataFileRegistry registry(FakeFactory(log));
    EXPECT_EQ(registry.SetDataFilePath(Native(L"/a/M1_1_05.json")), 0);
    EXPECT_EQ(registry.SetDataFilePath(Native(L"/b/M1_1_05.inv")), 0);
    EXPECT_THAT(log->events,
                ElementsAre(Native(L"make json /a/M1_1_05.json"), Native(L"load /a/M1_1_05.json")));
    EXPECT_EQ(registry.Size(), 1u);
    EXPECT_NE(registry.FindDataFile(L"M1", L"1.05"), nullptr);
    EXPECT_EQ(registry.FindDataFile(L"M1", L"1_05"), registry.FindDataFile(L"M1", L"1.05"));
    EXPECT_EQ(registry.FindDataFile(L"M1", L"01.05"), nullptr);
}

TEST(Registry, LoadDataFile_FailureReleasesDestroysAndLeavesTheMapAsItWas) {
    auto log = std::make_shared<ReaderLog>();
    CDataFileRegistry registry(FakeFactory(log));
    log->loadSucceeds = false;
    EXPECT_EQ(registry.SetDataFilePath(Native(L"/a/M1_1_05.json")), 1);
    EXPECT_THAT(log->events, ElementsAre(Native(L"make json /a/M1_1_05.json"),
                                         Native(L"load /a/M1_1_05.json"), L"release", L"destroy"));
    EXPECT_EQ(registry.Size(), 0u);
    EXPECT_EQ(registry.FindDataFile(L"M1", L"1.05"), nullptr);

    log->loadSucceeds = true;
    EXPECT_EQ(registry.SetDataFilePath(Native(L"/a/M1_1_05.json")), 0);
    EXPECT_NE(registry.FindDataFile(L"M1", L"1.05"), nullptr);
}

TEST(Registry, SetDataFilePath_StemWithoutUnderscoreRegistersUnderTheEmptyKeyOnce) {
    auto log = std::make_shared<ReaderLog>();
    CDataFileRegistry registry(FakeFactory(log));
    EXPECT_EQ(registry.SetDataFilePath(Native(L"/a/first.json")), 0);
    EXPECT_EQ(registry.SetDataFilePath(Native(L"/a/second.json")), 0);
    EXPECT_EQ(registry.Size(), 1u);
    EXPECT_THAT(log->events,
                ElementsAre(Native(L"make json /a/first.json"), Native(L"load /a/first.json")));
    EXPECT_EQ(registry.FindDataFile(L"", L""), nullptr);
}

TEST(Registry, EmptyArgumentsFailWithoutMakingAReader) {
    auto log = std::make_shared<ReaderLog>();
    CDataFileRegistry registry(FakeFactory(log));
    EXPECT_EQ(registry.SetDataFilePath(L""), 1);
    EXPECT_EQ(registry.SetDataFileVer(L"", L"1.05"), 1);
    EXPECT_EQ(registry.SetDataFileVer(L"M1", L""), 1);
    EXPECT_TRUE(log->events.empty());
}

// The folder of this test program, which holds the library's code, with a separator at its end.
std::wstring ExecutableDirectory() {
#ifdef _WIN32
    wchar_t path[MAX_PATH] = {};
    std::wstring text(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
#else
    char path[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    const std::string narrow(path, length > 0 ? static_cast<std::size_t>(length) : 0);
    std::wstring text(narrow.begin(), narrow.end());
#endif
    text.erase(text.rfind(kDirectorySeparator) + 1);
    return text;
}

TEST(Registry, SetDataFileVer_LooksBesideTheLibraryInDataFileModelKey) {
    auto log = std::make_shared<ReaderLog>();
    CDataFileRegistry registry(FakeFactory(log));
    EXPECT_EQ(registry.SetDataFileVer(L"M1", L"1.05"), 0);
    EXPECT_EQ(registry.SetDataFileVer(L"A.B", L"1.05"), 0);
    const std::wstring directory = ExecutableDirectory();
    EXPECT_THAT(log->events,
                ElementsAre(L"make inv " + directory + Native(L"DataFile/M1/M1_1_05.inv"),
                            L"load " + directory + Native(L"DataFile/M1/M1_1_05.inv"),
                            L"make inv " + directory + Native(L"DataFile/A.B/A.B_1_05.inv"),
                            L"load " + directory + Native(L"DataFile/A.B/A.B_1_05.inv")));
    EXPECT_NE(registry.FindDataFile(L"A.B", L"1.05"), nullptr);
}

// The search as a plain walk over the loaded keys: those that begin with model, "_", the major in
// decimal and "_", read up to the first character that is no digit.
int32_t RecentByWalk(const std::vector<std::wstring>& keys, const std::wstring& model,
                     const std::wstring& version) {
    const std::size_t dot = version.find(L'.');
    const long major = dot == std::wstring::npos ? 0 : std::wcstol(version.c_str(), nullptr, 10);
    const long limit =
        std::wcstol(version.c_str() + (dot == std::wstring::npos ? 0 : dot + 1), nullptr, 10);
    const std::wstring prefix = model + L"_" + std::to_wstring(major) + L"_";
    long best = -1;
    for (const std::wstring& key : keys) {
        if (key.compare(0, prefix.size(), prefix) == 0 && key.size() >= prefix.size()) {
            const long minor = std::wcstol(key.c_str() + prefix.size(), nullptr, 10);
            best = minor > best && minor < limit ? minor : best;
        }
    }
    return static_cast<int32_t>(best);
}

// Whatever the order of the loads, every search after each of them answers as the walk does:
// 200 orders of keys of other models, other and zero-padded majors, three-part and negative
// versions, and searches with blanks, signs and no dot.
TEST(Registry, GetRecentDataFileVer_AnswersAfterAnyOrderOfLoadsAsAWalkOverTheKeys) {
    std::vector<std::wstring> stems = {L"M1_1_00",  L"M1_1_05",  L"M1_1_20",  L"M1_1_2_3",
                                       L"M1_1_2_9", L"M1_2_01",  L"M1_01_07", L"M10_1_07",
                                       L"XM1_1_07", L"AM1_1_07", L"M1_-1_04", L"M1_1_-3"};
    const std::pair<std::wstring, std::wstring> searches[] = {
        {L"M1", L"1.10"}, {L"M1", L"1.05"},  {L"M1", L"1.00"},  {L"M1", L"1.3"},
        {L"M1", L"2.5"},  {L"M1", L"01.10"}, {L"M1", L"1.21"},  {L"M1_1", L"2.5"},
        {L"M1", L"1"},    {L"M1", L""},      {L"M1", L" 1. 9"}, {L"M1", L"-1.10"}};
    std::mt19937 random(7);
    for (int order = 0; order < 200; ++order) {
        std::shuffle(stems.begin(), stems.end(), random);
        CDataFileRegistry registry(FakeFactory(std::make_shared<ReaderLog>()));
        std::vector<std::wstring> loaded;
        for (const std::wstring& stem : stems) {
            ASSERT_EQ(registry.SetDataFilePath(Native(L"/d/") + stem + L".json"), 0);
            loaded.push_back(stem);
            for (const auto& [model, version] : searches) {
                ASSERT_EQ(registry.GetRecentDataFileVer(model, version),
                          RecentByWalk(loaded, model, version))
                    << model << L" " << version << L" after " << loaded.size() << L" loads";
            }
        }
    }
}

TEST(Registry, RemoveAllDataFiles_ReleasesEachReaderBeforeDestroyingIt) {
    auto log = std::make_shared<ReaderLog>();
    {
        CDataFileRegistry registry(FakeFactory(log));
        registry.SetDataFilePath(Native(L"/d/M1_1_05.json"));
        registry.SetDataFilePath(Native(L"/d/M2_1_05.json"));
        log->events.clear();
        registry.RemoveAllDataFiles();
        EXPECT_EQ(registry.Size(), 0u);
        EXPECT_THAT(log->events, ElementsAre(L"release", L"destroy", L"release", L"destroy"));
        log->events.clear();
    }
    EXPECT_TRUE(log->events.empty());
}

}  // namespace
}  // namespace vqdf
