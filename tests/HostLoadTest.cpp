// A host that loads the library at run time: legacy files found in the DataFile directory beside
// the library whatever the host's folder, a file held by another opener, the host's locale, and
// loading and unloading the library repeatedly.
// Only the public header and the dynamic loader are used, so every round gets a fresh library.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "HostWalk.h"
#include "TestDirectory.h"
#include "vqDataFileReader.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
using LibraryHandle = HMODULE;
LibraryHandle LoadLibraryFile(const std::filesystem::path& file) {
    return LoadLibraryW(file.wstring().c_str());
}
bool UnloadLibraryFile(LibraryHandle handle) { return FreeLibrary(handle) != 0; }
// Through void*, as an export's address has no type of its own.
void* FindExport(LibraryHandle handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(handle, name));
}
std::string LoadError() { return "error " + std::to_string(GetLastError()); }

// Memory in use: the bytes of every block allocated in the process's heaps. Counted block by
// block, it is exact: the slack, spread over the rounds, is less than the smallest block a round
// could lose.
std::size_t MemoryInUse() {
    HANDLE heaps[64];
    const DWORD count = std::min<DWORD>(GetProcessHeaps(64, heaps), 64);
    std::size_t bytes = 0;
    for (DWORD i = 0; i < count; ++i) {
        PROCESS_HEAP_ENTRY entry{};
        HeapLock(heaps[i]);
        while (HeapWalk(heaps[i], &entry)) {
            if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) {
                bytes += entry.cbData;
            }
        }
        HeapUnlock(heaps[i]);
    }
    return bytes;
}
constexpr std::size_t kMemorySlack = 1u << 10;

// Handles open in the process, found by asking about each value a handle can have: Wine answers
// 0 to GetProcessHandleCount.
std::size_t OpenHandles() {
    std::size_t count = 0;
    DWORD flags = 0;
    for (uintptr_t value = 4; value < (1u << 16); value += 4) {
        count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
    }
    return count;
}

// Another program's hold on a file that lets no one else open it.
using HeldFile = HANDLE;
const HeldFile kNotHeld = INVALID_HANDLE_VALUE;
HeldFile Hold(const std::filesystem::path& path) {
    return CreateFileW(path.wstring().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}
void Unhold(HeldFile file) { CloseHandle(file); }
#else
using LibraryHandle = void*;
LibraryHandle LoadLibraryFile(const std::filesystem::path& file) {
    return dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}
bool UnloadLibraryFile(LibraryHandle handle) { return dlclose(handle) == 0; }
void* FindExport(LibraryHandle handle, const char* name) { return dlsym(handle, name); }
std::string LoadError() {
    const char* error = dlerror();
    return error != nullptr ? error : "";
}

// Memory in use: resident bytes, from the kernel's count of pages; they come and go a page at
// a time and with the allocator's caches.
std::size_t MemoryInUse() {
    std::ifstream statm("/proc/self/statm");
    std::size_t total = 0;
    std::size_t resident = 0;
    statm >> total >> resident;
    return resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}
constexpr std::size_t kMemorySlack = 1u << 20;

// File descriptors open in the process.
std::size_t OpenHandles() {
    const auto fds = std::filesystem::directory_iterator("/proc/self/fd");
    return static_cast<std::size_t>(std::distance(begin(fds), end(fds)));
}

// Another program's exclusive lock on a file, as the library's own open takes it.
using HeldFile = int;
const HeldFile kNotHeld = -1;
HeldFile Hold(const std::filesystem::path& path) {
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return kNotHeld;
    }
    return fd;
}
void Unhold(HeldFile fd) { close(fd); }
#endif

// A hold on a file, given up at the latest when it goes.
class Holder {
public:
    explicit Holder(const std::filesystem::path& path) : file_(Hold(path)) {}
    ~Holder() { Release(); }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;
    bool Held() const { return file_ != kNotHeld; }
    void Release() {
        if (Held()) {
            Unhold(file_);
            file_ = kNotHeld;
        }
    }

private:
    HeldFile file_;
};

using SetPathFunction = int32_t (*)(const wchar_t*);
using SetVerFunction = int32_t (*)(const wchar_t*, const wchar_t*, const wchar_t*);
using ParaSpecFunction = ParaSpec* (*)(const wchar_t*, const wchar_t*, const wchar_t*);
using ExtendSpecFunction = ExtendSpec* (*)(const wchar_t*, const wchar_t*, const wchar_t*);
using ParamIdsFunction = void (*)(const wchar_t*, const wchar_t*, const wchar_t*, ParamIdMap*);
using AdvUserSeqFunction = void (*)(const wchar_t*, const wchar_t*, const wchar_t*,
                                    std::vector<FunctionBlock*>*);

