// A drive over Modbus, by its data file: the link to it, its parameters at their registers, and
// their values as people read and give them. The layer of the internal API under vqdf's drive
// commands and the Python module.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "DataFileApi.h"

namespace vqdf::api {

struct LinkOptions {
    std::string tcp;                    // HOST[:PORT], port 502 by default
    std::string rtu;                    // a serial device
    std::optional<int> baud;            // the serial line's speed, 9600 unless given
    std::optional<std::string> parity;  // N, E or O; N unless given
    int unit = 1;                       // the unit (slave) id
    double timeout = 1.0;               // seconds to wait for an answer
    int retries = 1;                    // further attempts after a request gets no answer
};

// Why the options cannot make a link, or empty when they can.
std::string LinkOptionsProblem(const LinkOptions& options);

// Why a request failed: an exception response of the drive concerns the registers asked for;
// anything else is the link's.
struct LinkError {
    bool exception = false;
    std::string text;
};

// A connection to a drive, over TCP or RTU on a serial line, through libmodbus. A request that
// gets no answer in time is sent again as often as the retries allow; an answer that comes too
// late for its request is discarded before the next, not taken for the next one's.
class DriveLink {
public:
    // Connects; null with the reason when it cannot.
    static std::unique_ptr<DriveLink> Open(const LinkOptions& options, std::string& error);
    ~DriveLink();
    DriveLink(const DriveLink&) = delete;
    DriveLink& operator=(const DriveLink&) = delete;

    // Where the drive is: "127.0.0.1:5020", "/dev/ttyUSB0".
    const std::string& Name() const { return name_; }

    bool Read(uint16_t address, uint16_t count, uint16_t* values, LinkError& error);
    bool Write(uint16_t address, uint16_t value, LinkError& error);
    // Closes and connects again, as after a dropped connection.
    bool Reconnect(std::string& error);

private:
    struct Context;
    DriveLink(std::unique_ptr<Context> context, std::string name, const LinkOptions& options);
    template <typename Request>
    bool Attempt(Request request, LinkError& error);

