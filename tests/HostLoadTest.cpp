// A host that loads the library at run time: legacy files found in the DataFile directory beside
// the library, a file held by another opener, and loading and unloading the library repeatedly.
// Only the public header and the dynamic loader are used, so every round gets a fresh library.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "vqDataFileReader.h"

namespace {

using SetPathFunction = int32_t (*)(const wchar_t*);
using SetVerFunction = int32_t (*)(const wchar_t*, const wchar_t*, const wchar_t*);
using ParaSpecFunction = ParaSpec* (*)(const wchar_t*, const wchar_t*, const wchar_t*);
using ExtendSpecFunction = ExtendSpec* (*)(const wchar_t*, const wchar_t*, const wchar_t*);
using ParamIdsFunction = void (*)(const wchar_t*, const wchar_t*, const wchar_t*, ParamIdMap*);
using AdvUserSeqFunction = void (*)(const wchar_t*, const wchar_t*, const wchar_t*,
                                    std::vector<FunctionBlock*>*);

class Library {
public:
    Library() : handle_(dlopen(VQDF_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL)) {}
    ~Library() {
        if (handle_ != nullptr) {
            dlclose(handle_);
        }
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool Loaded() const { return handle_ != nullptr; }
    bool Unload() {
        const bool unloaded = dlclose(handle_) == 0;
        handle_ = nullptr;
        return unloaded;
    }
    template <typename F>
    F Get(const char* name) const {
        return reinterpret_cast<F>(dlsym(handle_, name));
    }

private:
    void* handle_;
};

std::size_t ParameterTotal(const ParaSpec& para) {
    std::size_t total = 0;
    for (int32_t g = 0; g < para.GroupCount; ++g) {
        total += static_cast<std::size_t>(para.Groups[g].ParameterCount);
    }
    return total;
}

TEST(HostLoad, LegacyExampleIsFoundBesideTheLibraryAndHasNoJsonOnlyTables) {
    Library library;
    ASSERT_TRUE(library.Loaded()) << dlerror();
    const auto setVer = library.Get<SetVerFunction>("SetDataFile_Ver");
    const auto getPara = library.Get<ParaSpecFunction>("GetParaSpec");
    ASSERT_EQ(getPara(L"M1", L"", L"1.05"), nullptr);
    EXPECT_EQ(setVer(L"M1", L"ignored", L"1.05"), 0);
    EXPECT_EQ(setVer(L"M1", L"", L"1.06"), 1);

    const ParaSpec* para = getPara(L"M1", L"", L"1.05");
    ASSERT_NE(para, nullptr);
    ASSERT_EQ(para->GroupCount, 10);
    EXPECT_EQ(ParameterTotal(*para), 303u);
    EXPECT_STREQ(para->Groups[0].Title, "DRV");
    EXPECT_EQ(getPara(L"M1", L"", L"1.06"), nullptr);

    EXPECT_EQ(library.Get<ExtendSpecFunction>("GetExtendSpec")(L"M1", L"", L"1.05"), nullptr);
    ParamIdMap ids{{7, {1, 2}}};
    library.Get<ParamIdsFunction>("GetParamIDS")(L"M1", L"1.05", L"", &ids);
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_EQ(ids[7].CodeNum, 2u);
    std::vector<FunctionBlock*> blocks;
    library.Get<AdvUserSeqFunction>("GetSpecAdvUserSeq")(L"M1", L"1.05", L"", &blocks);
    EXPECT_TRUE(blocks.empty());
}

TEST(HostLoad, LegacyFileHeldByAnotherOpenerFailsAndLeavesNothingRegistered) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("vqdf_host_held_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto path = dir / "M5_2_00.inv";
    std::filesystem::copy_file(VQDF_EXAMPLES_DIR "/DataFile/M1/M1_1_05.inv", path,
                               std::filesystem::copy_options::overwrite_existing);
    Library library;
    ASSERT_TRUE(library.Loaded()) << dlerror();
    const auto setPath = library.Get<SetPathFunction>("SetDataFile_Path");
    const auto getPara = library.Get<ParaSpecFunction>("GetParaSpec");

    const int holder = open(path.c_str(), O_RDONLY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(setPath(path.wstring().c_str()), 1);
    EXPECT_EQ(getPara(L"M5", L"", L"2.00"), nullptr);
    close(holder);
    EXPECT_EQ(setPath(path.wstring().c_str()), 0);
    EXPECT_NE(getPara(L"M5", L"", L"2.00"), nullptr);
    std::filesystem::remove_all(dir);
}

// Every table of both formats is released at unload, which the sanitizer run checks for leaks;
// the compound-file reader must survive being loaded again after an unload.
TEST(HostLoad, LoadingAndUnloadingTheLibraryRepeatedly) {
    const std::wstring json = L"" VQDF_EXAMPLES_DIR "/M1_1_05.json";
    for (int round = 0; round < 3; ++round) {
        Library library;
        ASSERT_TRUE(library.Loaded()) << dlerror();
        const auto setPath = library.Get<SetPathFunction>("SetDataFile_Path");
        const auto setVer = library.Get<SetVerFunction>("SetDataFile_Ver");
        const auto getPara = library.Get<ParaSpecFunction>("GetParaSpec");
        ASSERT_NE(setPath, nullptr);
        ASSERT_NE(setVer, nullptr);
        ASSERT_NE(getPara, nullptr);
        EXPECT_EQ(setVer(L"M1", L"", L"1.05"), 0) << round;
        EXPECT_EQ(setPath(json.c_str()), 0) << round;  // the same key: nothing more is read
        ASSERT_NE(getPara(L"M1", L"", L"1.05"), nullptr);
        EXPECT_EQ(getPara(L"M1", L"", L"1.05")->GroupCount, 10);
        EXPECT_TRUE(library.Unload());
    }
}

}  // namespace