class Library {
public:
    explicit Library(const std::filesystem::path& file = VQDF_LIBRARY_FILE)
        : handle_(LoadLibraryFile(file)) {}
    ~Library() {
        if (handle_ != nullptr) {
            UnloadLibraryFile(handle_);
        }
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool Loaded() const { return handle_ != nullptr; }
    bool Unload() {
        const bool unloaded = UnloadLibraryFile(handle_);
        handle_ = nullptr;
        return unloaded;
    }
    template <typename F>
    F Get(const char* name) const {
        return reinterpret_cast<F>(FindExport(handle_, name));
    }

private:
    LibraryHandle handle_;
};

TEST(HostLoad, LegacyFileHeldByAnotherOpenerFailsAndLeavesNothingRegistered) {
    const vqdf::testing::TestDirectory folder;
    const auto path = folder.Dir() / "M5_2_00.inv";
    std::filesystem::copy_file(VQDF_EXAMPLES_DIR "/DataFile/M1/M1_1_05.inv", path,
                               std::filesystem::copy_options::overwrite_existing);
    Library library;
    ASSERT_TRUE(library.Loaded()) << LoadError();
    const auto setPath = library.Get<SetPathFunction>("SetDataFile_Path");
    const auto getPara = library.Get<ParaSpecFunction>("GetParaSpec");

    Holder holder(path);
    ASSERT_TRUE(holder.Held());
    EXPECT_EQ(setPath(path.wstring().c_str()), 1);
    EXPECT_EQ(getPara(L"M5", L"", L"2.00"), nullptr);
    holder.Release();
    EXPECT_EQ(setPath(path.wstring().c_str()), 0);
    EXPECT_NE(getPara(L"M5", L"", L"2.00"), nullptr);
}

// Changes the current directory for its scope.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::filesystem::path& path)
        : saved_(std::filesystem::current_path()) {
        std::filesystem::current_path(path);
    }
    ~CurrentDirectory() { std::filesystem::current_path(saved_); }
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;
    void Change(const std::filesystem::path& path) { std::filesystem::current_path(path); }

private:
    std::filesystem::path saved_;
};

// The library loaded by a relative name from a folder whose name is not ASCII (on Windows not in
// the ANSI code page, on Linux not even UTF-8), then the host changes to a folder that holds a
// decoy: a library of the same name and a DataFile folder with another drive under the same name.
// The library must find its own.
TEST(HostLoad, DataFileFolderIsTheLibrarysOwnWhateverTheCurrentDirectory) {
    const vqdf::testing::TestDirectory folder;
#ifdef _WIN32
    const std::filesystem::path app = folder.Dir() / L"h\u00f4te-\u65e5\u672c";
#else
    const std::filesystem::path app = folder.Dir() / "app\xE9";
#endif
    const std::filesystem::path decoy = folder.Dir() / "decoy";
    const std::filesystem::path name = std::filesystem::path(VQDF_LIBRARY_FILE).filename();
    for (const auto& [root, drive] :
         {std::pair(app, std::filesystem::path(VQDF_EXAMPLES_DIR "/DataFile/M1/M1_1_05.inv")),
          std::pair(decoy, std::filesystem::path(VQDF_CORPUS_DIR "/inv_missing_streams.inv"))}) {
        std::filesystem::create_directories(root / "lib" / "DataFile" / "M1");
        std::filesystem::copy_file(VQDF_LIBRARY_FILE, root / "lib" / name);
        std::filesystem::copy_file(drive, root / "lib" / "DataFile" / "M1" / "M1_1_05.inv");
    }
    CurrentDirectory current(app);
    Library library(std::filesystem::path("lib") / name);
    ASSERT_TRUE(library.Loaded()) << LoadError();
    current.Change(decoy);
    EXPECT_EQ(library.Get<SetVerFunction>("SetDataFile_Ver")(L"M1", L"ignored", L"1.05"), 0);
    using TripFunction = TripSpec* (*)(const wchar_t*, const wchar_t*, const wchar_t*);
    const TripSpec* trips = library.Get<TripFunction>("GetTripSpec")(L"M1", L"", L"1.05");
    ASSERT_NE(trips, nullptr);
    EXPECT_GT(trips->TripCount, 0) << "the decoy's drive, which has no trips, was loaded";
    // A legacy file has none of the tables only a JSON file holds; the host's map stays its own.
    EXPECT_EQ(library.Get<ExtendSpecFunction>("GetExtendSpec")(L"M1", L"", L"1.05"), nullptr);
    ParamIdMap ids{{7, {1, 2}}};
    library.Get<ParamIdsFunction>("GetParamIDS")(L"M1", L"1.05", L"", &ids);
    EXPECT_TRUE(ids.size() == 1 && ids[7].CodeNum == 2u);
    std::vector<FunctionBlock*> blocks;
    library.Get<AdvUserSeqFunction>("GetSpecAdvUserSeq")(L"M1", L"1.05", L"", &blocks);
    EXPECT_TRUE(blocks.empty());
}

