// The JSON load against the fastest standard way to get a DOM of the same bytes (read each file
// whole, RapidJSON's Document::Parse with default flags), at three sizes; the legacy load against
// reading all its streams raw through libgsf; the table getters of the exports with 21 drives
// registered; and the peak memory of one load. Every pair is measured side by side in one run,
// and the ratios are printed at the end.
#include <benchmark/benchmark.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <rapidjson/document.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "DataFileApi.h"
#include "vqDataFileReader.h"

namespace {

namespace fs = std::filesystem;

// Clean drives: codes 0 to 249 in 40 groups a factor, so that the largest, 160 groups, still
// gives every parameter a register of its own.
constexpr int kGroupsPerFactor = 40;
constexpr int kParametersPerGroup = 250;

fs::path BenchDirectory() {
    static const fs::path dir = [] {
        fs::path path = fs::temp_directory_path() / "vqdf_bench";
        fs::create_directories(path);
        return path;
    }();
    return dir;
}

// The drive of 10,000 parameters times the factor, written once a run (a file of an earlier
// run may be of another shape), and its legacy form after it.
fs::path DataFile(int factor) {
    static std::set<int> written;
    const std::string stem = "SYN_" + std::to_string(factor) + "_0";
    const fs::path path = BenchDirectory() / (stem + ".json");
    if (written.insert(factor).second) {
        vqdf::api::WriteSyntheticDataFile(BenchDirectory().string(), stem,
                                          kGroupsPerFactor * factor, kParametersPerGroup,
                                          200 * factor, 8);
        std::error_code ignored;
        fs::remove(fs::path(path).replace_extension(".inv"), ignored);
    }
    return path;
}

fs::path TitlesFile(int factor) { return vqdf::api::TitlesPathOf(DataFile(factor).string()); }

// The legacy form of the same drive, written from its JSON form.
fs::path LegacyFile(int factor) {
    fs::path path = DataFile(factor);
    path.replace_extension(".inv");
    if (!fs::exists(path)) {
        const vqdf::api::OpenResult loaded = vqdf::api::Open(DataFile(factor).string());
        const std::string error =
            loaded.file
                ? vqdf::api::Write(*loaded.file, path.string(), vqdf::api::Format::Legacy).error
                : loaded.error;
        if (!error.empty()) {
            std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), error.c_str());
        }
    }
    return path;
}

// The file in one read into a buffer of its size.
std::string ReadWhole(const fs::path& path) {
    std::string text(fs::file_size(path), '\0');
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr || std::fread(text.data(), 1, text.size(), file) != text.size()) {
        text.clear();
    }
    if (file != nullptr) {
        std::fclose(file);
    }
    return text;
}

// The baseline: each document read whole and parsed with the default flags.
void BM_BareParse(benchmark::State& state) {
    const int factor = static_cast<int>(state.range(0));
    const fs::path data = DataFile(factor);
    const fs::path titles = TitlesFile(factor);
    for (auto _ : state) {
        for (const fs::path& path : {data, titles}) {
            const std::string text = ReadWhole(path);
            rapidjson::Document document;
            document.Parse(text.c_str(), text.size());
            benchmark::DoNotOptimize(document.HasParseError());
        }
    }
}

// For reference: the same with the parse done in place, in the buffer that holds the text.
void BM_InsituParse(benchmark::State& state) {
    const int factor = static_cast<int>(state.range(0));
    const fs::path data = DataFile(factor);
    const fs::path titles = TitlesFile(factor);
    for (auto _ : state) {
        for (const fs::path& path : {data, titles}) {
            std::string text = ReadWhole(path);
            rapidjson::Document document;
            document.ParseInsitu(text.data());
            benchmark::DoNotOptimize(document.HasParseError());
        }
    }
}

