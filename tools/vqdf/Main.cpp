// vqdf: show, dump, check, convert and compare drive data files of either format, and print the
// JSON Schemas of the JSON data file.
#include <fmt/core.h>
#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "Commands.h"

namespace vqdf::cli {
namespace {

constexpr const char* kExitStatuses = R"(Exit status, the same for every command:
  0  done: the files are equal (diff), no finding is an error (check), every record
     is kept (convert), every value is read and within its limits (read)
  1  an answer that is not clean: the files differ (diff), a finding is an error
     (check), the output format cannot hold every record (convert), a value is
     outside its limits or a register was refused (read), the value read back
     differs (write)
  2  the command could not do its work: an input that cannot be read or loaded, an
     output that cannot be written, a drive that cannot be reached or does not
     answer, a value refused before it is sent, a usage error
  130  stopped by an interrupt (Ctrl-C), as watch is ended)";

const std::vector<std::string> kCommands = {"show",   "dump",    "check",  "convert", "diff",
                                            "schema", "read",    "watch",  "write",   "simulate",
                                            "backup", "restore", "compare"};

}  // namespace

int Fail(const std::string& error) {
    fmt::print(stderr, "vqdf: error: {}\n", error);
    return kTrouble;
}

namespace {

// A data file given by path, or by model and version in a DataFile directory.
struct Source {
    std::string path;
    std::string model;
    std::string version;
    std::string dataFileDir;

    void AddOptions(CLI::App& command, bool positional = true) {
        if (positional) {
            command.add_option("FILE", path,
                               "the data file: JSON (with its titles document beside it) or "
                               "legacy; - for standard input");
        }
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
            Fail("give FILE or --model and --version, not both");
            return {};
        }
        if (!path.empty()) {
            return path;
        }
        if (model.empty()) {
            Fail("give FILE, or --model and --version");
            return {};
        }
        return api::DataFilePath(dataFileDir.empty() ? DefaultDataFileDir() : dataFileDir, model,
                                 version);
    }

    // The DataFile folder beside vqdf, as in a build folder, or else the installed library's.
    static std::string DefaultDataFileDir() {
        std::error_code error;
        const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
        if (error) {
            return "DataFile";
        }
        const auto beside = self.parent_path() / "DataFile";
        if (std::filesystem::is_directory(beside, error)) {
            return beside.string();
        }
        return (self.parent_path() / VQDF_INSTALLED_DATAFILE_DIR).lexically_normal().string();
    }
};

struct Settings {
    bool verbose = false;
    std::string titles;  // the titles document of a data file read from standard input
};

// Loads for a command; prints the trace line of the load when asked.
api::OpenResult LoadFor(const std::string& path, const Settings& settings) {
    api::OpenOptions options;
    options.titles = settings.titles;
    if (settings.verbose) {
        // The library's line, ": Duration = 0.004120", named by the file and with its unit.
        options.trace = [&path](const std::string& line) {
            const std::size_t equals = line.find("= ");
            const std::string seconds =
                equals == std::string::npos ? line : line.substr(equals + 2);
            fmt::print(stderr, "vqdf: trace: {}: loaded in {} s\n", path,
                       seconds.substr(0, seconds.find_last_not_of("\n") + 1));
        };
    }
    return api::Open(path, options);
}

// The data file of a command, with message titles showing degree signs as a host reads them
// through the library; null after the error is printed.
std::unique_ptr<api::DataFile> LoadShown(const Source& source, const Settings& settings) {
    const std::string path = source.Resolve();
    if (path.empty()) {
        return nullptr;
    }
    api::OpenResult loaded = LoadFor(path, settings);
    if (!loaded.file) {
        Fail(loaded.error);
        return nullptr;
    }
    loaded.file->ShowDegreeSigns();
    return std::move(loaded.file);
}

