// vqdf show: the drive as a person reads it, every record of it: identity and addresses,
// terminals, trips and warnings, messages, common parameters, parameter groups, the
// initialisation order, the parameter roles and the function blocks. Tables take their column
// widths from the data, and lists wrap.
#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "Commands.h"
#include "RecordText.h"
#include "TextTable.h"

namespace vqdf::cli {
namespace {

void PrintLine(std::string_view label, const std::string& value) {
    fmt::print(stdout, "  {:<26}{}\n", label, value);
}

// The entries of a table a damaged file declares but does not hold are not shown one by one:
// they are all zero, and there may be millions.
void ShowNotHeld(std::string_view indent, int64_t count, int64_t held) {
    if (count > held) {
        fmt::print(stdout, "{}and {} more entries the file does not hold, all zero\n", indent,
                   count - held);
    }
}

void ShowDevice(const api::DataFile& file) {
    const DeviceInfo& device = file.Device();
    fmt::print(stdout, "Device\n");
    PrintLine("Model", Utf8Text(device.Model));
    PrintLine("Model number", std::to_string(device.ModelNo));
    PrintLine("Data file version", Utf8Text(device.DataFileVersion));
    PrintLine("Inverter software", Utf8Text(device.InvSwVersion));
    PrintLine("Keypad offset (16-bit)", Hex(device.KeypadCommOffset16));
    if (const ExtendSpec* extend = file.Extend()) {
        PrintLine("Keypad offset (32-bit)", Hex(extend->KeypadCommOffset32));
    }
    PrintLine("Model number address", Hex(device.ModelNoCommAddr));
    PrintLine("Motor status address", Hex(device.MotorStatusCommAddr));
    PrintLine("Inverter status address", Hex(device.InvStatusCommAddr));
    PrintLine("Inverter control address", Hex(device.InvControlCommAddr));
    PrintLine("Parameter save address", Hex(device.ParaSaveCommAddr));
    PrintLine("Status parameters", std::to_string(file.ParaStatusNum()));
    PrintLine("Control parameters", std::to_string(file.ParaControlNum()));
    if (device.Reserved1 != 0 || device.Reserved2 != 0 || device.Reserved3 != 0 ||
        device.Reserved4 != 0 || file.ReservedCount() != 0) {
        PrintLine("Reserved",
                  fmt::format("{}, {}, {}, {}; count {}", device.Reserved1, device.Reserved2,
                              device.Reserved3, device.Reserved4, file.ReservedCount()));
    }
    if (device.DiagNumbers != nullptr && device.DiagNumberCount > 0) {
        const int64_t held = file.EntriesHeld(device.DiagNumbers, device.DiagNumberCount);
        PrintList(fmt::format("  {:<26}", "Diagnosis numbers"), held,
                  [&](int64_t k) { return std::to_string(device.DiagNumbers[k]); });
        ShowNotHeld("  ", device.DiagNumberCount, held);
    }
}

void ShowNames(const api::DataFile& file, std::string_view label, const MsgTitle* names,
               int32_t count) {
    if (names != nullptr && count > 0) {
        const int64_t held = file.EntriesHeld(names, count);
        PrintList(fmt::format("  {}:", label), held,
                  [&](int64_t k) { return Utf8Text(names[k].Title); });
        ShowNotHeld("    ", count, held);
    }
}

void ShowTerminals(const api::DataFile& file, std::string_view label, const TerminalInfo* terminals,
                   int32_t count, int32_t basic, int32_t statusAddr, const MsgTitle* functions,
                   int32_t functionCount) {
    fmt::print(stdout, "\n{} terminals: {} ({} basic), status at {}\n", label, std::max(count, 0),
               basic, Hex(statusAddr));
    if (terminals != nullptr && count > 0) {
        const int64_t held = file.EntriesHeld(terminals, count);
        PrintTable("  ", {{"#", true}, {"Title"}, {"Address"}}, held, [&](int64_t k) {
            return std::vector<std::string>{std::to_string(k), CodePageText(terminals[k].Title),
                                            Hex(terminals[k].CommAddr)};
        });
        ShowNotHeld("  ", count, held);
    }
    ShowNames(file, "Functions", functions, functionCount);
}

void ShowStatus(const api::DataFile& file, const StatusInfoData* data, int32_t count) {
    if (data == nullptr || count <= 0) {
        return;
    }
    const int64_t held = file.EntriesHeld(data, count);
    PrintTable("  ", {{"Shown with it"}, {"Address"}, {"Type", true}, {"Point", true}, {"Unit"}},
               held, [&](int64_t k) {
                   const StatusInfoData& s = data[k];
                   return std::vector<std::string>{CodePageText(s.Title), Hex(s.CommAddr),
                                                   std::to_string(s.DataType),
                                                   std::to_string(s.Point16), Utf8Text(s.Unit)};
               });
    ShowNotHeld("  ", count, held);
}

void ShowAddresses(const api::DataFile& file, std::string_view label, int32_t first,
                   const int32_t* addrs, int32_t count) {
    const int64_t listed = addrs != nullptr ? std::max(count, 0) : 0;
    const int64_t held = file.EntriesHeld(addrs, listed);
    PrintList(fmt::format("  {} at", label), held + 1,
              [&](int64_t k) { return k == 0 ? Hex(first) : Hex(addrs[k - 1]); });
    ShowNotHeld("    ", listed, held);
}

void ShowTrips(const api::DataFile& file, const TripSpec& trip) {
    fmt::print(stdout, "\nTrips: {}\n", std::max(trip.TripCount, 0));
    ShowAddresses(file, "Current trip", trip.FirstTripAddr, trip.TripAddr, trip.TripAddrCount);
    ShowNames(file, "Names", trip.TripNames, trip.TripCount);
    ShowStatus(file, trip.TripStatusInfoData, trip.TripStatusInfoCount);
    fmt::print(stdout, "\nWarnings: {}\n", std::max(trip.WarnCount, 0));
    ShowAddresses(file, "Current warning", trip.FirstWarnAddr, trip.WarnAddr, trip.WarnAddrCount);
    ShowNames(file, "Names", trip.WarnNames, trip.WarnCount);
    ShowStatus(file, trip.WarnStatusInfoData, trip.WarnStatusInfoCount);
}

void ShowMessages(const api::DataFile& file, const MessageSpec& messages) {
    fmt::print(stdout, "\nMessages: {}\n", std::max(messages.MessageCount, 0));
    const int64_t held = file.EntriesHeld(messages.Messages, messages.MessageCount);
    for (int32_t m = 0; messages.Messages != nullptr && m < held; ++m) {
        const MessageInfo& message = messages.Messages[m];
        const int32_t count = message.TitleInfo != nullptr ? message.TitleInfoCount : 0;
        const int64_t titles = file.EntriesHeld(message.TitleInfo, count);
        PrintList(fmt::format("  {:>3}:", m), titles, [&](int64_t k) {
            return fmt::format("{} {}", k, Utf8Text(message.TitleInfo[k].Title));
        });
        ShowNotHeld("       ", count, titles);
    }
    ShowNotHeld("  ", messages.Messages != nullptr ? messages.MessageCount : 0, held);
}

// Values are raw: the field after them is a decimal point or, for a value named by a message,
// the message's number, which the record does not tell apart.
void ShowCommon(const api::DataFile& file, const CommonSpec& common) {
    fmt::print(stdout, "\nCommon parameters: {}\n", std::max(common.CommonCount, 0));
    if (common.CommonParams == nullptr || common.CommonCount <= 0) {
        return;
    }
    const int64_t held = file.EntriesHeld(common.CommonParams, common.CommonCount);
    PrintTable("  ",
               {{"Address"},
                {"Title"},
                {"Default", true},
                {"Minimum", true},
                {"Maximum", true},
                {"Point or message", true},
                {"Unit"},
                {"Attr"}},
               held, [&](int64_t k) {
                   const CommonInfo& p = common.CommonParams[k];
                   return std::vector<std::string>{Hex(p.CommAddr),       CodePageText(p.Title),
                                                   std::to_string(p.Def), std::to_string(p.Min),
                                                   std::to_string(p.Max), std::to_string(p.Point16),
                                                   CodePageText(p.Unit),  Hex(p.Attr)};
               });
    ShowNotHeld("  ", common.CommonCount, held);
}

// A bound of an enumerated parameter shows its name; any other is scaled.
std::string Bound(const ParamInfo& param, const MessageInfo* message, int32_t value) {
    if (!api::IsEnumerated(param)) {
        return Scaled(value, param.Point32);
    }
    const std::string name = ValueName(message, value);
    return name.empty() ? std::to_string(value) : name;
}

void ShowGroup(const api::DataFile& file, const GroupInfo& group) {
    fmt::print(stdout, "\nGroup {} {} (attribute {}): {} parameters\n", group.GroupNum,
               CodePageText(group.Title), Hex(group.GroupAttr), std::max(group.ParameterCount, 0));
    if (group.Parameters == nullptr || group.ParameterCount <= 0) {
        return;
    }
    const auto messageOf = [&](const ParamInfo& param) {
        return api::IsEnumerated(param) ? MessageOf(file.Messages(), param.Point32) : nullptr;
    };
    PrintTable(
        "  ",
        {{"Code", true},
         {"Title"},
         {"Default", true},
         {"Minimum", true},
         {"Maximum", true},
         {"Unit"},
         {"Attr"},
         {"Address"}},
        file.EntriesHeld(group.Parameters, group.ParameterCount),
        [&](int64_t k) {
            const ParamInfo& p = group.Parameters[k];
            const MessageInfo* message = messageOf(p);
            return std::vector<std::string>{
                std::to_string(p.CodeNum),
                CodePageText(p.Title),
                Bound(p, message, p.Def),
                Bound(p, message, p.Min),
                Bound(p, message, p.Max),
                Utf8Text(p.Unit),
                Hex(p.Attr),
                Hex(static_cast<int32_t>(file.ParamAddress16(group.GroupNum, p.CodeNum)))};
        },
        [&](int64_t k) {
            const ParamInfo& p = group.Parameters[k];
            const std::string alternative = CodePageText(p.AltTitle);
            if (!alternative.empty() && alternative != CodePageText(p.Title)) {
                fmt::print(stdout, "        also: {}\n", alternative);
            }
            const MessageInfo* message = messageOf(p);
            if (message != nullptr && message->TitleInfo != nullptr) {
                PrintList("        values:", std::max(message->TitleInfoCount, 0), [&](int64_t v) {
                    return fmt::format("{} {}", v, ValueName(message, static_cast<int32_t>(v)));
                });
            }
        });
    ShowNotHeld("  ", group.ParameterCount,
                file.EntriesHeld(group.Parameters, group.ParameterCount));
}

void ShowInitOrder(const api::DataFile& file, const InitOrder& order) {
    const int32_t count = order.InitOrderAddrs != nullptr ? std::max(order.InitOrderCount, 0) : 0;
    fmt::print(stdout, "\nInitialisation order: {} steps\n", count);
    if (count > 0) {
        const int64_t held = file.EntriesHeld(order.InitOrderAddrs, count);
        PrintList("  ", held, [&](int64_t k) { return Hex(order.InitOrderAddrs[k]); });
        ShowNotHeld("  ", count, held);
    }
}

void ShowRoles(const api::DataFile& file) {
    const SpecialParamMap* roles = file.SpecialParameters();
    const std::vector<std::pair<uint32_t, SpecialParam>> entries =
        roles != nullptr
            ? std::vector<std::pair<uint32_t, SpecialParam>>(roles->begin(), roles->end())
            : std::vector<std::pair<uint32_t, SpecialParam>>{};
    fmt::print(stdout, "\nParameter roles: {}\n", entries.size());
    if (entries.empty()) {
        return;
    }
    PrintTable("  ", {{"Role", true}, {"Name"}, {"Parameter id", true}, {"Address"}},
               static_cast<int64_t>(entries.size()), [&](int64_t k) {
                   const auto& [role, param] = entries[static_cast<std::size_t>(k)];
                   return std::vector<std::string>{std::to_string(role), api::RoleName(role),
                                                   std::to_string(param.ParamId),
                                                   Hex(param.CommAddr)};
               });
}

void ShowParamIdEntries(std::string_view lead, const ParamIdEntry* entries, uint32_t count) {
    if (entries != nullptr && count > 0) {
        PrintList(lead, count, [&](int64_t k) {
            return fmt::format("{} (io {}, value {})", entries[k].ParamId, entries[k].IOTypeId,
                               entries[k].Value);
        });
    }
}

void ShowBlocks(const api::DataFile& file) {
    const api::FunctionBlockList list = file.FunctionBlocks();
    const std::vector<FunctionBlock*>& blocks = list.Blocks();
    fmt::print(stdout, "\nFunction blocks: {}\n", blocks.size());
    if (blocks.empty()) {
        return;
    }
    PrintTable(
        "  ",
        {{"Id", true}, {"Name"}, {"Group"}, {"Type"}, {"In", true}, {"Out", true}, {"Comment"}},
        static_cast<int64_t>(blocks.size()),
        [&](int64_t k) {
            const FunctionBlock& b = *blocks[static_cast<std::size_t>(k)];
            return std::vector<std::string>{std::to_string(b.BlockId),
                                            Utf16Text(b.Name),
                                            Utf16Text(b.GroupName),
                                            Hex(b.BlockType),
                                            std::to_string(b.InputParamCount),
                                            std::to_string(b.OutputParamCount),
                                            Utf16Text(b.Comment)};
        },
        [&](int64_t k) {
            const FunctionBlock& b = *blocks[static_cast<std::size_t>(k)];
            if (b.ExpansionCount > 0 && b.Expansion != nullptr) {
                PrintList("        expansions:", b.ExpansionCount, [&](int64_t e) {
                    return fmt::format("type {} io {}", b.Expansion[e].ExpansionType,
                                       b.Expansion[e].IOTypeId);
                });
            }
            ShowParamIdEntries("        inputs:", b.InputParameterIdList, b.InputParamCount);
            ShowParamIdEntries("        outputs:", b.OutputParameterIdList, b.OutputParamCount);
        });
}

bool Wanted(const ShowOptions& options, Section section) {
    return options.sections.empty() || std::find(options.sections.begin(), options.sections.end(),
                                                 section) != options.sections.end();
}

}  // namespace

const std::vector<std::pair<std::string, Section>>& SectionNames() {
    static const std::vector<std::pair<std::string, Section>> names = {
        {"device", Section::Device}, {"terminals", Section::Terminals},
        {"trips", Section::Trips},   {"messages", Section::Messages},
        {"common", Section::Common}, {"groups", Section::Groups},
        {"init", Section::Init},     {"roles", Section::Scope},
        {"blocks", Section::Blocks}};
    return names;
}

bool Show(const api::DataFile& file, const ShowOptions& options) {
    const ParaSpec& para = file.Parameters();
    const GroupInfo* only = nullptr;
    if (!options.group.empty() && (only = FindGroup(para, options.group)) == nullptr) {
        return false;
    }
    fmt::print(stdout, "{} ({})\n", file.Path(),
               file.GetFormat() == api::Format::Json ? "JSON data file" : "legacy data file");
    if (Wanted(options, Section::Device)) {
        fmt::print(stdout, "\n");
        ShowDevice(file);
    }
    if (Wanted(options, Section::Terminals)) {
        const IOSpec& io = file.IO();
        ShowTerminals(file, "Input", io.InputTerminals, io.InputCount, io.InputBasicCount,
                      io.InputStatusCommAddr, io.InputFuncTitles, io.InputFuncTitleCount);
        ShowTerminals(file, "Output", io.OutputTerminals, io.OutputCount, io.OutputBasicCount,
                      io.OutputStatusCommAddr, io.OutputFuncTitles, io.OutputFuncTitleCount);
    }
    if (Wanted(options, Section::Trips)) {
        ShowTrips(file, file.Trips());
    }
    if (Wanted(options, Section::Messages)) {
        ShowMessages(file, file.Messages());
    }
    if (Wanted(options, Section::Common)) {
        ShowCommon(file, file.Common());
    }
    if (Wanted(options, Section::Groups)) {
        const int64_t held = file.EntriesHeld(para.Groups, para.GroupCount);
        for (int32_t g = 0; para.Groups != nullptr && g < held; ++g) {
            if (only == nullptr || only == &para.Groups[g]) {
                ShowGroup(file, para.Groups[g]);
            }
        }
        if (only == nullptr && para.Groups != nullptr && para.GroupCount > held) {
            fmt::print(stdout, "\nand {} more groups the file does not hold, all zero\n",
                       para.GroupCount - held);
        }
    }
    if (Wanted(options, Section::Init)) {
        ShowInitOrder(file, file.Init());
    }
    if (Wanted(options, Section::Scope)) {
        ShowRoles(file);
    }
    if (Wanted(options, Section::Blocks)) {
        ShowBlocks(file);
    }
    return true;
}

}  // namespace vqdf::cli
