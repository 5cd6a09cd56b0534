// vqdf read, watch and write: a drive's registers by the data file's addresses, shown with its
// scaling, units, limits and value names.
#include <fmt/chrono.h>
#include <fmt/format.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <functional>
#include <map>
#include <thread>

#include "Commands.h"
#include "DriveLink.h"
#include "RecordText.h"
#include "TextTable.h"

namespace vqdf::cli {
namespace {

constexpr int kDone = 0;
constexpr int kNotClean = 1;
constexpr int kTrouble = 2;

// A parameter of the data file with its group and address.
struct Selected {
    const GroupInfo* group;
    const ParamInfo* param;
    uint16_t address;
};

std::string NameOf(const Selected& s) {
    return fmt::format("{}/{}", s.group->GroupNum, s.param->CodeNum);
}

// Every parameter of the file in order, with its group.
template <typename Visit>
void ForEachParameter(const ParaSpec& para, Visit visit) {
    for (int32_t g = 0; para.Groups != nullptr && g < para.GroupCount; ++g) {
        const GroupInfo& group = para.Groups[g];
        for (int32_t k = 0; group.Parameters != nullptr && k < group.ParameterCount; ++k) {
            visit(group, group.Parameters[k]);
        }
    }
}

// The parameters asked for: parameters by GROUP/CODE in the order given, a group, or else every
// one.
bool Select(const api::DataFile& file, const std::string& group,
            const std::vector<std::string>& names, std::vector<Selected>& selected) {
    const ParaSpec& para = file.Parameters();
    const auto add = [&](const GroupInfo& g, const ParamInfo& p) {
        selected.push_back(
            {&g, &p, static_cast<uint16_t>(file.ParamAddress16(g.GroupNum, p.CodeNum))});
    };
    for (const std::string& name : names) {
        int32_t groupNum = 0;
        int32_t codeNum = 0;
        if (!ParseParameterName(name, groupNum, codeNum)) {
            Fail(fmt::format("\"{}\" names no parameter: give GROUP/CODE, e.g. 1/12", name));
            return false;
        }
        const std::size_t before = selected.size();
        ForEachParameter(para, [&](const GroupInfo& g, const ParamInfo& p) {
            if (selected.size() == before && g.GroupNum == groupNum && p.CodeNum == codeNum) {
                add(g, p);
            }
        });
        if (selected.size() == before) {
            Fail(fmt::format("{}: no parameter {}", file.Path(), name));
            return false;
        }
    }
    const GroupInfo* only = nullptr;
    if (!group.empty() && (only = FindGroup(para, group)) == nullptr) {
        Fail(fmt::format("{}: no group numbered or titled \"{}\"", file.Path(), group));
        return false;
    }
    if (only != nullptr || names.empty()) {
        ForEachParameter(para, [&](const GroupInfo& g, const ParamInfo& p) {
            if (only == nullptr || only == &g) {
                add(g, p);
            }
        });
    }
    return true;
}

// The registers at the addresses asked for, read in runs of consecutive addresses of at most 125
// registers, each run one request. A run the drive refuses is read again register by register,
// so that the refusal names the register it concerns.
struct Readings {
    std::map<uint16_t, uint16_t> values;
    std::map<uint16_t, std::string> refused;
    std::string failure;  // the link's: nothing more could be read
};

Readings ReadRegisters(DriveLink& link, std::vector<uint16_t> addresses) {
    std::sort(addresses.begin(), addresses.end());
    addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
    Readings readings;
    for (std::size_t start = 0; start < addresses.size();) {
        std::size_t end = start + 1;
        while (end < addresses.size() && end - start < 125 &&
               addresses[end] == addresses[end - 1] + 1) {
            ++end;
        }
        const auto count = static_cast<uint16_t>(end - start);
        std::vector<uint16_t> values(count);
        LinkError error;
        if (link.Read(addresses[start], count, values.data(), error)) {
            for (uint16_t k = 0; k < count; ++k) {
                readings.values[static_cast<uint16_t>(addresses[start] + k)] = values[k];
            }
        } else if (!error.exception) {
            readings.failure = error.text;
            return readings;
        } else {
            for (std::size_t k = start; k < end; ++k) {
                uint16_t value = 0;
                if (count > 1 && link.Read(addresses[k], 1, &value, error)) {
                    readings.values[addresses[k]] = value;
                } else if (!error.exception) {
                    readings.failure = error.text;
                    return readings;
                } else {
                    readings.refused[addresses[k]] = error.text;
                }
            }
        }
        start = end;
    }
    return readings;
}

// A register's value as the parameter's number: signed where the parameter can be negative.
int32_t ValueOf(const ParamInfo& param, uint16_t raw) {
    return param.Min < 0 ? static_cast<int16_t>(raw) : raw;
}

struct Shown {
    std::string value;  // scaled, or the value's name
    bool inRange = true;
};

Shown ShowValue(const api::DataFile& file, const ParamInfo& param, int32_t value) {
    Shown shown;
    shown.inRange = value >= param.Min && value <= param.Max;
    if (api::IsEnumerated(param)) {
        shown.value = ValueName(MessageOf(file.Messages(), param.Point32), value);
        shown.inRange = shown.inRange && !shown.value.empty();
    } else {
        shown.value = Scaled(value, param.Point32);
    }
    return shown;
}

std::unique_ptr<DriveLink> Connect(const LinkOptions& options) {
    std::string error;
    std::unique_ptr<DriveLink> link = DriveLink::Open(options, error);
    if (!link) {
        Fail(error);
    }
    return link;
}

std::string RangeNote(const api::DataFile& file, const ParamInfo& param) {
    if (api::IsEnumerated(param)) {
        return "not one of its values";
    }
    return fmt::format("outside {} to {}", ShowValue(file, param, param.Min).value,
                       ShowValue(file, param, param.Max).value);
}

}  // namespace

int ReadDrive(const api::DataFile& file, const LinkOptions& link, const ReadOptions& options) {
    std::vector<Selected> selected;
    if (!Select(file, options.group, options.params, selected)) {
        return kTrouble;
    }
    const std::unique_ptr<DriveLink> drive = Connect(link);
    if (!drive) {
        return kTrouble;
    }
    std::vector<uint16_t> addresses;
    for (const Selected& s : selected) {
        addresses.push_back(s.address);
    }
    const Readings readings = ReadRegisters(*drive, addresses);
    if (!readings.failure.empty()) {
        return Fail(readings.failure);
    }
    struct Row {
        const Selected* s;
        std::optional<int32_t> value;
        Shown shown;
        std::string note;
    };
    std::vector<Row> rows;
    bool clean = true;
    for (const Selected& s : selected) {
        Row row{&s, std::nullopt, {}, {}};
        const auto found = readings.values.find(s.address);
        if (found != readings.values.end()) {
            row.value = ValueOf(*s.param, found->second);
            row.shown = ShowValue(file, *s.param, *row.value);
            if (!row.shown.inRange) {
                row.note = RangeNote(file, *s.param);
            }
        } else {
            row.note = readings.refused.at(s.address);
        }
        clean = clean && row.value && row.shown.inRange;
        rows.push_back(std::move(row));
    }
    if (options.json) {
        rapidjson::StringBuffer buffer;
        rapidjson::PrettyWriter<rapidjson::StringBuffer> w(buffer);
        w.SetIndent(' ', 2);
        w.StartArray();
        for (const Row& row : rows) {
            const std::string title = CodePageText(row.s->param->Title);
            const std::string unit = Utf8Text(row.s->param->Unit);
            w.StartObject();
            w.Key("parameter");
            w.String(NameOf(*row.s).c_str());
            w.Key("title");
            w.String(title.c_str());
            w.Key("address");
            w.Int(row.s->address);
            w.Key("raw");
            row.value ? w.Int(*row.value) : w.Null();
            w.Key("value");
            row.value ? w.String(row.shown.value.c_str()) : w.Null();
            w.Key("unit");
            w.String(unit.c_str());
            w.Key("in_range");
            w.Bool(row.value && row.shown.inRange);
            w.Key("note");
            w.String(row.note.c_str());
            w.EndObject();
        }
        w.EndArray();
        fmt::print(stdout, "{}\n", buffer.GetString());
    } else {
        PrintTable("",
                   {{"Parameter", true},
                    {"Title"},
                    {"Address"},
                    {"Raw", true},
                    {"Value", true},
                    {"Unit"},
                    {"Note"}},
                   static_cast<int64_t>(rows.size()), [&](int64_t k) {
                       const Row& row = rows[static_cast<std::size_t>(k)];
                       return std::vector<std::string>{NameOf(*row.s),
                                                       CodePageText(row.s->param->Title),
                                                       Hex(row.s->address),
                                                       row.value ? std::to_string(*row.value) : "-",
                                                       row.value ? row.shown.value : "-",
                                                       Utf8Text(row.s->param->Unit),
                                                       row.note};
                   });
    }
    return clean ? kDone : kNotClean;
}

int WatchDrive(const api::DataFile& file, const LinkOptions& link, const WatchOptions& options) {
    std::vector<Selected> selected;
    if (!options.params.empty() && !Select(file, "", options.params, selected)) {
        return kTrouble;
    }
    if (options.interval <= 0 || options.count < 0) {
        return Fail("--interval must be above 0 and --count 0 (no end) or more");
    }
    const std::unique_ptr<DriveLink> drive = Connect(link);
    if (!drive) {
        return kTrouble;
    }
    const DeviceInfo& device = file.Device();
    const TripSpec& trips = file.Trips();
    // What each sample shows, in order: a label and how its register reads.
    struct Field {
        std::string label;
        uint16_t address;
        std::function<std::string(uint16_t)> text;
    };
    std::vector<Field> fields;
    const auto hex = [](uint16_t raw) { return Hex(raw); };
    fields.push_back({"status", static_cast<uint16_t>(device.InvStatusCommAddr), hex});
    fields.push_back({"control", static_cast<uint16_t>(device.InvControlCommAddr), hex});
    fields.push_back({"motor", static_cast<uint16_t>(device.MotorStatusCommAddr), hex});
    const auto named = [](const MsgTitle* names, int32_t count) {
        return [names, count](uint16_t raw) {
            const std::string name =
                names != nullptr && raw < count ? Utf8Text(names[raw].Title) : std::string("?");
            return fmt::format("{} {}", raw, name);
        };
    };
    fields.push_back({"trip", static_cast<uint16_t>(trips.FirstTripAddr),
                      named(trips.TripNames, trips.TripCount)});
    fields.push_back({"warning", static_cast<uint16_t>(trips.FirstWarnAddr),
                      named(trips.WarnNames, trips.WarnCount)});
    const auto statusFields = [&](std::string_view of, const StatusInfoData* data, int32_t count) {
        for (int32_t k = 0; data != nullptr && k < count; ++k) {
            const StatusInfoData s = data[k];
            fields.push_back({fmt::format("{} {}", of, CodePageText(s.Title)),
                              static_cast<uint16_t>(s.CommAddr), [s](uint16_t raw) {
                                  const std::string unit = Utf8Text(s.Unit);
                                  return Scaled(raw, s.Point16) + (unit.empty() ? "" : " " + unit);
                              }});
        }
    };
    statusFields("trip", trips.TripStatusInfoData, trips.TripStatusInfoCount);
    statusFields("warning", trips.WarnStatusInfoData, trips.WarnStatusInfoCount);
    for (const Selected& s : selected) {
        const ParamInfo* param = s.param;
        fields.push_back({CodePageText(param->Title), s.address, [&file, param](uint16_t raw) {
                              const std::string unit = Utf8Text(param->Unit);
                              return ShowValue(file, *param, ValueOf(*param, raw)).value +
                                     (unit.empty() ? "" : " " + unit);
                          }});
    }
    std::vector<uint16_t> addresses;
    for (const Field& f : fields) {
        addresses.push_back(f.address);
    }
    // On a terminal the screen is redrawn in place; elsewhere each sample is one line.
    const bool terminal = isatty(STDOUT_FILENO) != 0;
    for (int sample = 0; options.count == 0 || sample < options.count; ++sample) {
        if (sample > 0) {
            std::this_thread::sleep_for(std::chrono::duration<double>(options.interval));
        }
        const Readings readings = ReadRegisters(*drive, addresses);
        if (!readings.failure.empty()) {
            return Fail(readings.failure);
        }
        const auto now = std::chrono::time_point_cast<std::chrono::milliseconds>(
            std::chrono::system_clock::now());
        std::vector<std::pair<std::string, std::string>> shown;
        for (const Field& f : fields) {
            const auto found = readings.values.find(f.address);
            shown.emplace_back(f.label, found != readings.values.end()
                                            ? f.text(found->second)
                                            : "refused (" + readings.refused.at(f.address) + ")");
        }
        if (terminal) {
            fmt::print(stdout, "\x1b[H\x1b[J{} at {}, {:%Y-%m-%d %H:%M:%S} UTC\n\n", file.Path(),
                       drive->Name(), now);
            for (const auto& [label, text] : shown) {
                fmt::print(stdout, "  {:<24}{}\n", label, text);
            }
        } else {
            std::string line = fmt::format("{:%Y-%m-%dT%H:%M:%S}Z", now);
            for (const auto& [label, text] : shown) {
                line += fmt::format("  {}={}", label, text);
            }
            fmt::print(stdout, "{}\n", line);
        }
        std::fflush(stdout);
    }
    return kDone;
}

int WriteDrive(const api::DataFile& file, const LinkOptions& link, const WriteOptions& options) {
    std::vector<Selected> selected;
    if (!Select(file, "", {options.param}, selected)) {
        return kTrouble;
    }
    const Selected& s = selected.front();
    const ParamInfo& param = *s.param;
    // The value as a name of an enumerated parameter, or a number in the parameter's unit with
    // at most its decimals.
    int32_t value = 0;
    bool parsed = false;
    if (api::IsEnumerated(param)) {
        const MessageInfo* message = MessageOf(file.Messages(), param.Point32);
        for (int32_t v = 0; message != nullptr && message->TitleInfo != nullptr &&
                            v < message->TitleInfoCount && !parsed;
             ++v) {
            const std::string name = ValueName(message, v);
            if (!name.empty() && SameText(name, options.value)) {
                value = v;
                parsed = true;
            }
        }
        if (!parsed) {
            return Fail(fmt::format("{} {} takes one of its value names, not \"{}\"", NameOf(s),
                                    CodePageText(param.Title), options.value));
        }
    } else {
        char* end = nullptr;
        const double number = std::strtod(options.value.c_str(), &end);
        const int32_t points = param.Point32 > 0 && param.Point32 <= 9 ? param.Point32 : 0;
        const double raw = number * std::pow(10.0, points);
        if (options.value.empty() || *end != '\0' || !std::isfinite(raw) ||
            std::fabs(raw - std::round(raw)) > 1e-6 || std::fabs(raw) > 2147483647.0) {
            return Fail(fmt::format("{} {} takes a number with at most {} decimals, not \"{}\"",
                                    NameOf(s), CodePageText(param.Title), points, options.value));
        }
        value = static_cast<int32_t>(std::lround(raw));
    }
    const Shown shown = ShowValue(file, param, value);
    const std::string unit = Utf8Text(param.Unit);
    const std::string what = fmt::format("{} {} = {}{}", NameOf(s), CodePageText(param.Title),
                                         shown.value, unit.empty() ? "" : " " + unit);
    if (!shown.inRange || value < -32768 || value > 65535) {
        return Fail(fmt::format("{} is {}: nothing written", what, RangeNote(file, param)));
    }
    const auto raw = static_cast<uint16_t>(value);
    if (options.dryRun) {
        fmt::print(stdout, "would write {} (raw {}) to register {} of unit {}\n", what, raw,
                   Hex(s.address), link.unit);
        return kDone;
    }
    const std::unique_ptr<DriveLink> drive = Connect(link);
    if (!drive) {
        return kTrouble;
    }
    LinkError error;
    if (!drive->Write(s.address, raw, error)) {
        return Fail(
            fmt::format("{} not written to register {}: {}", what, Hex(s.address), error.text));
    }
    uint16_t back = 0;
    if (!drive->Read(s.address, 1, &back, error)) {
        return Fail(fmt::format("{} written to register {}, but not read back: {}", what,
                                Hex(s.address), error.text));
    }
    const Shown readBack = ShowValue(file, param, ValueOf(param, back));
    fmt::print(stdout, "wrote {} (raw {}) to register {}; read back {}\n", what, raw,
               Hex(s.address), readBack.value);
    return back == raw ? kDone : kNotClean;
}

}  // namespace vqdf::cli