#ifndef _WIN32
// A host that links the library into its own folder has its DataFile folder beside the link: the
// folder is that of the library's file as the loader names it, links kept.
TEST(HostLoad, DataFileFolderIsBesideTheLinkTheLibraryWasLoadedThrough) {
    const vqdf::testing::TestDirectory folder;
    const std::filesystem::path app = folder.Dir() / "app";
    std::filesystem::create_directories(app / "DataFile" / "L1");
    std::filesystem::copy_file(VQDF_EXAMPLES_DIR "/DataFile/M1/M1_1_05.inv",
                               app / "DataFile" / "L1" / "L1_1_00.inv");
    const std::filesystem::path link = app / std::filesystem::path(VQDF_LIBRARY_FILE).filename();
    std::filesystem::create_symlink(VQDF_LIBRARY_FILE, link);
    Library library(link);
    ASSERT_TRUE(library.Loaded()) << LoadError();
    const auto setVer = library.Get<SetVerFunction>("SetDataFile_Ver");
    EXPECT_EQ(setVer(L"L1", L"", L"1.00"), 0) << "the drive beside the link was not found";
    EXPECT_EQ(setVer(L"M1", L"", L"1.05"), 1) << "the drive beside the link's target was loaded";
}

// A host's locale is its own: loading the library and a data file changes nothing of it, also
// where the environment names another locale (the library must not take it up).
TEST(HostLoad, TheHostsLocaleStaysTheHosts) {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    std::setlocale(LC_ALL, "C");
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    const std::string before = std::setlocale(LC_ALL, nullptr);
    {
        Library library;
        ASSERT_TRUE(library.Loaded()) << LoadError();
        const std::wstring json = VQDF_EXAMPLES_DIR L"/M1_1_05.json";
        EXPECT_EQ(library.Get<SetPathFunction>("SetDataFile_Path")(json.c_str()), 0);
        EXPECT_EQ(std::setlocale(LC_ALL, nullptr), before);
    }
    unsetenv("LC_ALL");
    EXPECT_EQ(std::setlocale(LC_ALL, nullptr), before);
}
#endif

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

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;  // freed memory waits in quarantine: its size tells nothing
#else
constexpr bool kSanitized = false;
#endif

// Runs a round two hundred times. The sanitizer run checks for leaks; here the handles open after
// the last round must be those after the first, and the memory in use stay within the slack above
// of the memory after the first.
template <typename Round>
void ExpectFlatOverTwoHundredRounds(Round round) {
    constexpr int kRounds = 200;
    std::size_t afterFirst = 0;
    std::size_t handlesAfterFirst = 0;
    for (int i = 0; i < kRounds; ++i) {
        round(i);
        if (::testing::Test::HasFatalFailure()) {
            return;
        }
        if (i == 0) {
            afterFirst = MemoryInUse();
            handlesAfterFirst = OpenHandles();
        }
    }
    const std::size_t memory = MemoryInUse();
    std::printf("after %d rounds: %zu bytes in use (%+lld), %zu handles (%+lld)\n", kRounds, memory,
                static_cast<long long>(memory) - static_cast<long long>(afterFirst), OpenHandles(),
                static_cast<long long>(OpenHandles()) - static_cast<long long>(handlesAfterFirst));
    EXPECT_EQ(OpenHandles(), handlesAfterFirst);
    if (!kSanitized) {
        EXPECT_LE(memory, afterFirst + kMemorySlack);
    }
}

// Both formats loaded, every table read, the library unloaded. The compound-file reader must
// survive being loaded again.
TEST(HostLoad, LoadingReadingAndUnloadingTwoHundredTimesKeepsHandlesAndMemoryFlat) {
    const vqdf::testing::TestDirectory folder;
    const auto& dir = folder.Dir();
    std::filesystem::copy_file(VQDF_EXAMPLES_DIR "/M1_1_05.json", dir / "M2_1_05.json");
    std::filesystem::copy_file(VQDF_EXAMPLES_DIR "/M1_1_05_Title.json", dir / "M2_1_05_Title.json");
    const std::wstring json = (dir / "M2_1_05.json").wstring();
    uint64_t firstSums = 0;
    ExpectFlatOverTwoHundredRounds([&](int round) {
        Library library;
        ASSERT_TRUE(library.Loaded()) << LoadError();
        ASSERT_EQ(library.Get<SetVerFunction>("SetDataFile_Ver")(L"M1", L"", L"1.05"), 0);
        ASSERT_EQ(library.Get<SetPathFunction>("SetDataFile_Path")(json.c_str()), 0);
        const uint64_t sums =
            vqdf::testing::WalkEveryGetter(ExportGetters{library, L"M1", L"1.05"}) ^
            vqdf::testing::WalkEveryGetter(ExportGetters{library, L"M2", L"1.05"});
        EXPECT_TRUE(library.Unload());
        if (round == 0) {
            firstSums = sums;
        }
        ASSERT_EQ(sums, firstSums) << round;
    });
}

