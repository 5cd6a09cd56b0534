// vqdf read, watch and write: a drive's registers by the data file's addresses, shown with its
// scaling, units, limits and value names.
#include <fmt/chrono.h>
#include <fmt/format.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <thread>

#include "Commands.h"
#include "RecordText.h"
#include "TextTable.h"

namespace vqdf::cli {
namespace {

using api::Parameter;

// The parameters asked for: by GROUP/CODE in the order given, a group, or else every one.
bool Select(const api::DataFile& file, const std::string& group,
            const std::vector<std::string>& names, std::vector<Parameter>& selected) {
    for (const std::string& name : names) {
        std::string why;
        const std::optional<Parameter> found = api::FindParameter(file, name, why);
        if (!found) {
            Fail(why);
            return false;
        }
        selected.push_back(*found);
    }
    const GroupInfo* only = nullptr;
    if (!group.empty() && (only = FindGroup(file.Parameters(), group)) == nullptr) {
        Fail(fmt::format("{}: no group numbered or titled \"{}\"", file.Path(), group));
        return false;
    }
    if (only != nullptr || names.empty()) {
        for (const Parameter& parameter : api::Parameters(file)) {
            if (only == nullptr || only == parameter.group) {
                selected.push_back(parameter);
            }
        }
    }
    return true;
}

}  // namespace

std::unique_ptr<api::DriveLink> Connect(const api::LinkOptions& options) {
    std::string error;
    std::unique_ptr<api::DriveLink> link = api::DriveLink::Open(options, error);
    if (!link) {
        Fail(error);
    }
    return link;
}

std::string WithUnit(const std::string& value, const std::string& unit) {
    return unit.empty() ? value : value + " " + unit;
}

int ReadDrive(const api::DataFile& file, const api::LinkOptions& link, const ReadOptions& options) {
    std::vector<Parameter> selected;
    if (!Select(file, options.group, options.params, selected)) {
        return kTrouble;
    }
    const std::unique_ptr<api::DriveLink> drive = Connect(link);
    if (!drive) {
        return kTrouble;
    }
    std::vector<uint16_t> addresses;
    for (const Parameter& p : selected) {
        addresses.push_back(p.address);
    }
    const api::Readings readings = api::ReadRegisters(*drive, addresses);
    if (!readings.failure.empty()) {
        return Fail(readings.failure);
    }
    struct Row {
        const Parameter* p;
        std::optional<int32_t> value;
        std::string shown;
        bool inRange = false;
        std::string note;
    };
    std::vector<Row> rows;
    bool clean = true;
    for (const Parameter& p : selected) {
        Row row{&p, std::nullopt, {}, false, {}};
        const auto found = readings.values.find(p.address);
        if (found != readings.values.end()) {
            row.value = api::ValueOfRegister(*p.param, found->second);
            row.shown = api::ShownValue(file, *p.param, *row.value);
            row.inRange = api::WithinLimits(file, *p.param, *row.value);
            row.note = row.inRange ? "" : api::LimitsNote(file, *p.param);
        } else {
            row.note = readings.refused.at(p.address);
        }
        clean = clean && row.inRange;
        rows.push_back(std::move(row));
    }
    if (options.json) {
        rapidjson::StringBuffer buffer;
        rapidjson::PrettyWriter<rapidjson::StringBuffer> w(buffer);
        w.SetIndent(' ', 2);
        w.StartArray();
        for (const Row& row : rows) {
            const std::string title = CodePageText(row.p->param->Title);
            const std::string unit = Utf8Text(row.p->param->Unit);
            w.StartObject();
            w.Key("parameter");
            w.String(api::NameOf(*row.p).c_str());
            w.Key("title");
            w.String(title.c_str());
            w.Key("address");
            w.Int(row.p->address);
            w.Key("raw");
            row.value ? w.Int(*row.value) : w.Null();
            w.Key("value");
            row.value ? w.String(row.shown.c_str()) : w.Null();
            w.Key("unit");
            w.String(unit.c_str());
            w.Key("in_range");
            w.Bool(row.inRange);
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
                       return std::vector<std::string>{api::NameOf(*row.p),
                                                       CodePageText(row.p->param->Title),
                                                       Hex(row.p->address),
                                                       row.value ? std::to_string(*row.value) : "-",
                                                       row.value ? row.shown : "-",
                                                       Utf8Text(row.p->param->Unit),
                                                       row.note};
                   });
    }
    return clean ? kDone : kNotClean;
}

