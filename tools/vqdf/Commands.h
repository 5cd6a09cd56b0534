// The reports of vqdf's commands. Each writes to standard output as it goes; a write that fails
// throws std::system_error, which the program reports.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "DataFileApi.h"
#include "DriveApi.h"

namespace vqdf::cli {

// The exit statuses, the same for every command.
constexpr int kDone = 0;      // done: equal, clean, every record kept
constexpr int kNotClean = 1;  // an answer that is not clean: different, findings, records lost
constexpr int kTrouble = 2;   // the command could not do its work

// The parts of the show report, in the order it gives them.
enum class Section { Device, Terminals, Trips, Messages, Common, Groups, Init, Scope, Blocks };

// The names --section takes, each with its part.
const std::vector<std::pair<std::string, Section>>& SectionNames();

struct ShowOptions {
    std::vector<Section> sections;  // every part when empty
    std::string group;              // only the group of this number or title
};

// False, with nothing written, when the group asked for is not there.
bool Show(const api::DataFile& file, const ShowOptions& options);

struct CheckOptions {
    bool json = false;     // the findings as a JSON array
    bool summary = false;  // the summary line only
    bool rules = false;    // list the rules instead
    api::RuleChoices choices;
};
// The findings of a file, the load's and the rules', as the options ask; loads says whether the
// file loaded at all.
void Check(const std::string& path, bool loads, const std::vector<api::Finding>& findings,
           const CheckOptions& options);

// Every rule and load finding kind with its severity and sentence.
void PrintRules();

void PrintChanges(const std::vector<api::Change>& changes, bool json);

// Prints "vqdf: error: ..." and gives the status of a command that could not do its work.
int Fail(const std::string& error);

// Connects to the drive; null after an error message.
std::unique_ptr<api::DriveLink> Connect(const api::LinkOptions& options);

// "4.2 sec", or the value alone where there is no unit.
std::string WithUnit(const std::string& value, const std::string& unit);

struct ReadOptions {
    std::string group;                // a group by number or title
    std::vector<std::string> params;  // parameters as GROUP/CODE
    bool json = false;
};
int ReadDrive(const api::DataFile& file, const api::LinkOptions& link, const ReadOptions& options);

// How watch gives its samples: a screen redrawn in place (on a terminal), a line each, a JSON
// object a line, or CSV rows under a header.
enum class WatchFormat { Screen, Lines, Json, Csv };

struct WatchOptions {
    double interval = 1.0;  // seconds between samples
    int count = 0;          // samples to take; 0 until interrupted
    std::vector<std::string> params;
    WatchFormat format = WatchFormat::Lines;  // the screen on a terminal
    double giveUp = 60;  // seconds to go on connecting again after the drive stops answering
};
int WatchDrive(const api::DataFile& file, const api::LinkOptions& link,
               const WatchOptions& options);

struct WriteOptions {
    std::string param;  // GROUP/CODE
    std::string value;  // in the parameter's unit, or a value name
    bool dryRun = false;
};
int WriteDrive(const api::DataFile& file, const api::LinkOptions& link,
               const WriteOptions& options);

struct BackupOptions {
    std::string output;  // the set's file, or - for standard output
    bool force = false;  // read a drive whose model number is not the file's
};
int BackupDrive(const api::DataFile& file, const api::LinkOptions& link,
                const BackupOptions& options);

struct RestoreOptions {
    std::string set;          // the set's file
    bool dryRun = false;      // the plan only; with a link, what the drive holds too
    std::optional<int> save;  // written to the parameter save register at the end
    bool connect = true;      // a link is given
};
int RestoreDrive(const api::DataFile& file, const api::LinkOptions& link,
                 const RestoreOptions& options);

struct CompareOptions {
    std::vector<std::string> sets;  // the sets compared, in order: the drive's first where
                                    // connect is set
    bool defaults = false;          // the file's defaults as the last
    bool connect = false;           // the drive as the first
    bool force = false;
    bool json = false;
};
int CompareDrive(const api::DataFile& file, const api::LinkOptions& link,
                 const CompareOptions& options);

struct SimulateOptions {
    api::SimulatorOptions serving;
    std::vector<std::string> sets;  // GROUP/CODE=VALUE
    std::string script;             // a file of timed steps
};
// Serves until SIGINT or SIGTERM; verbose logs each request on standard error.
int SimulateDrive(const api::DataFile& file, const SimulateOptions& options, bool verbose);

}  // namespace vqdf::cli