int RunShow(const Source& source, ShowOptions options, const Settings& settings) {
    const bool groups = std::find(options.sections.begin(), options.sections.end(),
                                  Section::Groups) != options.sections.end();
    if (!options.group.empty() && options.sections.empty()) {
        options.sections.push_back(Section::Groups);
    } else if (!options.group.empty() && !groups) {
        return Fail("--group picks a group of the groups section: add --section groups");
    }
    const std::unique_ptr<api::DataFile> file = LoadShown(source, settings);
    if (!file) {
        return kTrouble;
    }
    if (!Show(*file, options)) {
        return Fail(
            fmt::format("{}: no group numbered or titled \"{}\"", file->Path(), options.group));
    }
    return kDone;
}

int RunDump(const Source& source, const Settings& settings) {
    const std::unique_ptr<api::DataFile> file = LoadShown(source, settings);
    if (!file) {
        return kTrouble;
    }
    if (!api::WriteDump(*file, stdout)) {
        throw std::system_error(errno != 0 ? errno : EIO, std::generic_category());
    }
    return kDone;
}

int RunCheck(const Source& source, const CheckOptions& options, const Settings& settings) {
    std::vector<api::Finding> findings;
    if (const auto unknown = api::ApplyRuleChoices(findings, options.choices)) {
        return Fail(
            fmt::format("no rule or finding kind is named \"{}\": vqdf check --rules "
                        "lists them",
                        *unknown));
    }
    if (options.rules) {
        PrintRules();
        return kDone;
    }
    const std::string path = source.Resolve();
    if (path.empty()) {
        return kTrouble;
    }
    const api::OpenResult loaded = LoadFor(path, settings);
    if (!loaded.file && loaded.findings.empty()) {
        return Fail(loaded.error);
    }
    findings = loaded.findings;
    if (loaded.file) {
        std::vector<api::Finding> found = api::CheckRules(*loaded.file);
        findings.insert(findings.end(), std::make_move_iterator(found.begin()),
                        std::make_move_iterator(found.end()));
    }
    api::ApplyRuleChoices(findings, options.choices);
    Check(path, loaded.file != nullptr, findings, options);
    if (!loaded.file) {
        return Fail(loaded.error);
    }
    return std::any_of(findings.begin(), findings.end(),
                       [](const api::Finding& f) { return f.severity == api::Severity::Error; })
               ? kNotClean
               : kDone;
}

struct ConvertOptions {
    std::string input;
    std::string output;
    std::string format;  // "json" or "inv"; by the output's name when empty
    bool strict = false;
};

// The output's format, from --format or else from its name; none after an error message.
std::optional<api::Format> OutputFormat(const ConvertOptions& options) {
    if (options.format == "json") {
        return api::Format::Json;
    }
    if (options.format == "inv") {
        return api::Format::Legacy;
    }
    if (const auto format = api::FormatOfName(options.output)) {
        return format;
    }
    Fail(
        fmt::format("cannot tell the format to write {}: name it .json or .inv, or give "
                    "--format json or --format inv",
                    options.output == "-" ? "to standard output" : options.output));
    return std::nullopt;
}

// Conversion keeps the stored bytes, so the degree placeholders stay as they are. What the
// output's format cannot hold is told, each kind with its count.
int RunConvert(const ConvertOptions& options, const Settings& settings) {
    const std::optional<api::Format> format = OutputFormat(options);
    if (!format) {
        return kTrouble;
    }
    const api::OpenResult loaded = LoadFor(options.input, settings);
    if (!loaded.file) {
        return Fail(loaded.error);
    }
    api::WriteOptions writeOptions;
    writeOptions.strict = options.strict;
    const api::WriteResult result = api::Write(*loaded.file, options.output, *format, writeOptions);
    const char* formatName = *format == api::Format::Json ? "JSON" : "legacy";
    bool lost = false;
    for (const api::Loss& loss : result.losses) {
        switch (loss.how) {
            case api::Loss::How::Dropped:
                fmt::print(stderr, "vqdf: the {} format keeps no {}: {} dropped\n", formatName,
                           loss.what, loss.count);
                break;
            case api::Loss::How::Changed:
                fmt::print(stderr, "vqdf: the {} format does not keep {}: {} changed ({})\n",
                           formatName, loss.what, loss.count, loss.example);
                break;
            case api::Loss::How::Added:
                fmt::print(stderr, "vqdf: note: the {} format adds {}: {} added ({})\n", formatName,
                           loss.what, loss.count, loss.example);
                break;
        }
        lost = lost || loss.how != api::Loss::How::Added;
    }
    if (!result.written) {
        return Fail(result.error);
    }
    return lost ? kNotClean : kDone;
}

