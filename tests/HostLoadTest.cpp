// A host that loads the library at run time: legacy files found in the DataFile directory beside
// the library, a file held by another opener, and loading and unloading the library repeatedly.
// Only the public header and the dynamic loader are used, so every round gets a fresh library.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "HostWalk.h"
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

// The exports of a loaded library, as the table walk calls them for one model and version.
struct ExportGetters {
    const Library& library;
    const wchar_t* model;
    const wchar_t* version;

    template <typename Result>
    Result* Table(const char* name) const {
        using Getter = Result* (*)(const wchar_t*, const wchar_t*, const wchar_t*);
        return library.Get<Getter>(name)(model, L"", version);
    }
    int32_t Device(DeviceInfo* out) const {
        using Getter = int32_t (*)(const wchar_t*, const wchar_t*, const wchar_t*, void*);
        return library.Get<Getter>("GetDeviceInfo")(model, L"", version, out);
    }
    IOSpec* IO() const { return Table<IOSpec>("GetIOSpec"); }
    TripSpec* Trip() const { return Table<TripSpec>("GetTripSpec"); }
    MessageSpec* Messages() const { return Table<MessageSpec>("GetMessageSpec"); }
    CommonSpec* Common() const { return Table<CommonSpec>("GetCommonSpec"); }
    ParaSpec* Para() const { return Table<ParaSpec>("GetParaSpec"); }
    InitOrder* Init() const { return Table<InitOrder>("GetInitOrder"); }
    ExtendSpec* Extend() const { return Table<ExtendSpec>("GetExtendSpec"); }
    // The getters with the version second.
    SpecialParamMap* Special() const {
        using Getter = SpecialParamMap* (*)(const wchar_t*, const wchar_t*, const wchar_t*);
        return library.Get<Getter>("GetSpecialParameter")(model, version, L"");
    }
    void ParamIds(ParamIdMap* out) const {
        library.Get<ParamIdsFunction>("GetParamIDS")(model, version, L"", out);
    }
    void Blocks(std::vector<FunctionBlock*>* out) const {
        library.Get<AdvUserSeqFunction>("GetSpecAdvUserSeq")(model, version, L"", out);
    }
};

// Resident memory in bytes, from the kernel's count of pages.
std::size_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::size_t total = 0;
    std::size_t resident = 0;
    statm >> total >> resident;
    return resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;  // freed memory waits in quarantine: resident size tells nothing
#else
constexpr bool kSanitized = false;
#endif

// Both formats loaded, every table read, the library unloaded: a hundred times. The sanitizer
// run checks for leaks; here the memory after the last round must stay within 1 MiB of the
// memory after the first. The compound-file reader must survive being loaded again.
TEST(HostLoad, LoadingReadingAndUnloadingAHundredTimesKeepsMemoryFlat) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("vqdf_host_rounds_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::copy_file(VQDF_EXAMPLES_DIR "/M1_1_05.json", dir / "M2_1_05.json");
    std::filesystem::copy_file(VQDF_EXAMPLES_DIR "/M1_1_05_Title.json", dir / "M2_1_05_Title.json");
    const std::wstring json = (dir / "M2_1_05.json").wstring();
    std::size_t afterFirst = 0;
    uint64_t firstSums = 0;
    for (int round = 0; round < 100; ++round) {
        Library library;
        ASSERT_TRUE(library.Loaded()) << dlerror();
        ASSERT_EQ(library.Get<SetVerFunction>("SetDataFile_Ver")(L"M1", L"", L"1.05"), 0);
        ASSERT_EQ(library.Get<SetPathFunction>("SetDataFile_Path")(json.c_str()), 0);
        const uint64_t sums =
            vqdf::testing::WalkEveryGetter(ExportGetters{library, L"M1", L"1.05"}) ^
            vqdf::testing::WalkEveryGetter(ExportGetters{library, L"M2", L"1.05"});
        EXPECT_TRUE(library.Unload());
        if (round == 0) {
            afterFirst = ResidentBytes();
            firstSums = sums;
        }
        ASSERT_EQ(sums, firstSums) << round;
    }
    if (!kSanitized) {
        EXPECT_LE(ResidentBytes(), afterFirst + (1u << 20));
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