#if defined(VQDF_RUNTIME_PROBE_FILE)
// A round of a probe DLL linked as the library is, and what its export gives when the runtimes
// behaved.
struct ProbeRound {
    const char* name;
    int behaved;
};
class ProbeRounds : public ::testing::TestWithParam<ProbeRound> {};

// ProbeRuntime: what the library does only when memory runs out (throw and catch, on the host's
// thread and on one of its own), and a function-local static. ProbeStaticLocks: thirty-two static
// locks taken with exceptions thrown while they are held, a lock its owner destroys, recursive and
// error-checking ones.
TEST_P(ProbeRounds, RuntimesLinkedIntoTheDllGiveBackWhatTheyTook) {
    ExpectFlatOverTwoHundredRounds([](int) {
        Library probe(VQDF_RUNTIME_PROBE_FILE);
        ASSERT_TRUE(probe.Loaded()) << LoadError();
        EXPECT_EQ(probe.Get<int (*)()>(GetParam().name)(), GetParam().behaved);
        EXPECT_TRUE(probe.Unload());
    });
}
INSTANTIATE_TEST_SUITE_P(HostLoad, ProbeRounds,
                         ::testing::Values(ProbeRound{"ProbeRuntime", 3},
                                           ProbeRound{"ProbeStaticLocks", 36}),
                         [](const auto& round) { return std::string(round.param.name); });

// Locks that threads contend for exclude each other, and a function-local static that several
// threads reach at once is made once; code compiled to take the thread functions from the thread
// library's DLL reaches the DLL's own.
TEST(HostLoad, LocksOfADllExcludeThreadsAlsoThroughTheImportTable) {
    Library probe(VQDF_RUNTIME_PROBE_FILE);
    ASSERT_TRUE(probe.Loaded()) << LoadError();
    for (const char* name : {"ProbeContention", "ProbeImportedLocks"}) {
        EXPECT_EQ(probe.Get<int (*)()>(name)(), 1) << name;
    }
}

// A once-function that throws leaves the once not run; a thread waiting for it then runs it. The
// waiter sleeps meanwhile: in half a second of waiting it uses far less CPU time than that. The
// probe gives up after 20 s and stops the waiter, so that a hang fails rather than hangs.
TEST(HostLoad, AOnceFunctionThatThrowsIsRunByTheThreadThatWaitedForItWithoutSpinning) {
    Library probe(VQDF_RUNTIME_PROBE_FILE);
    ASSERT_TRUE(probe.Loaded()) << LoadError();
    double waiterCpu = -1;
    EXPECT_EQ(probe.Get<int (*)(DWORD, double*)>("ProbeOnceAfterThrow")(20000, &waiterCpu), 1)
        << "the waiter was still waiting after 20 s";
    std::printf("the waiter used %.1f ms of CPU in 500 ms\n", waiterCpu);
    EXPECT_GE(waiterCpu, 0);
    EXPECT_LT(waiterCpu, 250) << "ms of CPU while waiting 500 ms";
}

// Fiber-local slots free in the process: as many as can be allocated (the system has a fixed
// number), given back at once.
std::size_t FreeFiberLocalSlots() {
    std::vector<DWORD> slots;
    for (int i = 0; i < 10000; ++i) {
        const DWORD slot = FlsAlloc(nullptr);
        if (slot == FLS_OUT_OF_INDEXES) {
            break;
        }
        slots.push_back(slot);
    }
    for (DWORD slot : slots) {
        FlsFree(slot);
    }
    return slots.size();
}

TEST(HostLoad, KeysOfADllAreMadeAgainAfterDeletionAndTakeOneFiberLocalSlot) {
    const std::size_t freeBefore = FreeFiberLocalSlots();
    {
        Library probe(VQDF_RUNTIME_PROBE_FILE);
        ASSERT_TRUE(probe.Loaded()) << LoadError();
        EXPECT_EQ(probe.Get<int (*)(int)>("ProbeKeyRounds")(30), 30);
        // Each key's destructor ran once for the thread that ended; the keys are still there.
        EXPECT_EQ(probe.Get<int (*)(int)>("ProbeKeysOnThreads")(40), 40);
        EXPECT_EQ(FreeFiberLocalSlots(), freeBefore - 1);
        EXPECT_EQ(probe.Get<int (*)(int)>("ProbeKeyRounds")(30), 30);
    }
    EXPECT_EQ(FreeFiberLocalSlots(), freeBefore);
}
#endif

}  // namespace