int RunDiff(const std::string& before, const std::string& after, bool json,
            const Settings& settings) {
    const api::OpenResult a = LoadFor(before, settings);
    if (!a.file) {
        return Fail(a.error);
    }
    const api::OpenResult b = LoadFor(after, settings);
    if (!b.file) {
        return Fail(b.error);
    }
    a.file->ShowDegreeSigns();
    b.file->ShowDegreeSigns();
    const std::vector<api::Change> changes = api::Diff(*a.file, *b.file);
    PrintChanges(changes, json);
    return changes.empty() ? kDone : kNotClean;
}

// Loads the data file of a drive command, then runs it.
template <typename Command, typename Options>
int RunOnDrive(const Source& source, const api::LinkOptions& link, const Options& options,
               const Settings& settings, Command command) {
    const std::unique_ptr<api::DataFile> file = LoadShown(source, settings);
    return file ? command(*file, link, options) : kTrouble;
}

void AddLinkOptions(CLI::App& command, api::LinkOptions& link) {
    command.add_option("--tcp", link.tcp,
                       "the drive over Modbus TCP: HOST[:PORT], port 502 by default");
    command.add_option("--rtu", link.rtu, "the drive over Modbus RTU on this serial device");
    command.add_option("--baud", link.baud, "the serial line's speed (default 9600; --rtu only)");
    command
        .add_option("--parity", link.parity,
                    "the serial line's parity: N, E or O (default N; --rtu only)")
        ->check(CLI::IsMember({"N", "E", "O"}));
    command.add_option("--unit", link.unit,
                       "the drive's unit id (default 1; 1 to 247 on a serial line)");
    command.add_option("--timeout", link.timeout,
                       "seconds to wait for an answer, above 0 (default 1)");
    command.add_option("--retries", link.retries,
                       "further attempts of a request that gets no answer, 0 to 100 (default 1)");
}

// The number of single-character edits from one word to another.
std::size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The command word, if any: the first argument that is neither an option nor the value of
// --titles, the one option of vqdf itself that takes one.
std::optional<std::string> CommandWord(int argc, char** argv) {
    for (int k = 1; k < argc; ++k) {
        if (std::strcmp(argv[k], "--titles") == 0) {
            ++k;
        } else if (argv[k][0] != '-' || std::strcmp(argv[k], "-") == 0) {
            return std::string(argv[k]);
        }
    }
    return std::nullopt;
}

bool AsksForHelpOrVersion(int argc, char** argv) {
    for (int k = 1; k < argc; ++k) {
        const std::string argument = argv[k];
        if (argument == "--help" || argument == "-h" || argument == "--version") {
            return true;
        }
    }
    return false;
}

// Before any parsing: an unknown command is named, with the nearest known one.
std::optional<int> RefuseUnknownCommand(int argc, char** argv) {
    const std::optional<std::string> word = CommandWord(argc, argv);
    if (!word) {
        if (AsksForHelpOrVersion(argc, argv)) {
            return std::nullopt;
        }
        return Fail(
            "give a command: show, dump, check, convert, diff, schema, read, watch, write, "
            "backup, restore, compare or simulate\n"
            "Run with --help for more information.");
    }
    if (std::find(kCommands.begin(), kCommands.end(), *word) != kCommands.end()) {
        return std::nullopt;
    }
    const auto nearest = std::min_element(
        kCommands.begin(), kCommands.end(), [&](const std::string& a, const std::string& b) {
            return EditDistance(*word, a) < EditDistance(*word, b);
        });
    return Fail(
        fmt::format("unknown command \"{}\"; did you mean \"{}\"?\n"
                    "Run with --help for more information.",
                    *word, *nearest));
}

