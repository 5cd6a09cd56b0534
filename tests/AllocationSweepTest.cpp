// Every allocation a load makes, made to fail in turn: the N-th allocation of the readers' own
// (their arrays, the JSON parser's memory) gives null and the N-th of the C++ runtime's throws,
// for N = 1, 2, 3, ... until a load no longer reaches N. Each run must give a status, leave
// nothing registered when it fails, and leave no block allocated once the data file is gone. This
// program puts its own allocation functions in place of the library's and of the runtime's.
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>

#include "AppWalk.h"
#include "TestDirectory.h"
#include "json/DataFileV2.h"
#include "model/FunctionBlockCopies.h"
#include "model/TableMemory.h"
#include "registry/DataFileRegistry.h"

namespace {

// The allocations counted while armed, the one that fails, and the blocks still allocated with
// their bytes; an allocation that would take the bytes beyond the budget fails, as under an
// address-space limit.
struct Sweep {
    bool armed = false;
    long made = 0;
    long failAt = 0;
    long live = 0;
    long tables = 0;  // of those, the blocks of the readers' own allocation functions
    std::size_t bytes = 0;
    std::size_t budget = SIZE_MAX;
};
Sweep sweep;

bool Fails(std::size_t size) {
    return (sweep.armed && ++sweep.made == sweep.failAt) || size > sweep.budget - sweep.bytes;
}

std::size_t BlockSize(void* block) {
#ifdef _WIN32
    return _msize(block);
#else
    return malloc_usable_size(block);
#endif
}

void* Counted(void* block) {
    if (block != nullptr) {
        ++sweep.live;
        sweep.bytes += BlockSize(block);
    }
    return block;
}

void Uncounted(void* block) {
    if (block != nullptr) {
        --sweep.live;
        sweep.bytes -= BlockSize(block);
        std::free(block);
    }
}

void* New(std::size_t size) {
    if (Fails(size)) {
        throw std::bad_alloc();
    }
    void* block = Counted(std::malloc(size == 0 ? 1 : size));
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

}  // namespace

namespace vqdf {

void* Table(void* block) {
    sweep.tables += block != nullptr ? 1 : 0;
    return Counted(block);
}

void* AllocateBytes(std::size_t size) { return Fails(size) ? nullptr : Table(std::malloc(size)); }

void* AllocateZeroedBytes(std::size_t count, std::size_t size) {
    std::size_t total = 0;
    return __builtin_mul_overflow(count, size, &total) || Fails(total)
               ? nullptr
               : Table(std::calloc(count, size));
}

void* ReallocateBytes(void* block, std::size_t size) {
    if (Fails(size)) {
        return nullptr;
    }
    const std::size_t before = block == nullptr ? 0 : BlockSize(block);
    void* moved = std::realloc(block, size);
    if (block == nullptr) {
        return Table(moved);
    }
    if (moved != nullptr) {
        sweep.bytes = sweep.bytes - before + BlockSize(moved);
    }
    return moved;
}

void FreeBytes(void* block) {
    sweep.tables -= block != nullptr ? 1 : 0;
    Uncounted(block);
}

}  // namespace vqdf

void* operator new(std::size_t size) { return New(size); }
void* operator new[](std::size_t size) { return New(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return New(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& nothrow) noexcept {
    return operator new(size, nothrow);
}
void operator delete(void* block) noexcept { Uncounted(block); }
void operator delete[](void* block) noexcept { Uncounted(block); }
void operator delete(void* block, std::size_t) noexcept { Uncounted(block); }
void operator delete[](void* block, std::size_t) noexcept { Uncounted(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Uncounted(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Uncounted(block); }

namespace vqdf::testing {
namespace {

const std::wstring kJson = L"" VQDF_EXAMPLES_DIR "/M1_1_05.json";
const std::filesystem::path kLegacyExample = VQDF_EXAMPLES_DIR "/DataFile/M1/M1_1_05.inv";

// Arms the sweep for its scope.
class Armed {
public:
    explicit Armed(long failAt) {
        sweep.made = 0;
        sweep.failAt = failAt;
        sweep.armed = true;
    }
    ~Armed() { sweep.armed = false; }
    Armed(const Armed&) = delete;
    Armed& operator=(const Armed&) = delete;
};

// Runs step once with no allocation failing, to count them, then once with each of them failing
// in turn; every run must reach the allocation that fails, as a run that stops short of it shows
// that an earlier failure left something behind (a file still locked, say). Returns the count.
template <typename Step>
long SweepAllocations(Step step) {
    long total = 0;
    step([&](const auto& run) {
        const Armed armed(0);
        run();
        total = sweep.made;
    });
    for (long failAt = 1; failAt <= total && !::testing::Test::HasFailure(); ++failAt) {
        const long liveBefore = sweep.live;
        step([&](const auto& run) {
            const Armed armed(failAt);
            run();
            EXPECT_GE(sweep.made, failAt) << "a failure at allocation " << failAt - 1
                                          << " kept the next load from getting as far";
        });
        EXPECT_EQ(sweep.live, liveBefore) << "blocks left after a failure at allocation " << failAt;
    }
    return total;
}

TEST(AllocationSweep, LoadsOfBothFormatsGiveAStatusAndLeaveNothingBehind) {
    const TestDirectory folder;
    for (const std::wstring& path : {kJson, folder.CopyHere(kLegacyExample).wstring()}) {
        const long points = SweepAllocations([&](const auto& armed) {
            CvqDataFileReaderApp app;
            int32_t status = -1;
            armed([&] { status = app.SetDataFilePath(path.c_str()); });
            ASSERT_TRUE(status == 0 || status == 1);
            EXPECT_EQ(app.Registry().Size(), status == 0 ? 1u : 0u);
            if (status == 0) {
                WalkEveryGetter(AppGetters{app, L"M1", L"1.05"});
            }
        });
        std::printf("%ls: %ld allocation points\n", path.c_str(), points);
    }
}

TEST(AllocationSweep, ContainerGettersLeaveTheCallersContainersWholeOrUnchanged) {
    CvqDataFileReaderApp app;
    ASSERT_EQ(app.SetDataFilePath(kJson.c_str()), 0);
    const long blocks = SweepAllocations([&](const auto& armed) {
        std::vector<FunctionBlock*> copies;
        armed([&] { app.GetSpecAdvUserSeq(L"M1", L"1.05", &copies); });
        for (FunctionBlock* copy : copies) {
            ASSERT_NE(copy, nullptr);
            FunctionBlockCopies::Free(copy);
        }
    });
    ParamIdMap all;
    app.GetParamIDS(L"M1", L"1.05", &all);
    const long ids = SweepAllocations([&](const auto& armed) {
        ParamIdMap mine = {{4'000'000'000u, {1, 2}}};
        armed([&] { app.GetParamIDS(L"M1", L"1.05", &mine); });
        const bool whole = mine.size() == all.size() && mine.count(4'000'000'000u) == 0;
        const bool unchanged = mine.size() == 1 && mine.count(4'000'000'000u) == 1;
        EXPECT_TRUE(whole || unchanged);
    });
    std::printf("function blocks: %ld allocation points, parameter ids: %ld\n", blocks, ids);
}

// A titles document whose few ids lie far apart, each about four times the one before, costs
// memory by its number of entries, never by the size of its ids: its load fits a budget that a
// table sized by its largest id would exceed many times over.
TEST(AllocationSweep, SparseTitleIdsCostMemoryByTheirNumber) {
    const TestDirectory folder;
    const uint32_t ids[] = {4095,    20479,    86015,    348159,    1396735,
                            5591039, 22368255, 89477119, 357912575, 1431654399};
    std::ofstream titles(folder.Dir() / "S_1_0_Title.json");
    titles << R"({"Titles": [)";
    for (std::size_t k = 0; k < std::size(ids); ++k) {
        titles << (k == 0 ? "" : ",") << R"({"id": )" << ids[k] << R"(, "Text": "T)" << k << "\"}";
    }
    titles << "]}";
    titles.close();
    std::ofstream(folder.Dir() / "S_1_0.json") << R"({"Units": [], "Messages": [], "IO": {},
        "ParameterGroups": [{"GroupNum": 1, "Title::id": 1431654399, "Parameters": [
            {"CodeNum": 0, "Title::id": 357912575}]}],
        "CommonParameters": [], "Trips": {}, "InitOrder": [],
        "AdvUserSeq": {"BitPinTypes": [], "IOTypes": [], "Comments": [], "Groups": [],
                       "FunctionList": []}})";
    CvqDataFileReaderApp app;
    sweep.budget = sweep.bytes + (2u << 20);
    const int32_t status = app.SetDataFilePath((folder.Dir() / "S_1_0.json").wstring().c_str());
    sweep.budget = SIZE_MAX;
    ASSERT_EQ(status, 0);
    const ParaSpec* para = app.GetParaSpec(L"S", L"1.0");
    ASSERT_NE(para, nullptr);
    EXPECT_STREQ(para->Groups[0].Title, "T9");
    EXPECT_STREQ(para->Groups[0].Parameters[0].Title, "T8");
}

// A recent-version search only reads what registering made: it allocates nothing, so two
// threads may search at once and no search can run out of memory.
TEST(AllocationSweep, RecentVersionSearchAllocatesNothing) {
    CDataFileRegistry registry([](ReaderKind, const std::wstring&) -> std::unique_ptr<IDataFile> {
        return std::make_unique<CDataFileV2>();
    });
    const TestDirectory folder;
    for (const char* stem : {"M1_1_00", "M1_1_05", "M1_1_20"}) {
        const auto path = folder.Dir() / (std::string(stem) + ".json");
        std::filesystem::copy_file(kJson, path);
        std::filesystem::copy_file(VQDF_EXAMPLES_DIR "/M1_1_05_Title.json",
                                   folder.Dir() / (std::string(stem) + "_Title.json"));
        ASSERT_EQ(registry.SetDataFilePath(path.wstring()), 0);
    }
    const Armed armed(1);
    EXPECT_EQ(registry.GetRecentDataFileVer(L"M1", L"1.10"), 5);
    EXPECT_EQ(registry.GetRecentDataFileVer(L"M1", L"1.00"), -1);
    EXPECT_EQ(sweep.made, 0);
}

// Releasing a reader's tables, as the registry does before it destroys the reader, leaves every
// pointer to a table null in both formats, and with the reader gone no array its load made is
// left.
TEST(AllocationSweep, ReleasingTheTablesFreesEveryArrayAndNullsEveryPointer) {
    const TestDirectory folder;
    for (const std::wstring& path : {kJson, folder.CopyHere(kLegacyExample).wstring()}) {
        const long before = sweep.tables;
        std::unique_ptr<CDataFileBase> reader = MakeReader(ReaderKindOfPath(path), path);
        ASSERT_EQ(reader->Load(path), 1u);
        EXPECT_GT(sweep.tables, before + 100);
        reader->ReleaseTables();
        const DeviceInfo& device = *reader->GetDeviceInfo();
        const IOSpec& io = *reader->GetIOSpec();
        const TripSpec& trip = *reader->GetTripSpec();
        const void* const pointers[] = {device.DiagNumbers,
                                        io.InputTerminals,
                                        io.OutputTerminals,
                                        io.InputFuncTitles,
                                        io.OutputFuncTitles,
                                        trip.TripStatusInfoData,
                                        trip.WarnStatusInfoData,
                                        trip.TripNames,
                                        trip.WarnNames,
                                        trip.TripAddr,
                                        trip.WarnAddr,
                                        reader->GetMessageSpec()->Messages,
                                        reader->GetCommonSpec()->CommonParams,
                                        reader->GetParaSpec()->Groups,
                                        reader->GetInitOrder()->InitOrderAddrs};
        for (std::size_t k = 0; k < std::size(pointers); ++k) {
            EXPECT_EQ(pointers[k], nullptr) << "pointer " << k;
        }
        reader.reset();
        EXPECT_EQ(sweep.tables, before) << "arrays left with the reader gone";
    }
}

}  // namespace
}  // namespace vqdf::testing
