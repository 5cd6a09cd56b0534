// Commissioning a drive by its data file: its parameters backed up as a parameter set, a set put
// back in the initialisation order with every value checked first, and two sets compared.
#include <rapidjson/document.h>
#include <rapidjson/error/en.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>

#include "DriveApi.h"

namespace vqdf::api {
namespace {

constexpr int kSetFormat = 1;

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string Name(int32_t group, int32_t code) {
    return std::to_string(group) + "/" + std::to_string(code);
}

// The parameters of the file by group and code, the first where two share them.
std::map<std::pair<int32_t, int32_t>, Parameter> ByGroupAndCode(const DataFile& file) {
    std::map<std::pair<int32_t, int32_t>, Parameter> found;
    for (const Parameter& p : Parameters(file)) {
        found.emplace(std::pair(p.group->GroupNum, p.param->CodeNum), p);
    }
    return found;
}

std::string Now() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

ParameterSet SetOf(const DataFile& file) {
    const DeviceInfo& device = file.Device();
    ParameterSet set;
    set.model = Utf8Text(device.Model);
    set.modelNo = device.ModelNo;
    set.version = Utf8Text(device.DataFileVersion);
    set.readAt = Now();
    return set;
}

using Writer = rapidjson::Writer<rapidjson::StringBuffer>;

void Text(Writer& w, std::string_view key, const std::string& value) {
    w.Key(key.data(), static_cast<rapidjson::SizeType>(key.size()));
    w.String(value.c_str(), static_cast<rapidjson::SizeType>(value.size()));
}

void Number(Writer& w, std::string_view key, int64_t value) {
    w.Key(key.data(), static_cast<rapidjson::SizeType>(key.size()));
    w.Int64(value);
}

// One member of the head, as a line of its own.
std::string Member(std::string_view key, const std::function<void(Writer&)>& value) {
    rapidjson::StringBuffer buffer;
    Writer w(buffer);
    w.StartObject();
    w.Key(key.data(), static_cast<rapidjson::SizeType>(key.size()));
    value(w);
    w.EndObject();
    // Without the braces, a blank after the key's colon.
    const std::string object = buffer.GetString();
    const std::size_t colon = key.size() + 3;  // {"KEY":
    return "  " + object.substr(1, colon) + " " +
           object.substr(colon + 1, object.size() - colon - 2);
}

// A JSON number of exactly the decimals given: "12.34", "-0.5".
void ScaledNumber(Writer& w, int32_t raw, int32_t points) {
    const std::string text = Scaled(raw, points);
    w.RawValue(text.c_str(), text.size(), rapidjson::kNumberType);
}

std::string ParameterLine(const DataFile& file, const SetValue& v,
                          const std::map<std::pair<int32_t, int32_t>, Parameter>& parameters) {
    rapidjson::StringBuffer buffer;
    Writer w(buffer);
    w.StartObject();
    Number(w, "Group", v.group);
    Number(w, "Code", v.code);
    Text(w, "Title", v.title);
    Text(w, "Address", HexText(v.address));
    if (!v.raw) {
        Text(w, "Refused", v.refused);
    } else {
        Number(w, "Raw", *v.raw);
        const auto found = parameters.find({v.group, v.code});
        if (found != parameters.end()) {
            const ParamInfo& param = *found->second.param;
            w.Key("Value");
            if (IsEnumerated(param)) {
                w.Int(*v.raw);
            } else {
                ScaledNumber(w, *v.raw, param.Point32);
            }
            Text(w, "Unit", IsEnumerated(param) ? std::string() : Utf8Text(param.Unit));
            const std::string name =
                IsEnumerated(param) ? ValueName(MessageOf(file.Messages(), param.Point32), *v.raw)
                                    : std::string();
            w.Key("Name");
            name.empty() ? w.Null() : w.String(name.c_str());
        }
    }
    w.EndObject();
    return buffer.GetString();
}

// "FILE:LINE:COLUMN" of a byte offset.
std::string LineAndColumn(const std::string& text, std::size_t offset) {
    offset = std::min(offset, text.size());
    const auto line =
        std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n') + 1;
    const std::size_t start = text.rfind('\n', offset == 0 ? 0 : offset - 1);
    const std::size_t column = offset - (start == std::string::npos ? 0 : start + 1) + 1;
    return std::to_string(line) + ":" + std::to_string(column);
}

// A member of an object as the document needs it: an integer that fits 32 bits, or a string.
const rapidjson::Value* MemberOf(const rapidjson::Value& object, const char* key) {
    const auto found = object.FindMember(key);
    return found == object.MemberEnd() ? nullptr : &found->value;
}
bool Int32(const rapidjson::Value* value) { return value != nullptr && value->IsInt(); }
bool String(const rapidjson::Value* value) { return value != nullptr && value->IsString(); }

}  // namespace

std::string ParameterSetText(const DataFile& file, const ParameterSet& set) {
    const auto parameters = ByGroupAndCode(file);
    std::vector<std::string> lines = {
        Member("ParameterSet", [](Writer& w) { w.Int(kSetFormat); }),
        Member("Model", [&](Writer& w) { w.String(set.model.c_str()); }),
        Member("ModelNo", [&](Writer& w) { w.Int(set.modelNo); }),
        Member("DataFileVersion", [&](Writer& w) { w.String(set.version.c_str()); }),
        Member("DriveModelNo",
               [&](Writer& w) { set.driveModelNo ? w.Int(*set.driveModelNo) : w.Null(); }),
        Member("ReadAt", [&](Writer& w) { w.String(set.readAt.c_str()); }),
        Member("ReadFrom", [&](Writer& w) { w.String(set.readFrom.c_str()); }),
    };
    std::string text = "{\n";
    for (const std::string& line : lines) {
        text += line + ",\n";
    }
    text += "  \"Parameters\": [";
    for (std::size_t k = 0; k < set.values.size(); ++k) {
        text += (k == 0 ? "\n    " : ",\n    ") + ParameterLine(file, set.values[k], parameters);
    }
    text += set.values.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return text;
}

std::optional<ParameterSet> ReadParameterSet(const std::string& path, std::string& why) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    rapidjson::Document doc;
    const rapidjson::ParseResult parsed = doc.Parse(text.c_str(), text.size());
    if (!parsed) {
        why = path + ":" + LineAndColumn(text, parsed.Offset()) + ": " +
              rapidjson::GetParseError_En(parsed.Code());
        return std::nullopt;
    }
    const auto wrong = [&](const std::string& place, const std::string& what) {
        why = path + ":" + place + ": " + what;
        return std::nullopt;
    };
    if (!doc.IsObject()) {
        return wrong("", "a parameter set is a JSON object");
    }
    const rapidjson::Value* format = MemberOf(doc, "ParameterSet");
    if (!Int32(format) || format->GetInt() != kSetFormat) {
        return wrong("/ParameterSet", "this is no parameter set of format 1");
    }
    ParameterSet set;
    for (const auto& [key, field] : {std::pair("Model", &set.model),
                                     {"DataFileVersion", &set.version},
                                     {"ReadAt", &set.readAt},
                                     {"ReadFrom", &set.readFrom}}) {
        const rapidjson::Value* value = MemberOf(doc, key);
        if (!String(value)) {
            return wrong(std::string("/") + key, "give a string");
        }
        *field = value->GetString();
    }
    const rapidjson::Value* modelNo = MemberOf(doc, "ModelNo");
    if (!Int32(modelNo)) {
        return wrong("/ModelNo", "give a whole number");
    }
    set.modelNo = modelNo->GetInt();
    const rapidjson::Value* driveModelNo = MemberOf(doc, "DriveModelNo");
    if (driveModelNo != nullptr && !driveModelNo->IsNull() && !Int32(driveModelNo)) {
        return wrong("/DriveModelNo", "give a whole number or null");
    }
    if (Int32(driveModelNo)) {
        set.driveModelNo = driveModelNo->GetInt();
    }
    const rapidjson::Value* values = MemberOf(doc, "Parameters");
    if (values == nullptr || !values->IsArray()) {
        return wrong("/Parameters", "give an array of parameters");
    }
    std::set<std::pair<int32_t, int32_t>> seen;
    for (rapidjson::SizeType k = 0; k < values->Size(); ++k) {
        const rapidjson::Value& entry = (*values)[k];
        const std::string place = "/Parameters/" + std::to_string(k);
        if (!entry.IsObject()) {
            return wrong(place, "a parameter is a JSON object");
        }
        SetValue v;
        for (const auto& [key, field] : {std::pair("Group", &v.group), {"Code", &v.code}}) {
            const rapidjson::Value* value = MemberOf(entry, key);
            if (!Int32(value)) {
                return wrong(place + "/" + key, "give a whole number");
            }
            *field = value->GetInt();
        }
        if (!seen.emplace(v.group, v.code).second) {
            return wrong(place, "parameter " + Name(v.group, v.code) + " is given again");
        }
        if (const rapidjson::Value* title = MemberOf(entry, "Title"); String(title)) {
            v.title = title->GetString();
        }
        if (const rapidjson::Value* address = MemberOf(entry, "Address"); address != nullptr) {
            const std::string_view hex =
                String(address) ? address->GetString() : std::string_view();
            unsigned value = 0;
            const auto read =
                hex.size() > 2 && hex.substr(0, 2) == "0x"
                    ? std::from_chars(hex.data() + 2, hex.data() + hex.size(), value, 16)
                    : std::from_chars_result{hex.data(), std::errc::invalid_argument};
            if (read.ec != std::errc() || read.ptr != hex.data() + hex.size() || value > 0xFFFF) {
                return wrong(place + "/Address", "give a register as 0x and hexadecimal digits");
            }
            v.address = static_cast<uint16_t>(value);
        }
        const rapidjson::Value* raw = MemberOf(entry, "Raw");
        const rapidjson::Value* refused = MemberOf(entry, "Refused");
        if (Int32(raw)) {
            v.raw = raw->GetInt();
        } else if (String(refused) && raw == nullptr) {
            v.refused = refused->GetString();
        } else {
            return wrong(place + "/Raw",
                         "give the raw value as a whole number, or Refused with why");
        }
        set.values.push_back(std::move(v));
    }
    return set;
}

