// vqdf: show, dump, check, convert and compare drive data files of either format.
#include <fmt/core.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>

#include "Commands.h"

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
        return api::DataFilePath(dataFileDir.empty() ? DefaultDataFileDir() : dataFileDir, model,
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

// Loads for a command; prints the trace line when asked.
api::OpenResult LoadFor(const std::string& path, const Settings& settings) {
    api::OpenOptions options;
    if (settings.verbose) {
        options.trace = [](const std::string& line) {
            fmt::print(stderr, "vqdf: trace: {}", line);
        };
    }
    return api::Open(path, options);
}

int Emit(int status, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return status;
}

int Fail(const std::string& error, int status) {
    fmt::print(stderr, "vqdf: error: {}\n", error);
    return status;
}

// Message titles show degree signs, as a host reads them through the library.
int RunShow(const Source& source, const ShowOptions& options, const Settings& settings) {
    const std::string path = source.Resolve();
    if (path.empty()) {
        return kTrouble;
    }
    const api::OpenResult loaded = LoadFor(path, settings);
    if (!loaded.file) {
        return Fail(loaded.error, kFailed);
    }
    loaded.file->ShowDegreeSigns();
    if (Show(*loaded.file, options, stdout) != 0) {
        return Fail(fmt::format("{}: no group {}", path, *options.group), kFailed);
    }
    return 0;
}

int RunDump(const Source& source, const Settings& settings) {
    const std::string path = source.Resolve();
    if (path.empty()) {
        return kTrouble;
    }
    const api::OpenResult loaded = LoadFor(path, settings);
    if (!loaded.file) {
        return Fail(loaded.error, kFailed);
    }
    loaded.file->ShowDegreeSigns();
    api::WriteDump(*loaded.file, stdout);
    return 0;
}

int RunCheck(const Source& source, const Settings& settings) {
    const std::string path = source.Resolve();
    if (path.empty()) {
        return kTrouble;
    }
    const api::OpenResult loaded = LoadFor(path, settings);
    if (!loaded.file && loaded.findings.empty()) {
        return Fail(loaded.error, kTrouble);
    }
    std::string text;
    return Emit(Check(path, loaded, text), text);
}

// The output's format by its name, as the library would read it back. Conversion keeps the
// stored bytes, so the degree placeholders stay as they are.
int RunConvert(const std::string& input, const std::string& output, const Settings& settings) {
    const api::OpenResult loaded = LoadFor(input, settings);
    if (!loaded.file) {
        return Fail(loaded.error, kFailed);
    }
    const std::filesystem::path folder = std::filesystem::path(output).parent_path();
    std::error_code ignored;
    if (!folder.empty() && !std::filesystem::is_directory(folder, ignored)) {
        return Fail(
            fmt::format("cannot write {}: the folder {} does not exist", output, folder.string()),
            kFailed);
    }
    const api::Format format =
        output.find(".json") != std::string::npos ? api::Format::Json : api::Format::Legacy;
    std::string error;
    if (!api::Write(*loaded.file, output, format, error)) {
        return Fail(
            error.rfind("cannot write", 0) == 0 ? error : "cannot write " + output + ": " + error,
            kFailed);
    }
    return 0;
}

int RunDiff(const std::string& before, const std::string& after, const DiffOptions& options,
            const Settings& settings) {
    const api::OpenResult a = LoadFor(before, settings);
    if (!a.file) {
        return Fail(a.error, kTrouble);
    }
    const api::OpenResult b = LoadFor(after, settings);
    if (!b.file) {
        return Fail(b.error, kTrouble);
    }
    a.file->ShowDegreeSigns();
    b.file->ShowDegreeSigns();
    std::string text;
    return Emit(Diff(*a.file, *b.file, options, text), text);
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
    if (*show) {
        return RunShow(showSource, showOptions, settings);
    }
    if (*dump) {
        return RunDump(dumpSource, settings);
    }
    if (*check) {
        return RunCheck(checkSource, settings);
    }
    if (*convert) {
        return RunConvert(input, output, settings);
    }
    return RunDiff(before, after, diffOptions, settings);
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
