// vqdf show: the drive as a person reads it, from identity and addresses to every parameter.
#include <fmt/format.h>

#include "Commands.h"
#include "RecordText.h"

namespace vqdf::cli {
namespace {

// The report is written as it goes: a file that declares millions of groups gives one of
// gigabytes, which need not be held in memory.
using Out = std::FILE*;

void ShowDevice(const api::DataFile& file, Out out) {
    const DeviceInfo& device = file.Device();
    fmt::print(out, "Device\n");
    const auto line = [&](std::string_view label, const std::string& value) {
        fmt::print(out, "  {:<26}{}\n", label, value);
    };
    line("Model", Utf8Text(device.Model));
    line("Model number", std::to_string(device.ModelNo));
    line("Data file version", Utf8Text(device.DataFileVersion));
    line("Inverter software", Utf8Text(device.InvSwVersion));
    line("Keypad offset (16-bit)", Hex(device.KeypadCommOffset16));
    if (const ExtendSpec* extend = file.Extend()) {
        line("Keypad offset (32-bit)", Hex(extend->KeypadCommOffset32));
    }
    line("Model number address", Hex(device.ModelNoCommAddr));
    line("Motor status address", Hex(device.MotorStatusCommAddr));
    line("Inverter status address", Hex(device.InvStatusCommAddr));
    line("Inverter control address", Hex(device.InvControlCommAddr));
    line("Parameter save address", Hex(device.ParaSaveCommAddr));
}

void ShowNames(std::string_view label, const MsgTitle* names, int32_t count, Out out) {
    if (names == nullptr || count <= 0) {
        return;
    }
    fmt::print(out, "  {}:", label);
    for (int32_t k = 0; k < count; ++k) {
        fmt::print(out, "{} {}", k == 0 ? "" : ",", Utf8Text(names[k].Title));
    }
    fmt::print(out, "\n");
}

void ShowTerminals(std::string_view label, const TerminalInfo* terminals, int32_t count,
                   int32_t basic, int32_t statusAddr, const MsgTitle* functions,
                   int32_t functionCount, Out out) {
    fmt::print(out, "\n{} terminals: {} ({} basic), status at {}\n", label, std::max(count, 0),
               basic, Hex(statusAddr));
    for (int32_t k = 0; terminals != nullptr && k < count; ++k) {
        fmt::print(out, "  {:>3}  {:<32} {}\n", k, CodePageText(terminals[k].Title),
                   Hex(terminals[k].CommAddr));
    }
    ShowNames("Functions", functions, functionCount, out);
}

void ShowStatus(const StatusInfoData* data, int32_t count, Out out) {
    for (int32_t k = 0; data != nullptr && k < count; ++k) {
        const StatusInfoData& status = data[k];
        fmt::print(out, "  {:<30} {}  type {}, point {}{}\n", CodePageText(status.Title),
                   Hex(status.CommAddr), status.DataType, status.Point16,
                   status.Unit[0] == 0 ? "" : ", " + Utf8Text(status.Unit));
    }
}

void ShowAddresses(std::string_view label, int32_t first, const int32_t* addrs, int32_t count,
                   Out out) {
    fmt::print(out, "  {} at {}", label, Hex(first));
    for (int32_t k = 0; addrs != nullptr && k < count; ++k) {
        fmt::print(out, "{} {}", k == 0 ? ", then" : ",", Hex(addrs[k]));
    }
    fmt::print(out, "\n");
}

void ShowTrips(const TripSpec& trip, Out out) {
    fmt::print(out, "\nTrips: {}\n", std::max(trip.TripCount, 0));
    ShowAddresses("Current trip", trip.FirstTripAddr, trip.TripAddr, trip.TripAddrCount, out);
    ShowNames("Names", trip.TripNames, trip.TripCount, out);
    ShowStatus(trip.TripStatusInfoData, trip.TripStatusInfoCount, out);
    fmt::print(out, "\nWarnings: {}\n", std::max(trip.WarnCount, 0));
    ShowAddresses("Current warning", trip.FirstWarnAddr, trip.WarnAddr, trip.WarnAddrCount, out);
    ShowNames("Names", trip.WarnNames, trip.WarnCount, out);
    ShowStatus(trip.WarnStatusInfoData, trip.WarnStatusInfoCount, out);
}

// A bound of an enumerated parameter shows its name; any other is scaled.
std::string Bound(const ParamInfo& param, const MessageInfo* message, int32_t value) {
    if (!api::IsEnumerated(param)) {
        return Scaled(value, param.Point32);
    }
    const std::string name = ValueName(message, value);
    return name.empty() ? std::to_string(value) : name;
}

// A report of groups only starts with the first group's line; otherwise a blank line leads.
void ShowGroup(const api::DataFile& file, const GroupInfo& group, bool leadingBlank, Out out) {
    fmt::print(out, "{}Group {} {} (attribute {}): {} parameters\n", leadingBlank ? "\n" : "",
               group.GroupNum, CodePageText(group.Title), Hex(group.GroupAttr),
               std::max(group.ParameterCount, 0));
    fmt::print(out, "  {:>4}  {:<30} {:>14} {:>14} {:>14}  {:<6} {:<6} {}\n", "Code", "Title",
               "Default", "Minimum", "Maximum", "Unit", "Attr", "Addr");
    for (int32_t p = 0; group.Parameters != nullptr && p < group.ParameterCount; ++p) {
        const ParamInfo& param = group.Parameters[p];
        const MessageInfo* message =
            api::IsEnumerated(param) ? MessageOf(file.Messages(), param.Point32) : nullptr;
        fmt::print(out, "  {:>4}  {:<30} {:>14} {:>14} {:>14}  {:<6} {:<6} {}\n", param.CodeNum,
                   CodePageText(param.Title), Bound(param, message, param.Def),
                   Bound(param, message, param.Min), Bound(param, message, param.Max),
                   Utf8Text(param.Unit), Hex(param.Attr),
                   Hex(static_cast<int32_t>(file.ParamAddress16(group.GroupNum, param.CodeNum))));
        if (message != nullptr && message->TitleInfo != nullptr) {
            fmt::print(out, "        values:");
            for (int32_t v = 0; v < message->TitleInfoCount; ++v) {
                fmt::print(out, "{} {} {}", v == 0 ? "" : ",", v, ValueName(message, v));
            }
            fmt::print(out, "\n");
        }
    }
}

}  // namespace

int Show(const api::DataFile& file, const ShowOptions& options, std::FILE* out) {
    if (!options.group) {
        fmt::print(out, "{} ({})\n\n", file.Path(),
                   file.GetFormat() == api::Format::Json ? "JSON data file" : "legacy data file");
        ShowDevice(file, out);
        const IOSpec& io = file.IO();
        ShowTerminals("Input", io.InputTerminals, io.InputCount, io.InputBasicCount,
                      io.InputStatusCommAddr, io.InputFuncTitles, io.InputFuncTitleCount, out);
        ShowTerminals("Output", io.OutputTerminals, io.OutputCount, io.OutputBasicCount,
                      io.OutputStatusCommAddr, io.OutputFuncTitles, io.OutputFuncTitleCount, out);
        ShowTrips(file.Trips(), out);
    }
    const ParaSpec& para = file.Parameters();
    bool shown = false;
    for (int32_t g = 0; para.Groups != nullptr && g < para.GroupCount; ++g) {
        if (!options.group || para.Groups[g].GroupNum == *options.group) {
            ShowGroup(file, para.Groups[g], shown || !options.group, out);
            shown = true;
        }
    }
    return shown || !options.group ? 0 : 1;
}

}  // namespace vqdf::cli
