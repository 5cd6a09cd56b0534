// The full load of a synthetic JSON data file against a bare RapidJSON parse of the same two
// documents, measured side by side in one run, and the load time per parameter at three sizes.
#include <benchmark/benchmark.h>
#include <rapidjson/document.h>
#include <rapidjson/filereadstream.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "SyntheticDataFile.h"
#include "json/DataFileV2.h"
#include "platform/Trace.h"

namespace {

namespace fs = std::filesystem;

constexpr int kParametersPerGroup = 1000;

// The files of each size factor, written once into a temporary folder.
fs::path DataFile(int factor) {
    static const fs::path dir = [] {
        fs::path path = fs::temp_directory_path() / "vqdf_bench";
        fs::create_directories(path);
        return path;
    }();
    const std::string stem = "SYN_" + std::to_string(factor) + "_0";
    const fs::path path = dir / (stem + ".json");
    if (!fs::exists(path)) {
        vqdf::tools::WriteSyntheticDataFile(dir, stem,
                                            {10 * factor, kParametersPerGroup, 200 * factor, 8});
    }
    return path;
}

void Parse(const fs::path& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    char buffer[65536];
    rapidjson::FileReadStream stream(file, buffer, sizeof buffer);
    rapidjson::Document document;
    document.ParseStream<rapidjson::kParseIterativeFlag>(stream);
    benchmark::DoNotOptimize(document.HasParseError());
    std::fclose(file);
}

void BM_BareParse(benchmark::State& state) {
    const fs::path data = DataFile(static_cast<int>(state.range(0)));
    fs::path titles = data;
    titles.replace_filename(data.stem().string() + "_Title.json");
    for (auto _ : state) {
        Parse(data);
        Parse(titles);
    }
}

void BM_FullLoad(benchmark::State& state) {
    const int factor = static_cast<int>(state.range(0));
    const std::wstring path = DataFile(factor).wstring();
    for (auto _ : state) {
        vqdf::CDataFileV2 reader;
        if (reader.Load(path) != 1) {
            state.SkipWithError("load failed");
            return;
        }
    }
    state.counters["ns_per_parameter"] = benchmark::Counter(
        static_cast<double>(10 * factor * kParametersPerGroup),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_BareParse)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullLoad)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond);

// Keeps the real time of every run so that the ratios can be printed at the end.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            times[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
    vqdf::platform::SetTraceSink([](const std::wstring&) {});
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto& t = reporter.times;
    if (t.count("BM_FullLoad/1") && t.count("BM_BareParse/1")) {
        std::printf("full load / bare parse at 10,000 parameters: %.2fx (target at most 2x)\n",
                    t.at("BM_FullLoad/1") / t.at("BM_BareParse/1"));
    }
    for (int factor : {1, 4, 16}) {
        const std::string name = "BM_FullLoad/" + std::to_string(factor);
        if (t.count(name)) {
            std::printf("load per parameter at %2dx: %.1f ns\n", factor,
                        t.at(name) * 1e6 / (10.0 * factor * kParametersPerGroup));
        }
    }
    benchmark::Shutdown();
    return 0;
}
