// vqdf: show, dump, check, convert and compare drive data files of either format.
#include <fmt/core.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>

#include "Commands.h"
#include "model/DegreeSign.h"

namespace vqdf::cli {
namespace {

constexpr const char* kVersion = "vqdf 0.1.0";

// Status of a command that could not do its work, apart from check and diff, whose 1 has its
// own meaning and which use 2 as for a usage error.
constexpr int kFailed = 1;
constexpr int kTrouble = 2;

// A data file given by path, or by model and version in a DataFile directory.
struct Source {
    std::string path;
    std::string model;
    std::string version;
    std::string dataFileDir;

    void AddOptions(CLI::App& command) {
        command.add_option("FILE", path, "the data file (.json with its titles document, or .inv)");
        CLI::Option* modelOption = command.add_option("--model", model, "the model, e.g. M1");
        CLI::Option* versionOption =
            command.add_option("--version", version, "the version, e.g. 1.05")->needs(modelOption);
        modelOption->needs(versionOption);
        command
            .add_option("--datafile-dir", dataFileDir,
                        "the DataFile directory (default: DataFile beside vqdf)")
            ->needs(modelOption);
    }

    // The path to load, or empty after an error message.
    std::string Resolve() const {
        if (!path.empty() && !model.empty()) {
            fmt::print(stderr, "vqdf: error: give FILE or --model and --version, not both\n");
            return {};
        }
        if (!path.empty()) {
            return path;
        }
        if (model.empty()) {
            fmt::print(stderr, "vqdf: error: give FILE, or --model and --version\n");
            return {};
        }
        return DataFilePath(dataFileDir.empty() ? DefaultDataFileDir() : dataFileDir, model,
                            version);
    }

    static std::string DefaultDataFileDir() {
        std::error_code error;
        const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
        return (error ? std::filesystem::path("DataFile") : self.parent_path() / "DataFile")
            .string();
    }
};

struct Settings {
    bool verbose = false;
};

// Loads for a command; prints the trace line when asked and the reason when the load fails.
LoadResult LoadFor(const std::string& path, const Settings& settings) {
    std::string trace;
    LoadResult result = LoadDataFile(path, settings.verbose ? &trace : nullptr);
    if (!trace.empty()) {
        fmt::print(stderr, "vqdf: trace: {}", trace);
    }
    return result;
}

// Message titles as a host reads them through the library: the temperature placeholders are
// degree signs by then. Conversion keeps the stored bytes instead.
const LoadedFile& AsHostReadsIt(const LoadedFile& file) {
    RewriteDegreeSigns(*file.File().GetMessageSpec());
    return file;
}

int Emit(int status, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return status;
}

int Fail(const std::string& error, int status) {
    fmt::print(stderr, "vqdf: error: {}\n", error);
    return status;
}

int Run(int argc, char** argv) {
    CLI::App app("Shows, dumps, checks, converts and compares drive data files.", "vqdf");
    app.set_version_flag("--version", kVersion);
    app.require_subcommand(1);
    Settings settings;
    app.add_flag("--verbose", settings.verbose, "print the trace line of each load");

    Source showSource;
    ShowOptions showOptions;
    CLI::App* show = app.add_subcommand("show", "a readable report of the drive");
    showSource.AddOptions(*show);
    show->add_option("--group", showOptions.group, "only the group of this number");

    Source dumpSource;
    CLI::App* dump = app.add_subcommand("dump", "every record and table as one JSON document");
    dumpSource.AddOptions(*dump);

    Source checkSource;
    CLI::App* check = app.add_subcommand(
        "check", "what the loader skips, cuts or fails on; status 1 when it finds anything");
    checkSource.AddOptions(*check);

    std::string input;
    std::string output;
    CLI::App* convert = app.add_subcommand(
        "convert", "writes IN in the format of OUT's name (.json with its titles document, .inv)");
    convert->add_option("IN", input, "the data file to read")->required();
    convert->add_option("OUT", output, "the data file to write")->required();

    std::string before;
    std::string after;
    DiffOptions diffOptions;
    CLI::App* diff =
        app.add_subcommand("diff", "what changed from A to B; status 1 when anything did");
    diff->add_option("A", before, "the older data file")->required();
    diff->add_option("B", after, "the newer data file")->required();
    diff->add_flag("--json", diffOptions.json, "the changes as a JSON array");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        fmt::print(stderr, "vqdf: error: {}\nRun with --help for more information.\n", e.what());
        return kTrouble;
    }

    std::string text;
    if (*show || *dump) {
        const Source& source = *show ? showSource : dumpSource;
        const std::string path = source.Resolve();
        if (path.empty()) {
            return kTrouble;
        }
        const LoadResult loaded = LoadFor(path, settings);
        if (!loaded.file) {
            return Fail(loaded.error, kFailed);
        }
        if (*dump) {
            return Dump(AsHostReadsIt(*loaded.file), stdout);
        }
        if (Show(AsHostReadsIt(*loaded.file), showOptions, stdout) != 0) {
            return Fail(fmt::format("{}: no group {}", path, *showOptions.group), kFailed);
        }
        return 0;
    }
    if (*check) {
        const std::string path = checkSource.Resolve();
        if (path.empty()) {
            return kTrouble;
        }
        const LoadResult loaded = LoadFor(path, settings);
        if (!loaded.file && loaded.findings.empty()) {
            return Fail(loaded.error, kTrouble);
        }
        return Emit(Check(path, loaded, text), text);
    }
    if (*convert) {
        const LoadResult loaded = LoadFor(input, settings);
        if (!loaded.file) {
            return Fail(loaded.error, kFailed);
        }
        std::string error;
        return Convert(*loaded.file, output, error) ? 0 : Fail(error, kFailed);
    }
    const LoadResult a = LoadFor(before, settings);
    if (!a.file) {
        return Fail(a.error, kTrouble);
    }
    const LoadResult b = LoadFor(after, settings);
    if (!b.file) {
        return Fail(b.error, kTrouble);
    }
    return Emit(Diff(AsHostReadsIt(*a.file), AsHostReadsIt(*b.file), diffOptions, text), text);
}

}  // namespace
}  // namespace vqdf::cli

int main(int argc, char** argv) {
    try {
        return vqdf::cli::Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vqdf: error: %s\n", e.what());
        return 1;
    }
}
