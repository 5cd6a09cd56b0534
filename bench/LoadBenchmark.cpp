// The full load of a synthetic JSON data file against a bare RapidJSON parse of the same two
// documents, and the load of the same drive as a legacy file against reading all its streams raw
// through libgsf: each pair measured side by side in one run. Also the JSON load time per
// parameter at three sizes.
#include <benchmark/benchmark.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <rapidjson/document.h>
#include <rapidjson/filereadstream.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DataFileApi.h"

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
        vqdf::api::WriteSyntheticDataFile(dir.string(), stem, 10 * factor, kParametersPerGroup,
                                          200 * factor, 8);
    }
    return path;
}

// The legacy form of the same drive, written from its JSON form.
fs::path LegacyFile(int factor) {
    const fs::path json = DataFile(factor);
    fs::path path = json;
    path.replace_extension(".inv");
    if (!fs::exists(path)) {
        const vqdf::api::OpenResult loaded = vqdf::api::Open(json.string());
        std::string error = loaded.error;
        if (!loaded.file ||
            !vqdf::api::Write(*loaded.file, path.string(), vqdf::api::Format::Legacy, error)) {
            std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), error.c_str());
        }
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
    const std::string path = DataFile(factor).string();
    vqdf::api::OpenOptions quiet;
    quiet.findings = false;
    for (auto _ : state) {
        if (!vqdf::api::Open(path, quiet).file) {
            state.SkipWithError("load failed");
            return;
        }
    }
    state.counters["ns_per_parameter"] = benchmark::Counter(
        static_cast<double>(10 * factor * kParametersPerGroup),
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
    vqdf::api::OpenOptions quiet;
    quiet.findings = false;
    for (auto _ : state) {
        if (!vqdf::api::Open(path, quiet).file) {
            state.SkipWithError("load failed");
            return;
        }
    }
}

BENCHMARK(BM_BareParse)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawLegacyRead)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LegacyLoad)->Arg(1)->Unit(benchmark::kMillisecond);
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
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto& t = reporter.times;
    if (t.count("BM_FullLoad/1") && t.count("BM_BareParse/1")) {
        std::printf("full load / bare parse at 10,000 parameters: %.2fx (target at most 2x)\n",
                    t.at("BM_FullLoad/1") / t.at("BM_BareParse/1"));
    }
    if (t.count("BM_LegacyLoad/1") && t.count("BM_RawLegacyRead/1")) {
        std::printf(
            "legacy load / raw stream reads at 10,000 parameters: %.2fx (target at most "
            "1.5x)\n",
            t.at("BM_LegacyLoad/1") / t.at("BM_RawLegacyRead/1"));
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