int Run(int argc, char** argv) {
    if (const std::optional<int> refused = RefuseUnknownCommand(argc, argv)) {
        return *refused;
    }
    CLI::App app(
        "Shows, dumps, checks, converts and compares drive data files, JSON or legacy, "
        "and reads, watches and writes a drive by its data file, or stands in for one.",
        "vqdf");
    // Options of vqdf itself may come after the command too.
    app.fallthrough();
    app.set_version_flag("--version", "vqdf " VQDF_VERSION, "print the version and exit");
    Settings settings;
    app.add_flag("--verbose", settings.verbose,
                 "print the trace line of each JSON load to standard error");
    app.add_option("--titles", settings.titles,
                   "the titles document of a JSON data file read from standard input (FILE -) "
                   "or a pipe, which has none beside it");

    Source showSource;
    ShowOptions showOptions;
    std::vector<std::string> sections;
    CLI::App* show = app.add_subcommand("show", "a readable report of every record of the drive");
    showSource.AddOptions(*show);
    std::vector<std::string> sectionNames;
    for (const auto& [name, section] : SectionNames()) {
        sectionNames.push_back(name);
    }
    show->add_option("--section", sections, "only these parts, given once each or comma-separated")
        ->check(CLI::IsMember(sectionNames))
        ->delimiter(',')
        ->allow_extra_args(false);
    show->add_option("--group", showOptions.group,
                     "only the parameter group of this number or title");

    Source dumpSource;
    CLI::App* dump = app.add_subcommand("dump", "every record and table as one JSON document");
    dumpSource.AddOptions(*dump);

    Source checkSource;
    CheckOptions checkOptions;
    CLI::App* check =
        app.add_subcommand("check",
                           "what the loader skips, cuts or fails on, and what the rules find "
                           "wrong in what the file says, each with its place");
    checkSource.AddOptions(*check);
    check->add_flag("--json", checkOptions.json,
                    "the findings as a JSON array of kind, file, place and message");
    check->add_flag("--summary", checkOptions.summary,
                    "only the summary line (with --json, the summary as a JSON object)");
    check->add_flag("--rules", checkOptions.rules,
                    "list the rules and the load's finding kinds, each with its severity");
    check
        ->add_option("--ignore", checkOptions.choices.ignore,
                     "leave out the findings of these rules or kinds (comma-separated)")
        ->delimiter(',')
        ->allow_extra_args(false);
    check
        ->add_option("--error", checkOptions.choices.error,
                     "make the findings of these rules errors (comma-separated)")
        ->delimiter(',')
        ->allow_extra_args(false);

    ConvertOptions convertOptions;
    CLI::App* convert = app.add_subcommand(
        "convert", "writes IN as OUT, in the format of OUT's name (.json or .inv) or --format");
    convert->add_option("IN", convertOptions.input, "the data file to read")->required();
    convert
        ->add_option("OUT", convertOptions.output,
                     "the data file to write (a JSON one with its titles document beside it); - "
                     "for standard output")
        ->required();
    convert->add_option("--format", convertOptions.format, "the format to write")
        ->check(CLI::IsMember({"json", "inv"}));
    convert->add_flag("--strict", convertOptions.strict,
                      "write nothing when the output format cannot hold every record");

    std::string before;
    std::string after;
    bool diffJson = false;
    CLI::App* diff = app.add_subcommand("diff", "every record that differs from A to B");
    diff->add_option("A", before, "the older data file")->required();
    diff->add_option("B", after, "the newer data file")->required();
    diff->add_flag("--json", diffJson, "the changes as a JSON array");

    bool titles = false;
    CLI::App* schema = app.add_subcommand(
        "schema", "the JSON Schema of the JSON data file, for editors to check and complete it");
    CLI::Option* titlesSchema =
        schema->add_flag("--titles", titles, "the schema of the titles document instead");
    bool setSchema = false;
    schema->add_flag("--parameter-set", setSchema, "the schema of a parameter set instead")
        ->excludes(titlesSchema);

    api::LinkOptions link;
    Source readSource;
    ReadOptions readOptions;
    CLI::App* read = app.add_subcommand(
        "read", "reads parameters from a drive over Modbus: raw, scaled, with unit and name");
    readSource.AddOptions(*read);
    AddLinkOptions(*read, link);
    read->add_option("--group", readOptions.group,
                     "the parameters of this group (number or title)");
    read->add_option("--param", readOptions.params, "a parameter as GROUP/CODE; may be repeated")
        ->allow_extra_args(false);
    read->add_flag("--json", readOptions.json, "the values as a JSON array");

    Source watchSource;
    WatchOptions watchOptions;
    CLI::App* watch = app.add_subcommand(
        "watch", "the drive's status, current trip and warning and their values, live");
    watchSource.AddOptions(*watch);
    AddLinkOptions(*watch, link);
    watch->add_option("--interval", watchOptions.interval, "seconds between samples (default 1)");
    watch->add_option("--count", watchOptions.count, "samples to take (default: until stopped)");
    watch->add_option("--param", watchOptions.params, "a parameter to show too, as GROUP/CODE")
        ->allow_extra_args(false);
    bool watchJson = false;
    bool watchCsv = false;
    CLI::Option* jsonOption =
        watch->add_flag("--json", watchJson, "each sample as a JSON object on a line of its own");
    watch->add_flag("--csv", watchCsv, "each sample as a row of CSV under a header row")
        ->excludes(jsonOption);
    watch->add_option("--give-up", watchOptions.giveUp,
                      "seconds to go on connecting again when the drive stops answering "
                      "(default 60)");

    Source writeSource;
    WriteOptions writeOptions;
    CLI::App* write = app.add_subcommand(
        "write", "writes a parameter of a drive, within its limits, and reads it back");
    writeSource.AddOptions(*write, false);
    AddLinkOptions(*write, link);
    std::vector<std::string> writeArguments;
    write
        ->add_option("ARGUMENTS", writeArguments,
                     "[FILE] GROUP/CODE VALUE: the data file (unless given by --model), the "
                     "parameter, and the value: a decimal number in the parameter's unit with at "
                     "most its decimals (no exponent, no hexadecimal; a negative one after --), "
                     "or, where its values are named, one of the names or its number")
        ->expected(2, 3)
        ->required();
    write->add_flag("--dry-run", writeOptions.dryRun, "show the request and send nothing");
    Source backupSource;
    BackupOptions backupOptions;
    CLI::App* backup = app.add_subcommand(
        "backup", "every parameter of a drive as a parameter set (docs/parameter-set.md)");
    backupSource.AddOptions(*backup);
    AddLinkOptions(*backup, link);
    backup->add_option("-o,--output", backupOptions.output, "the set's file; - for standard output")
        ->required();
    backup->add_flag("--force", backupOptions.force,
                     "read a drive whose model number is not the data file's");

    Source restoreSource;
    RestoreOptions restoreOptions;
    CLI::App* restore = app.add_subcommand(
        "restore",
        "puts a parameter set on a drive: the initialisation order first, each value checked "
        "against the limits before anything is sent, written only where the drive holds "
        "another, and read back");
    restoreSource.AddOptions(*restore, false);
    AddLinkOptions(*restore, link);
    std::vector<std::string> restoreArguments;
    restore->add_option("ARGUMENTS", restoreArguments, "[FILE] SET: the data file and the set")
        ->expected(1, 2)
        ->required();
    restore->add_flag("--dry-run", restoreOptions.dryRun,
                      "print what would be written, in order, and write nothing (with --tcp or "
                      "--rtu, reading what the drive holds)");
    restore->add_option("--save", restoreOptions.save,
                        "write this value to the parameter save register at the end");

    Source compareSource;
    CompareOptions compareOptions;
    CLI::App* compare = app.add_subcommand(
        "compare", "a drive (--tcp or --rtu) or a set against a set or the file's defaults");
    compareSource.AddOptions(*compare, false);
    AddLinkOptions(*compare, link);
    std::vector<std::string> compareArguments;
    compare
        ->add_option("ARGUMENTS", compareArguments,
                     "[FILE] [SET] [SET]: the data file, then what is compared: the sets after "
                     "the drive, if any")
        ->expected(0, 3);
    compare->add_flag("--defaults", compareOptions.defaults,
                      "compare with the data file's defaults");
    compare->add_flag("--force", compareOptions.force,
                      "read a drive whose model number is not the data file's");
    compare->add_flag("--json", compareOptions.json, "the differences as a JSON array");

    Source simulateSource;
    SimulateOptions simulateOptions;
    CLI::App* simulate = app.add_subcommand(
        "simulate",
        "a stand-in for the drive the data file describes: a Modbus server of its registers");
    simulateSource.AddOptions(*simulate);
    simulate->add_option("--tcp", simulateOptions.serving.tcp,
                         "listen on [HOST:]PORT, 127.0.0.1 unless given; port 0 picks a free one");
    simulate->add_option("--rtu", simulateOptions.serving.rtu,
                         "answer on this serial device or pseudo-terminal");
    simulate->add_option("--baud", simulateOptions.serving.baud,
                         "the serial line's speed (default 9600; --rtu only)");
    simulate
        ->add_option("--parity", simulateOptions.serving.parity,
                     "the serial line's parity: N, E or O (default N; --rtu only)")
        ->check(CLI::IsMember({"N", "E", "O"}));
    simulate->add_option("--unit", simulateOptions.serving.unit,
                         "the unit id answered on a serial line (default 1); over TCP every one");
    simulate
        ->add_option("--set", simulateOptions.sets,
                     "start a parameter at a value other than its default: GROUP/CODE=VALUE; may "
                     "be repeated")
        ->allow_extra_args(false);
    simulate->add_option("--script", simulateOptions.script,
                         "a file of timed steps, \"SECONDS COMMAND\" a line, the commands as on "
                         "standard input");
    simulate->footer(
        "Prints \"listening on HOST:PORT\" first, then serves until SIGINT or SIGTERM. Commands, "
        "a line each on standard input: trip NAME|NUMBER, warning NAME|NUMBER, clear, set "
        "GROUP/CODE VALUE, set TITLE VALUE (the values shown with a trip or warning), register "
        "ADDRESS VALUE. --verbose logs each request on standard error.");

    // What follows "--" is the value, negative or not; the extras are looked at after parsing.
    app.allow_extras();

    app.require_subcommand(1);
    app.footer(kExitStatuses);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        return Fail(fmt::format("{}\nRun with --help for more information.", e.what()));
    }
    if (!*write && !app.remaining(true).empty()) {
        const std::vector<std::string> extras = app.remaining(true);
        return Fail(
            fmt::format("The following argument{} not expected: {}\n"
                        "Run with --help for more information.",
                        extras.size() == 1 ? " was" : "s were", fmt::join(extras, " ")));
    }
    for (const std::string& name : sections) {
        for (const auto& [known, section] : SectionNames()) {
            if (known == name) {
                showOptions.sections.push_back(section);
            }
        }
    }
    if (*show) {
        return RunShow(showSource, showOptions, settings);
    }
    if (*dump) {
        return RunDump(dumpSource, settings);
    }
    if (*check) {
        return RunCheck(checkSource, checkOptions, settings);
    }
    if (*convert) {
        return RunConvert(convertOptions, settings);
    }
    if (*diff) {
        return RunDiff(before, after, diffJson, settings);
    }
    if (*read) {
        return RunOnDrive(readSource, link, readOptions, settings, ReadDrive);
    }
    if (*watch) {
        watchOptions.format = watchJson  ? WatchFormat::Json
                              : watchCsv ? WatchFormat::Csv
                                         : WatchFormat::Lines;
        return RunOnDrive(watchSource, link, watchOptions, settings, WatchDrive);
    }
    if (*backup) {
        return RunOnDrive(backupSource, link, backupOptions, settings, BackupDrive);
    }
    if (*restore) {
        if (restoreArguments.size() == 2) {
            restoreSource.path = restoreArguments[0];
        }
        restoreOptions.set = restoreArguments.back();
        restoreOptions.connect = !link.tcp.empty() || !link.rtu.empty();
        if (!restoreOptions.connect && !restoreOptions.dryRun) {
            return Fail("give the drive's place: --tcp HOST[:PORT] or --rtu DEVICE");
        }
        return RunOnDrive(restoreSource, link, restoreOptions, settings, RestoreDrive);
    }
    if (*compare) {
        if (compareSource.model.empty() && !compareArguments.empty()) {
            compareSource.path = compareArguments.front();
            compareArguments.erase(compareArguments.begin());
        }
        compareOptions.sets = compareArguments;
        compareOptions.connect = !link.tcp.empty() || !link.rtu.empty();
        return RunOnDrive(compareSource, link, compareOptions, settings, CompareDrive);
    }
    if (*simulate) {
        const std::unique_ptr<api::DataFile> file = LoadShown(simulateSource, settings);
        return file ? SimulateDrive(*file, simulateOptions, settings.verbose) : kTrouble;
    }
    if (*write) {
        for (const std::string& extra : app.remaining(true)) {
            if (writeArguments.size() == 3 || extra.rfind("--", 0) == 0) {
                return Fail(
                    fmt::format("The following argument was not expected: {}\n"
                                "Run with --help for more information.",
                                extra));
            }
            writeArguments.push_back(extra);
        }
        if (writeArguments.size() == 3) {
            writeSource.path = writeArguments[0];
        } else if (writeSource.model.empty()) {
            return Fail(fmt::format("give the value to write after {}, or the data file before it",
                                    writeArguments[1]));
        }
        writeOptions.param = writeArguments[writeArguments.size() - 2];
        writeOptions.value = writeArguments.back();
        return RunOnDrive(writeSource, link, writeOptions, settings, WriteDrive);
    }
    fmt::print(stdout, "{}",
               setSchema ? api::ParameterSetSchema()
               : titles  ? api::TitlesSchema()
                         : api::DataFileSchema());
    return kDone;
}