namespace {

// What a sample of watch shows, in order: a label and how its register reads.
struct Field {
    std::string label;
    uint16_t address;
    std::function<std::string(uint16_t)> text;
};

std::vector<Field> WatchFields(const api::DataFile& file, const std::vector<Parameter>& selected) {
    std::vector<Field> fields;
    const DeviceInfo& device = file.Device();
    const TripSpec& trips = file.Trips();
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
            fields.push_back(
                {fmt::format("{} {}", of, CodePageText(s.Title)), static_cast<uint16_t>(s.CommAddr),
                 [s](uint16_t raw) { return WithUnit(Scaled(raw, s.Point16), Utf8Text(s.Unit)); }});
        }
    };
    statusFields("trip", trips.TripStatusInfoData, trips.TripStatusInfoCount);
    statusFields("warning", trips.WarnStatusInfoData, trips.WarnStatusInfoCount);
    for (const Parameter& s : selected) {
        const ParamInfo* param = s.param;
        fields.push_back({CodePageText(param->Title), s.address, [&file, param](uint16_t raw) {
                              return WithUnit(
                                  api::ShownValue(file, *param, api::ValueOfRegister(*param, raw)),
                                  Utf8Text(param->Unit));
                          }});
    }
    return fields;
}

// A CSV cell: quoted where it holds a comma, a quotation mark or a line break.
std::string CsvCell(const std::string& text) {
    if (text.find_first_of(",\"\n\r") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c == '"' ? "\"\"" : std::string(1, c);
    }
    return quoted + "\"";
}

// One sample in the form asked for: a screen redrawn on a terminal, else a line, a JSON object
// or a CSV row, each with its time.
void PrintSample(const std::vector<std::pair<std::string, std::optional<std::string>>>& shown,
                 const std::string& title, WatchFormat format) {
    const auto now =
        std::chrono::time_point_cast<std::chrono::milliseconds>(std::chrono::system_clock::now());
    const std::string time = fmt::format("{:%Y-%m-%dT%H:%M:%S}Z", now);
    switch (format) {
        case WatchFormat::Screen:
            fmt::print(stdout, "\x1b[H\x1b[J{}, {:%Y-%m-%d %H:%M:%S} UTC\n\n", title, now);
            for (const auto& [label, text] : shown) {
                fmt::print(stdout, "  {:<24}{}\n", label, text.value_or("refused"));
            }
            break;
        case WatchFormat::Lines: {
            std::string line = time;
            for (const auto& [label, text] : shown) {
                line += fmt::format("  {}={}", label, text.value_or("refused"));
            }
            fmt::print(stdout, "{}\n", line);
            break;
        }
        case WatchFormat::Json: {
            rapidjson::StringBuffer buffer;
            rapidjson::Writer<rapidjson::StringBuffer> w(buffer);
            w.StartObject();
            w.Key("time");
            w.String(time.c_str());
            for (const auto& [label, text] : shown) {
                w.Key(label.c_str(), static_cast<rapidjson::SizeType>(label.size()));
                text ? w.String(text->c_str()) : w.Null();
            }
            w.EndObject();
            fmt::print(stdout, "{}\n", buffer.GetString());
            break;
        }
        case WatchFormat::Csv: {
            std::string row = time;
            for (const auto& item : shown) {
                row += "," + (item.second ? CsvCell(*item.second) : std::string());
            }
            fmt::print(stdout, "{}\n", row);
            break;
        }
    }
    std::fflush(stdout);
}

}  // namespace