std::string ParameterSetSchema() {
    return R"({
  "$schema": "https://json-schema.org/draft/2020-12/schema",
  "title": "Parameter set",
  "description": "The values of a drive's parameters, read from a drive or taken from its data file's defaults. Raw is what is put back on a drive; Value, Unit and Name are there for people.",
  "type": "object",
  "required": ["ParameterSet", "Model", "ModelNo", "DataFileVersion", "ReadAt", "ReadFrom", "Parameters"],
  "properties": {
    "ParameterSet": {"const": 1, "description": "the format of the document"},
    "Model": {"type": "string", "description": "the data file's model"},
    "ModelNo": {"type": "integer", "minimum": -2147483648, "maximum": 2147483647, "description": "the data file's model number"},
    "DataFileVersion": {"type": "string"},
    "DriveModelNo": {"type": ["integer", "null"], "minimum": -2147483648, "maximum": 2147483647, "description": "the model number the drive gave; null for the file's defaults"},
    "ReadAt": {"type": "string", "description": "when, in UTC: 2026-12-07T18:20:00Z"},
    "ReadFrom": {"type": "string", "description": "the drive's place, or the file whose defaults these are"},
    "Parameters": {
      "type": "array",
      "items": {
        "type": "object",
        "required": ["Group", "Code"],
        "properties": {
          "Group": {"type": "integer", "minimum": -2147483648, "maximum": 2147483647},
          "Code": {"type": "integer", "minimum": -2147483648, "maximum": 2147483647},
          "Title": {"type": "string"},
          "Address": {"type": "string", "pattern": "^0x[0-9A-F]{4}$"},
          "Raw": {"type": "integer", "minimum": -2147483648, "maximum": 2147483647},
          "Value": {"type": "number"},
          "Unit": {"type": "string"},
          "Name": {"type": ["string", "null"]},
          "Refused": {"type": "string", "description": "why the drive refused the register"}
        },
        "oneOf": [{"required": ["Raw"]}, {"required": ["Refused"], "not": {"required": ["Raw"]}}]
      }
    }
  }
}
)";
}