// The whole load as a host's SetDataFile_Path does it: both documents, every section, the trace
// line; only the registry is left out, so that each round loads anew.
void BM_Load(benchmark::State& state) {
    const int factor = static_cast<int>(state.range(0));
    const std::string path = DataFile(factor).string();
    vqdf::api::OpenOptions plain;
    plain.findings = false;
    for (auto _ : state) {
        if (!vqdf::api::Open(path, plain).file) {
            state.SkipWithError("load failed");
            return;
        }
    }
    state.counters["ns_per_parameter"] = benchmark::Counter(
        static_cast<double>(kGroupsPerFactor * factor * kParametersPerGroup),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Every stream of the storage and its children, each read whole into memory of its own that is
// kept to the end, as any reader of the streams keeps what it read.
std::size_t ReadAllStreams(GsfInfile* storage, std::vector<std::unique_ptr<guint8[]>>& kept) {
    std::size_t total = 0;
    const int count = gsf_infile_num_children(storage);
    for (int i = 0; i < count; ++i) {
        GsfInput* child = gsf_infile_child_by_index(storage, i);
        if (gsf_infile_num_children(GSF_INFILE(child)) >= 0) {
            total += ReadAllStreams(GSF_INFILE(child), kept);
        } else {
            const auto size = static_cast<std::size_t>(gsf_input_size(child));
            kept.emplace_back(new guint8[size]);
            if (size > 0 && gsf_input_read(child, size, kept.back().get()) != nullptr) {
                total += size;
            }
        }
        g_object_unref(child);
    }
    return total;
}

void BM_RawLegacyRead(benchmark::State& state) {
    const fs::path path = LegacyFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        GsfInput* input = gsf_input_stdio_new(path.c_str(), nullptr);
        GsfInfile* root = input != nullptr ? gsf_infile_msole_new(input, nullptr) : nullptr;
        if (root == nullptr) {
            state.SkipWithError("cannot open the legacy file");
            return;
        }
        std::vector<std::unique_ptr<guint8[]>> kept;
        benchmark::DoNotOptimize(ReadAllStreams(root, kept));
        g_object_unref(root);
        g_object_unref(input);
    }
}

void BM_LegacyLoad(benchmark::State& state) {
    const std::string path = LegacyFile(static_cast<int>(state.range(0))).string();
    vqdf::api::OpenOptions plain;
    plain.findings = false;
    for (auto _ : state) {
        if (!vqdf::api::Open(path, plain).file) {
            state.SkipWithError("load failed");
            return;
        }
    }
}

// 21 drives registered through the exports, versions 1.00 to 1.20 of one model, each a copy of
// the example; the getters then look up the middle one.
constexpr int kDrives = 21;

void RegisterDrives() {
    static const bool registered = [] {
        const fs::path dir = BenchDirectory() / "drives";
        fs::create_directories(dir);
        for (int minor = 0; minor < kDrives; ++minor) {
            char stem[32];
            std::snprintf(stem, sizeof stem, "M1_1_%02d", minor);
            const fs::path data = dir / (std::string(stem) + ".json");
            fs::copy_file(VQDF_EXAMPLES_DIR "/M1_1_05.json", data,
                          fs::copy_options::overwrite_existing);
            fs::copy_file(VQDF_EXAMPLES_DIR "/M1_1_05_Title.json",
                          dir / (std::string(stem) + "_Title.json"),
                          fs::copy_options::overwrite_existing);
            if (SetDataFile_Path(data.wstring().c_str()) != 0) {
                std::fprintf(stderr, "cannot load %s\n", data.c_str());
            }
        }
        return true;
    }();
    benchmark::DoNotOptimize(registered);
}

template <typename Getter>
void BM_Getter(benchmark::State& state, Getter getter) {
    RegisterDrives();
    for (auto _ : state) {
        benchmark::DoNotOptimize(getter());
    }
}

// The peak memory of one load of the drive of 10,000 parameters, in a process of its own: the
// high-water mark of resident memory after the load, less the resident memory before it.
long PeakLoadKilobytes() {
    const std::string path = DataFile(1).string();
    int pipe[2];
    if (::pipe(pipe) != 0) {
        return -1;
    }
    const pid_t child = fork();
    if (child == 0) {
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        const bool loaded = vqdf::api::Open(path).file != nullptr;
        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        const long grown = loaded ? after.ru_maxrss - before.ru_maxrss : -1;
        const ssize_t written = ::write(pipe[1], &grown, sizeof grown);
        _exit(written == sizeof grown ? 0 : 1);
    }
    long grown = -1;
    if (::read(pipe[0], &grown, sizeof grown) != sizeof grown) {
        grown = -1;
    }
    ::close(pipe[0]);
    ::close(pipe[1]);
    waitpid(child, nullptr, 0);
    return grown;
}

const wchar_t kModel[] = L"M1";
const wchar_t kVersion[] = L"1.10";

BENCHMARK(BM_BareParse)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InsituParse)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawLegacyRead)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LegacyLoad)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Getter, GetParaSpec, [] { return GetParaSpec(kModel, L"", kVersion); });
BENCHMARK_CAPTURE(BM_Getter, GetIOSpec, [] { return GetIOSpec(kModel, L"", kVersion); });
BENCHMARK_CAPTURE(BM_Getter, GetMessageSpec, [] { return GetMessageSpec(kModel, L"", kVersion); });
BENCHMARK_CAPTURE(BM_Getter, GetSpecialParameter,
                  [] { return GetSpecialParameter(kModel, kVersion, L""); });