int WatchDrive(const api::DataFile& file, const api::LinkOptions& link,
               const WatchOptions& options) {
    std::vector<Parameter> selected;
    if (!options.params.empty() && !Select(file, "", options.params, selected)) {
        return kTrouble;
    }
    if (!std::isfinite(options.interval) || options.interval <= 0 || options.count < 0 ||
        !std::isfinite(options.giveUp) || options.giveUp < 0) {
        return Fail(
            "--interval takes seconds above 0, --count 0 (no end) or more, --give-up seconds "
            "from 0");
    }
    const std::unique_ptr<api::DriveLink> drive = Connect(link);
    if (!drive) {
        return kTrouble;
    }
    const std::vector<Field> fields = WatchFields(file, selected);
    std::vector<uint16_t> addresses;
    for (const Field& f : fields) {
        addresses.push_back(f.address);
    }
    WatchFormat format = options.format;
    if (format == WatchFormat::Lines && isatty(STDOUT_FILENO) != 0) {
        format = WatchFormat::Screen;
    }
    if (format == WatchFormat::Csv) {
        std::string header = "time";
        for (const Field& f : fields) {
            header += "," + CsvCell(f.label);
        }
        fmt::print(stdout, "{}\n", header);
    }
    const auto pause = std::chrono::duration<double>(options.interval);
    for (int sample = 0; options.count == 0 || sample < options.count; ++sample) {
        if (sample > 0) {
            std::this_thread::sleep_for(pause);
        }
        api::Readings readings = api::ReadRegisters(*drive, addresses);
        // A link that fails is connected again until it answers or the time given runs out;
        // the sample is taken once it answers.
        const auto lost = std::chrono::steady_clock::now();
        bool said = false;
        while (!readings.failure.empty()) {
            const double away =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - lost).count();
            if (away >= options.giveUp) {
                return Fail(fmt::format("gave up after {:.3g} s: {}", away, readings.failure));
            }
            if (!said) {
                fmt::print(stderr, "vqdf: {}; connecting again\n", readings.failure);
                said = true;
            }
            std::this_thread::sleep_for(pause);
            std::string error;
            if (drive->Reconnect(error)) {
                readings = api::ReadRegisters(*drive, addresses);
                if (readings.failure.empty()) {
                    fmt::print(stderr, "vqdf: {} answers again\n", drive->Name());
                }
            } else {
                readings.failure = error;
            }
        }
        std::vector<std::pair<std::string, std::optional<std::string>>> shown;
        for (const Field& f : fields) {
            const auto found = readings.values.find(f.address);
            shown.emplace_back(f.label, found == readings.values.end()
                                            ? std::nullopt
                                            : std::optional(f.text(found->second)));
        }
        PrintSample(shown, fmt::format("{} at {}", file.Path(), drive->Name()), format);
    }
    return kDone;
}

int WriteDrive(const api::DataFile& file, const api::LinkOptions& link,
               const WriteOptions& options) {
    std::vector<Parameter> selected;
    if (!Select(file, "", {options.param}, selected)) {
        return kTrouble;
    }
    const Parameter& s = selected.front();
    const ParamInfo& param = *s.param;
    const std::string name = fmt::format("{} {}", api::NameOf(s), CodePageText(param.Title));
    std::string why;
    const std::optional<int32_t> value = api::ParseValue(file, param, options.value, why);
    if (!value) {
        return Fail(fmt::format("{} {}", name, why));
    }
    const std::string unit = Utf8Text(param.Unit);
    const std::string what =
        fmt::format("{} = {}", name, WithUnit(api::ShownValue(file, param, *value), unit));
    const std::optional<uint16_t> raw = api::RegisterOf(*value);
    if (!api::WithinLimits(file, param, *value) || !raw) {
        return Fail(fmt::format("{} is {}: nothing written", what,
                                raw ? api::LimitsNote(file, param) : "beyond a 16-bit register"));
    }
    if (options.dryRun) {
        fmt::print(stdout, "would write {} (raw {}) to register {} of unit {}\n", what, *value,
                   Hex(s.address), link.unit);
        return kDone;
    }
    const std::unique_ptr<api::DriveLink> drive = Connect(link);
    if (!drive) {
        return kTrouble;
    }
    api::LinkError error;
    if (!drive->Write(s.address, *raw, error)) {
        return Fail(
            fmt::format("{} not written to register {}: {}", what, Hex(s.address), error.text));
    }
    uint16_t back = 0;
    if (!drive->Read(s.address, 1, &back, error)) {
        return Fail(fmt::format("{} written to register {}, but not read back: {}", what,
                                Hex(s.address), error.text));
    }
    const std::string kept =
        WithUnit(api::ShownValue(file, param, api::ValueOfRegister(param, back)), unit);
    fmt::print(stdout, "wrote {} (raw {}) to register {}; read back {}\n", what, *value,
               Hex(s.address), kept);
    if (back != *raw) {
        fmt::print(stderr, "vqdf: warning: {} holds {} after the write, not {}\n", name, kept,
                   WithUnit(api::ShownValue(file, param, *value), unit));
        return kNotClean;
    }
    return kDone;
}

}  // namespace vqdf::cli