ParameterSet Defaults(const DataFile& file) {
    ParameterSet set = SetOf(file);
    set.readFrom = "the defaults of " + file.Path();
    for (const Parameter& p : Parameters(file)) {
        set.values.push_back({p.group->GroupNum, p.param->CodeNum, CodePageText(p.param->Title),
                              p.address, p.param->Def, ""});
    }
    return set;
}

std::optional<ParameterSet> Backup(const DataFile& file, DriveLink& link, bool force,
                                   std::string& why) {
    ParameterSet set = SetOf(file);
    set.readFrom = link.Name();
    const int32_t modelAddress = file.Device().ModelNoCommAddr;
    if (modelAddress > 0 && modelAddress <= 0xFFFF) {
        const Readings model = ReadRegisters(link, {static_cast<uint16_t>(modelAddress)});
        if (!model.failure.empty()) {
            why = link.Name() + ": " + model.failure;
            return std::nullopt;
        }
        const auto held = model.values.find(static_cast<uint16_t>(modelAddress));
        if (held != model.values.end()) {
            set.driveModelNo = held->second;
        }
        if (!force && set.driveModelNo != set.modelNo) {
            why = set.driveModelNo
                      ? "the drive's model number is " + std::to_string(*set.driveModelNo) +
                            ", the data file's " + std::to_string(set.modelNo) +
                            ": it is another drive (--force reads it all the same)"
                      : "the drive refuses its model number register " +
                            HexText(static_cast<uint32_t>(modelAddress)) +
                            " (--force reads it all the same)";
            return std::nullopt;
        }
    } else if (!force) {
        why =
            "the data file names no model number register to check the drive by (--force reads "
            "it all the same)";
        return std::nullopt;
    }
    const std::vector<Parameter> parameters = Parameters(file);
    std::vector<uint16_t> addresses;
    for (const Parameter& p : parameters) {
        addresses.push_back(p.address);
    }
    const Readings readings = ReadRegisters(link, addresses);
    if (!readings.failure.empty()) {
        why = link.Name() + ": " + readings.failure;
        return std::nullopt;
    }
    for (const Parameter& p : parameters) {
        SetValue v{p.group->GroupNum, p.param->CodeNum, CodePageText(p.param->Title),
                   p.address,         std::nullopt,     ""};
        if (const auto held = readings.values.find(p.address); held != readings.values.end()) {
            v.raw = ValueOfRegister(*p.param, held->second);
        } else {
            v.refused = readings.refused.at(p.address);
        }
        set.values.push_back(std::move(v));
    }
    return set;
}