// Standard output is checked to the end: a report cut short by a full disk or a closed pipe
// must not pass for a whole one.
int FinishStandardOutput(int status) {
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        const int error = errno;
        std::fclose(stdout);
        return Fail(fmt::format("cannot write standard output: {}",
                                error != 0 ? std::strerror(error) : "a write failed"));
    }
    if (std::fclose(stdout) != 0) {
        return Fail(fmt::format("cannot write standard output: {}", std::strerror(errno)));
    }
    return status;
}

}  // namespace
}  // namespace vqdf::cli

int main(int argc, char** argv) {
    int status = vqdf::cli::kTrouble;
    try {
        status = vqdf::cli::Run(argc, argv);
    } catch (const std::filesystem::filesystem_error& e) {
        std::fprintf(stderr, "vqdf: error: %s\n", e.what());
        return vqdf::cli::kTrouble;
    } catch (const std::system_error& e) {
        // fmt reports a write to standard output that failed with the system's error.
        std::clearerr(stdout);
        std::fprintf(stderr, "vqdf: error: cannot write standard output: %s\n",
                     e.code().message().c_str());
        return vqdf::cli::kTrouble;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vqdf: error: %s\n", e.what());
        return vqdf::cli::kTrouble;
    }
    return vqdf::cli::FinishStandardOutput(status);
}