    std::unique_ptr<Context> context_;
    std::string name_;
    LinkOptions options_;
};

// A parameter of a data file: its group, its record and its 16-bit register.
struct Parameter {
    const GroupInfo* group;
    const ParamInfo* param;
    uint16_t address;
};

// "GROUP/CODE", as people name a parameter: "1/12".
std::string NameOf(const Parameter& parameter);

// Every parameter of the file, group by group in file order.
std::vector<Parameter> Parameters(const DataFile& file);

// The parameter named "GROUP/CODE", or none with why.
std::optional<Parameter> FindParameter(const DataFile& file, const std::string& name,
                                       std::string& why);

// The group of that number, or else of that title without regard to case; null when none.
const GroupInfo* FindGroup(const ParaSpec& para, const std::string& numberOrTitle);

// The registers at the addresses, read in runs of consecutive addresses of at most 125
// registers, one request a run. A run the drive refuses is read again register by register, so
// that each refusal names its register. failure is the link's: nothing more could be read.
struct Readings {
    std::map<uint16_t, uint16_t> values;
    std::map<uint16_t, std::string> refused;
    std::string failure;
};
Readings ReadRegisters(DriveLink& link, std::vector<uint16_t> addresses);

// A value with its decimal point: 1234 with 2 points is "12.34"; points outside 0 to 9 show the
// value as it is.
std::string Scaled(int32_t value, int32_t points);

// The message that names an enumerated parameter's values, or null.
const MessageInfo* MessageOf(const MessageSpec& messages, int32_t index);

// The name of a value in a message, or empty when it has none.
std::string ValueName(const MessageInfo* message, int32_t value);

// A register's 16 bits as the parameter's value: signed where the parameter can be negative.
int32_t ValueOfRegister(const ParamInfo& param, uint16_t raw);

// A value as people read it: its name for a parameter whose values are named, else scaled.
std::string ShownValue(const DataFile& file, const ParamInfo& param, int32_t value);

// Within the parameter's limits, and named where its values are named.
bool WithinLimits(const DataFile& file, const ParamInfo& param, int32_t value);

// "outside 1.0 to 200.0", or "not one of its values".
std::string LimitsNote(const DataFile& file, const ParamInfo& param);

// A value as people give it, one rule for every parameter: a decimal number in the parameter's
// unit with at most its decimals (no exponent, no hexadecimal), or, where its values are named,
// one of the names (in any letter case) or the number. None, with why, for anything else.
std::optional<int32_t> ParseValue(const DataFile& file, const ParamInfo& param,
                                  std::string_view text, std::string& why);

// The register that holds a value: from -32768 to 65535; none for a value beyond 16 bits.
std::optional<uint16_t> RegisterOf(int32_t value);

// One parameter's value in a parameter set, by group and code: the raw value, or why the drive
// refused its register.
struct SetValue {
    int32_t group = 0;
    int32_t code = 0;
    std::string title;
    uint16_t address = 0;
    std::optional<int32_t> raw;
    std::string refused;
};

// The values of a drive's parameters, as read from a drive or taken from a data file's defaults:
// the data file's model, model number and version, the model number the drive gave, and when
// and from where they were read. Written as the JSON document of docs/parameter-set.md.
struct ParameterSet {
    std::string model;
    int32_t modelNo = 0;
    std::string version;
    std::optional<int32_t> driveModelNo;  // none for the file's defaults
    std::string readAt;                   // "2026-12-07T18:20:00Z"
    std::string readFrom;                 // "127.0.0.1:5020", or "the defaults of FILE"
    std::vector<SetValue> values;
};

// The document of a set, one parameter a line: the raw value and, for people, the scaled value
// with its unit and the value's name, by the data file the set belongs to.
std::string ParameterSetText(const DataFile& file, const ParameterSet& set);
// A set read from its document; none with why (the place in the file, and what).
std::optional<ParameterSet> ReadParameterSet(const std::string& path, std::string& why);
// The JSON Schema (draft 2020-12) of the document.
std::string ParameterSetSchema();

// Every parameter of the file at its default.
ParameterSet Defaults(const DataFile& file);

// Every parameter of the drive, read in runs as ReadRegisters reads them, after its model number
// register: a drive whose model number is not the file's is refused unless force is set. None
// with why when it is refused or the link fails.
std::optional<ParameterSet> Backup(const DataFile& file, DriveLink& link, bool force,
                                   std::string& why);

// A set put back on a drive: what is written, in what order, and how each went.
struct RestoreStep {
    Parameter parameter;
    int32_t value = 0;
    enum class Outcome { Planned, Unchanged, Written, Refused, Differs, NotReached };
    Outcome outcome = Outcome::Planned;
    std::optional<int32_t> readBack;  // what the drive holds after the write, where read
    std::string note;                 // why it was refused
};
struct RestorePlan {
    std::vector<RestoreStep> steps;      // the initialisation order first, then group and code
    std::vector<std::string> unmatched;  // "GROUP/CODE" of the set the file has no parameter for
    std::vector<std::string> unread;     // "GROUP/CODE" the drive refused when the set was read
};
// The plan for a set of the file's model (any version: parameters are matched by group and
// code), every value within its limits; none with why otherwise, and nothing is to be written.
std::optional<RestorePlan> PlanRestore(const DataFile& file, const ParameterSet& set,
                                       std::string& why);
// Carries the plan out: each parameter read first and written only where the drive holds
// another value, then read back; then the save register written with save, where given. False
// with why when the link fails; the steps say how far it got.
bool Restore(const DataFile& file, DriveLink& link, RestorePlan& plan, std::optional<int32_t> save,
             std::string& why);

// A parameter whose value differs between two sets of one file, or is in one only.
struct SetDifference {
    int32_t group = 0;
    int32_t code = 0;
    std::string title;
    std::optional<int32_t> before;  // none: absent, or refused when read
    std::optional<int32_t> after;
};
std::vector<SetDifference> CompareSets(const DataFile& file, const ParameterSet& before,
                                       const ParameterSet& after);

// "HOST:PORT", "[V6ADDR]:PORT" or "HOST", as host and port text; the port is 502 when not given.
void SplitHostPort(const std::string& text, std::string& host, std::string& port);

struct SimulatorOptions {
    std::string tcp;  // [HOST:]PORT to listen on, 127.0.0.1 unless given; port 0 picks a free one
    std::string rtu;  // a serial device (or pseudo-terminal) to answer on
    int baud = 9600;
    std::string parity = "N";
    int unit = 1;  // the unit id answered on a serial line; over TCP every unit is answered
    // Receives a line for each request: its function, registers and answer.
    std::function<void(const std::string& line)> log;
};

// A stand-in for the drive a data file describes: a Modbus server, on libmodbus's server side,
// with holding registers at every parameter's 16-bit address (and at the two registers of its
// 32-bit address where the file gives a 32-bit base, the high half first) holding the file's
// defaults; the model number at its register; the status and control registers; the current
// trip and warning registers, the values shown with them and the terminals' status registers.
// A read or write of a register the file does not name, or a write to one a drive only reports,
// is answered with the illegal-data-address exception; a value outside a parameter's limits (or,
// where its values are named, none of them) with the illegal-data-value exception. Writes to the
// parameter save register are counted. It serves several TCP clients at once on a thread of its
// own; what it reports is changed by commands (Command) while it runs.
class DriveSimulator {
public:
    // Listens (or opens the serial line) and starts serving; null with why when it cannot. The
    // file must outlive the simulator.
    static std::unique_ptr<DriveSimulator> Start(const DataFile& file,
                                                 const SimulatorOptions& options,
                                                 std::string& error);
    ~DriveSimulator();  // stops serving and closes every connection
    DriveSimulator(const DriveSimulator&) = delete;
    DriveSimulator& operator=(const DriveSimulator&) = delete;

    // Where it answers: "127.0.0.1:40123", or the serial device.
    const std::string& Place() const;
    // The TCP port it listens on, or 0 on a serial line.
    int Port() const;

    // Changes what the drive reports, as a line of text: "trip NAME|NUMBER", "warning
    // NAME|NUMBER", "clear" (no trip, no warning), "set GROUP/CODE VALUE" (a parameter, by the
    // rule of values), "set TITLE VALUE" (the values shown with a trip or warning of that title,
    // by their decimal point), "register ADDRESS VALUE" (any register the file names, raw; the
    // address in decimal or 0x-hexadecimal). False with why for anything else, with nothing
    // changed; with apply false, only checks it.
    bool Command(std::string_view line, std::string& error, bool apply = true);

    // How many requests it has answered, and how many writes to the save register.
    long Requests() const;
    long Saves() const;
    // A register as it now holds, or none for one the file does not name.
    std::optional<uint16_t> Register(uint16_t address) const;

    struct State;

private:
    explicit DriveSimulator(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace vqdf::api