std::optional<RestorePlan> PlanRestore(const DataFile& file, const ParameterSet& set,
                                       std::string& why) {
    if (set.modelNo != file.Device().ModelNo) {
        why = "the set is of model number " + std::to_string(set.modelNo) + ", the data file of " +
              std::to_string(file.Device().ModelNo);
        return std::nullopt;
    }
    const auto parameters = ByGroupAndCode(file);
    RestorePlan plan;
    std::vector<std::string> outside;
    for (const SetValue& v : set.values) {
        const auto found = parameters.find({v.group, v.code});
        if (found == parameters.end()) {
            plan.unmatched.push_back(Name(v.group, v.code));
            continue;
        }
        if (!v.raw) {
            plan.unread.push_back(Name(v.group, v.code));
            continue;
        }
        const Parameter& p = found->second;
        if (!WithinLimits(file, *p.param, *v.raw) || !RegisterOf(*v.raw)) {
            outside.push_back(NameOf(p) + " " + Quoted(CodePageText(p.param->Title)) + ": " +
                              ShownValue(file, *p.param, *v.raw) + " is " +
                              (RegisterOf(*v.raw) ? LimitsNote(file, *p.param)
                                                  : std::string("beyond a 16-bit register")));
            continue;
        }
        RestoreStep step;
        step.parameter = p;
        step.value = *v.raw;
        plan.steps.push_back(std::move(step));
    }
    if (!outside.empty()) {
        why = std::to_string(outside.size()) + " value" + (outside.size() == 1 ? "" : "s") +
              " of the set cannot be written, so nothing is: " + outside.front() +
              (outside.size() > 1 ? ", ..." : "");
        return std::nullopt;
    }
    // The initialisation order first, in its order; then group and code.
    std::map<uint16_t, std::size_t> rank;
    const InitOrder& init = file.Init();
    for (int32_t k = 0; init.InitOrderAddrs != nullptr && k < init.InitOrderCount; ++k) {
        rank.emplace(static_cast<uint16_t>(init.InitOrderAddrs[k]), rank.size());
    }
    const auto key = [&rank](const RestoreStep& step) {
        const auto r = rank.find(step.parameter.address);
        return std::tuple(r == rank.end() ? rank.size() : r->second, step.parameter.group->GroupNum,
                          step.parameter.param->CodeNum);
    };
    std::stable_sort(plan.steps.begin(), plan.steps.end(),
                     [&](const RestoreStep& a, const RestoreStep& b) { return key(a) < key(b); });
    return plan;
}