BENCHMARK_CAPTURE(BM_Getter, GetDeviceInfo, [] {
    unsigned char device[100];
    return GetDeviceInfo(kModel, L"", kVersion, device);
});
BENCHMARK_CAPTURE(BM_Getter, GetRecentDataFile_Ver,
                  [] { return GetRecentDataFile_Ver(kModel, kVersion); });

// Keeps the median CPU time of every benchmark so that the ratios can be printed at the end; on
// a shared machine it varies less than the real time.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.aggregate_name == "median") {
                times[run.run_name.str()] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

void PrintRatios(const std::map<std::string, double>& t) {
    for (int factor : {1, 2, 4}) {
        const std::string suffix = "/" + std::to_string(factor);
        if (t.count("BM_Load" + suffix) && t.count("BM_BareParse" + suffix)) {
            std::printf("load / bare parse at %6d parameters: %.2fx (target at most 1.3x)\n",
                        kGroupsPerFactor * factor * kParametersPerGroup,
                        t.at("BM_Load" + suffix) / t.at("BM_BareParse" + suffix));
        }
    }
    if (t.count("BM_Load/1") && t.count("BM_Load/4")) {
        std::printf("load per parameter, 4x / 1x: %.2f (target at most 1.2)\n",
                    t.at("BM_Load/4") / 4.0 / t.at("BM_Load/1"));
    }
    if (t.count("BM_LegacyLoad/1") && t.count("BM_RawLegacyRead/1")) {
        std::printf("legacy load / raw stream reads: %.2fx (target at most 1.1x)\n",
                    t.at("BM_LegacyLoad/1") / t.at("BM_RawLegacyRead/1"));
    }
    for (const auto& [name, time] : t) {
        if (name.rfind("BM_Getter/", 0) == 0) {
            std::printf("%-30s %6.1f ns (target under 100 ns)\n", name.c_str() + 10, time);
        }
    }
}

}  // namespace

// The machine is shared: each benchmark runs five times, the runs of all of them interleaved in a
// random order, and the ratios compare medians. Options given on the command line come after
// these and win.
int main(int argc, char** argv) {
    std::vector<char*> arguments(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=5";
    std::string interleaving = "--benchmark_enable_random_interleaving=true";
    std::string aggregates = "--benchmark_report_aggregates_only=true";
    arguments.insert(arguments.begin() + 1,
                     {repetitions.data(), interleaving.data(), aggregates.data()});
    argc = static_cast<int>(arguments.size());
    argv = arguments.data();
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios(reporter.times);
    const auto bytes = fs::file_size(DataFile(1)) + fs::file_size(TitlesFile(1));
    std::printf("peak memory of one load of 10,000 parameters: %ld KiB, files %ju KiB\n",
                PeakLoadKilobytes(), static_cast<std::uintmax_t>(bytes / 1024));
    benchmark::Shutdown();
    return 0;
}