bool Restore(const DataFile& file, DriveLink& link, RestorePlan& plan, std::optional<int32_t> save,
             std::string& why) {
    const int32_t saveAddress = file.Device().ParaSaveCommAddr;
    if (save && (saveAddress <= 0 || saveAddress > 0xFFFF || !RegisterOf(*save))) {
        why = saveAddress <= 0 || saveAddress > 0xFFFF
                  ? "the data file names no parameter save register"
                  : "a register holds -32768 to 65535, not " + std::to_string(*save);
        return false;
    }
    const auto lost = [&](std::size_t from, const std::string& text) {
        for (std::size_t k = from; k < plan.steps.size(); ++k) {
            if (plan.steps[k].outcome == RestoreStep::Outcome::Planned) {
                plan.steps[k].outcome = RestoreStep::Outcome::NotReached;
            }
        }
        why = link.Name() + ": " + text;
        return false;
    };
    for (std::size_t k = 0; k < plan.steps.size(); ++k) {
        RestoreStep& step = plan.steps[k];
        const ParamInfo& param = *step.parameter.param;
        uint16_t held = 0;
        LinkError error;
        if (!link.Read(step.parameter.address, 1, &held, error)) {
            if (!error.exception) {
                return lost(k, error.text);
            }
            step.outcome = RestoreStep::Outcome::Refused;
            step.note = error.text;
            continue;
        }
        if (ValueOfRegister(param, held) == step.value) {
            step.outcome = RestoreStep::Outcome::Unchanged;
            continue;
        }
        if (!link.Write(step.parameter.address, *RegisterOf(step.value), error)) {
            if (!error.exception) {
                return lost(k, error.text);
            }
            step.outcome = RestoreStep::Outcome::Refused;
            step.note = error.text;
            continue;
        }
        step.outcome = RestoreStep::Outcome::Written;
        if (!link.Read(step.parameter.address, 1, &held, error)) {
            if (!error.exception) {
                return lost(k + 1, error.text);
            }
            step.note = error.text;
            continue;
        }
        step.readBack = ValueOfRegister(param, held);
        if (*step.readBack != step.value) {
            step.outcome = RestoreStep::Outcome::Differs;
        }
    }
    if (save) {
        LinkError error;
        if (!link.Write(static_cast<uint16_t>(saveAddress), *RegisterOf(*save), error)) {
            why = link.Name() + ": the save register " +
                  HexText(static_cast<uint32_t>(saveAddress)) + ": " + error.text;
            return false;
        }
    }
    return true;
}

std::vector<SetDifference> CompareSets(const DataFile& file, const ParameterSet& before,
                                       const ParameterSet& after) {
    std::map<std::pair<int32_t, int32_t>, std::pair<const SetValue*, const SetValue*>> both;
    for (const SetValue& v : before.values) {
        both[{v.group, v.code}].first = &v;
    }
    for (const SetValue& v : after.values) {
        both[{v.group, v.code}].second = &v;
    }
    const auto parameters = ByGroupAndCode(file);
    std::vector<SetDifference> differences;
    for (const auto& [at, pair] : both) {
        const std::optional<int32_t> a = pair.first ? pair.first->raw : std::nullopt;
        const std::optional<int32_t> b = pair.second ? pair.second->raw : std::nullopt;
        if (a == b && (pair.first == nullptr) == (pair.second == nullptr)) {
            continue;
        }
        const auto found = parameters.find(at);
        const std::string title = found != parameters.end()
                                      ? CodePageText(found->second.param->Title)
                                      : (pair.first ? pair.first : pair.second)->title;
        differences.push_back({at.first, at.second, title, a, b});
    }
    return differences;
}

}  // namespace vqdf::api
