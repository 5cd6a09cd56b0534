// Rules over what a loaded drive description means: limits, named values, addresses, the
// initialisation order, the names of terminal functions, trips and warnings, decimal points and
// titles. Each reads the records as a host gets them, so a legacy file and its JSON twin get the
// same findings, each at the places of its own format. A damaged file's entries that no stream
// supplies are zero and are not looked at, so the work stays proportional to the file.
#include <algorithm>
#include <functional>
#include <map>
#include <set>

#include "DataFileApi.h"
#include "DriveApi.h"
#include "compound/LegacyFormat.h"
#include "json/JsonFormat.h"

namespace vqdf::api {
namespace {

namespace key = json::key;

// Where a record lies: a JSON Pointer in a JSON data file, the path of its stream in a legacy one
// (which has one stream for a whole table, so the entry is said in the message).
class Places {
public:
    explicit Places(Format format) : json_(format == Format::Json) {}

    std::string Group(int64_t g) const {
        return json_ ? Pointer({key::kParameterGroups, Index(g)})
                     : Path({legacy::kParameterSpec, legacy::GroupStorageName(g),
                             legacy::kGroupInfo});
    }
    std::string Parameter(int64_t g, int64_t p, std::string_view field) const {
        return json_ ? Pointer({key::kParameterGroups, Index(g), key::kParameters, Index(p), field})
                     : Path({legacy::kParameterSpec, legacy::GroupStorageName(g),
                             legacy::kParameter});
    }
    std::string Common(int64_t k, std::string_view field) const {
        return json_ ? Pointer({key::kCommonParameters, Index(k), field})
                     : Path({legacy::kCommonSpec, legacy::kCommonInfo});
    }
    std::string Init() const {
        return json_ ? Pointer({key::kInitOrder})
                     : Path({legacy::kInitOrder, legacy::kInitOrderParaAddr});
    }
    std::string Device(std::string_view field) const {
        return json_ ? Pointer({key::kDevice, field})
                     : Path({legacy::kDeviceSpec, legacy::kDeviceInfo});
    }
    std::string Terminals(bool input, std::string_view field) const {
        return json_ ? Pointer({key::kIO, input ? key::kInput : key::kOutput, field})
                     : Path({legacy::kIOSpec, field == key::kStatusCommAddr
                                                  ? legacy::kIOInfo
                                                  : legacy::kIOFuncMsgTitle});
    }
    std::string Trips(bool trips, std::string_view field) const {
        return json_
                   ? Pointer({key::kTrips, trips ? key::kCurrentTrip : key::kCurrentWarning, field})
                   : Path({legacy::kTripSpec, field == key::kTripAddr || field == key::kWarnAddr
                                                  ? legacy::kCommAddr
                                              : field == key::kMessageId ? legacy::kTripName
                                                                         : legacy::kTripInfo});
    }
    std::string Status(bool trips, int64_t k, std::string_view field) const {
        return json_ ? Pointer({key::kTrips, trips ? key::kCurrentTrip : key::kCurrentWarning,
                                key::kStatusInfoData, Index(k), field})
                     : Path({legacy::kTripSpec, legacy::kTripInfoData});
    }

private:
    static std::string Index(int64_t index) { return std::to_string(index); }

    // A JSON Pointer of the parts given, an empty last part left out; "~" and "/" escaped.
    static std::string Pointer(std::initializer_list<std::string_view> parts) {
        std::string pointer;
        for (const std::string_view part : parts) {
            if (part.empty()) {
                continue;
            }
            pointer += '/';
            for (const char c : part) {
                pointer += c == '~' ? "~0" : c == '/' ? "~1" : std::string(1, c);
            }
        }
        return pointer;
    }
    static std::string Path(std::initializer_list<std::string_view> parts) {
        std::string path;
        for (const std::string_view part : parts) {
            path += '/';
            path += part;
        }
        return path;
    }

    bool json_;
};

// A rule at work on one file: what it reads, and where its findings go.
struct Check {
    const DataFile& file;
    const Places& places;
    const Rule& rule;
    std::vector<Finding>& out;

    void Add(std::string place, std::string message) const {
        out.push_back({std::string(rule.name), file.Path(), std::move(place), std::move(message), 0,
                       rule.severity});
    }
};

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// How people name the records: parameter 1/5 "Acc Time", common parameter 0x0300 "Model".
std::string Words(const GroupInfo& group, const ParamInfo& param) {
    const std::string title = CodePageText(param.Title);
    return "parameter " + std::to_string(group.GroupNum) + "/" + std::to_string(param.CodeNum) +
           (title.empty() ? "" : " " + Quoted(title));
}
std::string Words(const CommonInfo& common) {
    const std::string title = CodePageText(common.Title);
    return "common parameter " + HexText(static_cast<uint32_t>(common.CommAddr)) +
           (title.empty() ? "" : " " + Quoted(title));
}
std::string Words(const GroupInfo& group) {
    const std::string title = CodePageText(group.Title);
    return "group " + std::to_string(group.GroupNum) + (title.empty() ? "" : " " + Quoted(title));
}
std::string Words(bool trips, int64_t k, const StatusInfoData& status) {
    const std::string title = CodePageText(status.Title);
    return std::string(trips ? "trip" : "warning") + " value " + std::to_string(k) +
           (title.empty() ? "" : " " + Quoted(title));
}

// A parameter's value as people read it, with its unit.
std::string Value(const DataFile& file, const ParamInfo& param, int32_t value) {
    const std::string unit = IsEnumerated(param) ? "" : Utf8Text(param.Unit);
    return ShownValue(file, param, value) + (unit.empty() ? "" : " " + unit);
}

// The entries of a table that the file holds (all of them but in a damaged file).
template <typename T>
int64_t Held(const DataFile& file, const T* table, int32_t count) {
    return table == nullptr || count <= 0 ? 0 : file.EntriesHeld(table, count);
}

using ParameterVisit =
    std::function<void(int64_t g, const GroupInfo& group, int64_t p, const ParamInfo& param)>;
void ForEachParameter(const DataFile& file, const ParameterVisit& visit) {
    const ParaSpec& para = file.Parameters();
    for (int64_t g = 0; g < Held(file, para.Groups, para.GroupCount); ++g) {
        const GroupInfo& group = para.Groups[g];
        for (int64_t p = 0; p < Held(file, group.Parameters, group.ParameterCount); ++p) {
            visit(g, group, p, group.Parameters[p]);
        }
    }
}

void ForEachCommon(const DataFile& file,
                   const std::function<void(int64_t k, const CommonInfo& common)>& visit) {
    const CommonSpec& common = file.Common();
    for (int64_t k = 0; k < Held(file, common.CommonParams, common.CommonCount); ++k) {
        visit(k, common.CommonParams[k]);
    }
}

void ForEachStatus(
    const DataFile& file,
    const std::function<void(bool trips, int64_t k, const StatusInfoData& status)>& visit) {
    const TripSpec& trip = file.Trips();
    for (int64_t k = 0; k < Held(file, trip.TripStatusInfoData, trip.TripStatusInfoCount); ++k) {
        visit(true, k, trip.TripStatusInfoData[k]);
    }
    for (int64_t k = 0; k < Held(file, trip.WarnStatusInfoData, trip.WarnStatusInfoCount); ++k) {
        visit(false, k, trip.WarnStatusInfoData[k]);
    }
}

// The 32-bit base where the file gives one; 0 gives none, as a file without the key reads.
bool Has32BitAddresses(const DataFile& file) {
    const ExtendSpec* extend = file.Extend();
    return extend != nullptr && extend->KeypadCommOffset32 != 0;
}

void LimitsReversed(const Check& c) {
    ForEachParameter(
        c.file, [&](int64_t g, const GroupInfo& group, int64_t p, const ParamInfo& param) {
            if (param.Min > param.Max) {
                c.Add(c.places.Parameter(g, p, key::kMin),
                      Words(group, param) + ": minimum " + Value(c.file, param, param.Min) +
                          " is above maximum " + Value(c.file, param, param.Max));
            }
        });
    ForEachCommon(c.file, [&](int64_t k, const CommonInfo& common) {
        if (common.Min > common.Max) {
            c.Add(c.places.Common(k, key::kMin),
                  Words(common) + ": minimum " + std::to_string(common.Min) + " is above maximum " +
                      std::to_string(common.Max));
        }
    });
}

void DefaultOutsideLimits(const Check& c) {
    ForEachParameter(
        c.file, [&](int64_t g, const GroupInfo& group, int64_t p, const ParamInfo& param) {
            if (param.Min <= param.Max && (param.Def < param.Min || param.Def > param.Max)) {
                c.Add(c.places.Parameter(g, p, key::kDef),
                      Words(group, param) + ": default " + Value(c.file, param, param.Def) +
                          " is outside " + Value(c.file, param, param.Min) + " to " +
                          Value(c.file, param, param.Max));
            }
        });
    ForEachCommon(c.file, [&](int64_t k, const CommonInfo& common) {
        if (common.Min <= common.Max && (common.Def < common.Min || common.Def > common.Max)) {
            c.Add(c.places.Common(k, key::kDef),
                  Words(common) + ": default " + std::to_string(common.Def) + " is outside " +
                      std::to_string(common.Min) + " to " + std::to_string(common.Max));
        }
    });
}

void MessageMissing(const Check& c) {
    const MessageSpec& messages = c.file.Messages();
    ForEachParameter(c.file, [&](int64_t g, const GroupInfo& group, int64_t p,
                                 const ParamInfo& param) {
        if (IsEnumerated(param) && MessageOf(messages, param.Point32) == nullptr) {
            c.Add(c.places.Parameter(g, p, {}),
                  Words(group, param) + ": its values are named by message " +
                      std::to_string(param.Point32) + ", which the file does not have (" +
                      (messages.Messages != nullptr && messages.MessageCount > 0
                           ? "its messages are 0 to " + std::to_string(messages.MessageCount - 1)
                           : "it has no messages") +
                      ")");
        }
    });
}

void ValueNotNamed(const Check& c) {
    ForEachParameter(c.file, [&](int64_t g, const GroupInfo& group, int64_t p,
                                 const ParamInfo& param) {
        const MessageInfo* message =
            IsEnumerated(param) ? MessageOf(c.file.Messages(), param.Point32) : nullptr;
        // A message whose titles the file does not hold (a missing stream) names nothing, as the
        // load reports; the values are not judged against it.
        if (message == nullptr || (message->TitleInfo == nullptr && message->TitleInfoCount > 0)) {
            return;
        }
        const int32_t names = message->TitleInfo == nullptr ? 0 : message->TitleInfoCount;
        std::string outside;
        std::string_view field;
        for (const auto& [which, name, value] : {std::tuple(key::kDef, "default", param.Def),
                                                 {key::kMin, "minimum", param.Min},
                                                 {key::kMax, "maximum", param.Max}}) {
            if (value < 0 || value >= names) {
                outside +=
                    (outside.empty() ? "" : ", ") + std::string(name) + " " + std::to_string(value);
                field = field.empty() ? which : field;
            }
        }
        if (!outside.empty()) {
            c.Add(c.places.Parameter(g, p, field),
                  Words(group, param) + ": " + outside + " names no value: message " +
                      std::to_string(param.Point32) +
                      (names > 0 ? " names 0 to " + std::to_string(names - 1) : " has no titles"));
        }
    });
}

// One register's first owner among the parameters: which parameter, by which of its addresses,
// and who, for the message. Two parameters are told about once, not once for each register
// they share.
struct Owner {
    int64_t parameter;
    bool wide;
    std::string who;
};

void AddressShared(const Check& c) {
    std::map<uint32_t, Owner> owners;
    std::set<std::pair<int64_t, int64_t>> told;  // pairs of parameters
    const auto tell = [&](uint32_t reg, const Owner& first, const std::string& who,
                          const std::string& place) {
        c.Add(place, "register " + HexText(reg) + " belongs to " + first.who + " and to " + who);
    };
    // A parameter's 16-bit register, and the two of its 32-bit address.
    int64_t parameters = 0;
    const bool wide = Has32BitAddresses(c.file);
    ForEachParameter(
        c.file, [&](int64_t g, const GroupInfo& group, int64_t p, const ParamInfo& param) {
            const std::string words = Words(group, param);
            std::vector<std::pair<uint32_t, Owner>> registers = {
                {c.file.ParamAddress16(group.GroupNum, param.CodeNum), {parameters, false, words}}};
            if (const auto address32 =
                    wide ? c.file.ParamAddress32(group.GroupNum, param.CodeNum) : std::nullopt) {
                const Owner owner{parameters, true, "the 32-bit address of " + words};
                registers.emplace_back(*address32, owner);
                registers.emplace_back((*address32 + 1) & 0xFFFF, owner);
            }
            for (const auto& [reg, owner] : registers) {
                const auto [it, fresh] = owners.try_emplace(reg, owner);
                const Owner& first = it->second;
                if (!fresh && (first.parameter != owner.parameter || first.wide != owner.wide) &&
                    told.emplace(first.parameter, owner.parameter).second) {
                    tell(reg, first, owner.who, c.places.Parameter(g, p, key::kCodeNum));
                }
            }
            ++parameters;
        });
    // Anything else on a parameter's register; common parameters, and the values shown with
    // one trip or warning, each on a register of their own. A common parameter may be a device
    // register (the model number, the control word), and a trip's value the same as a
    // warning's.
    const auto onParameter = [&](int32_t address, const std::string& who,
                                 const std::string& place) {
        const auto it = owners.find(static_cast<uint32_t>(address));
        if (it != owners.end()) {
            tell(it->first, it->second, who, place);
        }
    };
    std::map<uint32_t, std::string> commons;
    ForEachCommon(c.file, [&](int64_t k, const CommonInfo& common) {
        const std::string place = c.places.Common(k, key::kCommAddr);
        onParameter(common.CommAddr, Words(common), place);
        const auto [it, fresh] = commons.try_emplace(common.CommAddr, Words(common));
        if (!fresh) {
            c.Add(place, "register " + HexText(static_cast<uint32_t>(common.CommAddr)) +
                             " belongs to " + it->second + " and to " + Words(common));
        }
    });
    const DeviceInfo& device = c.file.Device();
    for (const auto& [field, address] : {std::pair(key::kModelNoCommAddr, device.ModelNoCommAddr),
                                         {key::kMotorStatusCommAddr, device.MotorStatusCommAddr},
                                         {key::kInvStatusCommAddr, device.InvStatusCommAddr},
                                         {key::kInvControlCommAddr, device.InvControlCommAddr},
                                         {key::kParaSaveCommAddr, device.ParaSaveCommAddr}}) {
        if (address != 0) {
            onParameter(address, "the device's " + std::string(field), c.places.Device(field));
        }
    }
    const IOSpec& io = c.file.IO();
    for (const auto& [input, address] :
         {std::pair(true, io.InputStatusCommAddr), {false, io.OutputStatusCommAddr}}) {
        if (address != 0) {
            onParameter(address, std::string(input ? "the input" : "the output") + " status",
                        c.places.Terminals(input, key::kStatusCommAddr));
        }
    }
    const TripSpec& trip = c.file.Trips();
    for (const auto& [trips, field, address] :
         {std::tuple(true, key::kFirstTripAddr, trip.FirstTripAddr),
          {false, key::kFirstWarnAddr, trip.FirstWarnAddr}}) {
        if (address != 0) {
            onParameter(address, std::string(trips ? "the current trip" : "the current warning"),
                        c.places.Trips(trips, field));
        }
    }
    for (const auto& [trips, table, count] : {std::tuple(true, trip.TripAddr, trip.TripAddrCount),
                                              {false, trip.WarnAddr, trip.WarnAddrCount}}) {
        for (int64_t k = 0; k < Held(c.file, table, count); ++k) {
            if (table[k] != 0) {
                onParameter(table[k],
                            std::string(trips ? "the current trip" : "the current warning"),
                            c.places.Trips(trips, trips ? key::kTripAddr : key::kWarnAddr));
            }
        }
    }
    std::map<std::pair<bool, int32_t>, std::string> values;
    ForEachStatus(c.file, [&](bool trips, int64_t k, const StatusInfoData& status) {
        if (status.CommAddr == 0) {
            return;
        }
        const std::string place = c.places.Status(trips, k, key::kCommAddr);
        onParameter(status.CommAddr, Words(trips, k, status), place);
        const auto [it, fresh] =
            values.try_emplace(std::pair(trips, status.CommAddr), Words(trips, k, status));
        if (!fresh) {
            c.Add(place, "register " + HexText(static_cast<uint32_t>(status.CommAddr)) +
                             " belongs to " + it->second + " and to " + Words(trips, k, status));
        }
    });
}

void GroupRepeated(const Check& c) {
    const ParaSpec& para = c.file.Parameters();
    std::map<int32_t, int64_t> first;
    for (int64_t g = 0; g < Held(c.file, para.Groups, para.GroupCount); ++g) {
        const auto [it, fresh] = first.try_emplace(para.Groups[g].GroupNum, g);
        if (!fresh) {
            c.Add(c.places.Group(g), Words(para.Groups[g]) + " again: entry " + std::to_string(g) +
                                         " has the number of entry " + std::to_string(it->second));
        }
    }
}

// The parameter at each 16-bit address, the first where several share one.
std::map<uint32_t, std::string> ParametersByAddress(const DataFile& file) {
    std::map<uint32_t, std::string> byAddress;
    ForEachParameter(file, [&](int64_t, const GroupInfo& group, int64_t, const ParamInfo& param) {
        byAddress.try_emplace(file.ParamAddress16(group.GroupNum, param.CodeNum),
                              Words(group, param));
    });
    return byAddress;
}

void InitOrderUnknown(const Check& c) {
    const InitOrder& init = c.file.Init();
    const std::map<uint32_t, std::string> parameters = ParametersByAddress(c.file);
    for (int64_t k = 0; k < Held(c.file, init.InitOrderAddrs, init.InitOrderCount); ++k) {
        const int32_t address = init.InitOrderAddrs[k];
        if (parameters.count(static_cast<uint32_t>(address)) == 0) {
            c.Add(c.places.Init(),
                  "step " + std::to_string(k + 1) +
                      (address == 0 ? " names no parameter"
                                    : " is register " + HexText(static_cast<uint32_t>(address)) +
                                          ", which no parameter has"));
        }
    }
}

void InitOrderRepeated(const Check& c) {
    const InitOrder& init = c.file.Init();
    const std::map<uint32_t, std::string> parameters = ParametersByAddress(c.file);
    std::map<uint32_t, int64_t> firstStep;
    for (int64_t k = 0; k < Held(c.file, init.InitOrderAddrs, init.InitOrderCount); ++k) {
        const auto address = static_cast<uint32_t>(init.InitOrderAddrs[k]);
        const auto parameter = parameters.find(address);
        if (parameter == parameters.end()) {
            continue;
        }
        const auto [it, fresh] = firstStep.try_emplace(address, k);
        if (!fresh) {
            c.Add(c.places.Init(), "step " + std::to_string(k + 1) + " names " + parameter->second +
                                       " again, as step " + std::to_string(it->second + 1) +
                                       " does");
        }
    }
}

void NamesMissing(const Check& c) {
    const IOSpec& io = c.file.IO();
    for (const auto& [input, count, titles, titleCount] :
         {std::tuple(true, io.InputCount, io.InputFuncTitles, io.InputFuncTitleCount),
          {false, io.OutputCount, io.OutputFuncTitles, io.OutputFuncTitleCount}}) {
        if (count > 0 && (titles == nullptr || titleCount <= 0)) {
            c.Add(c.places.Terminals(input, key::kMessageId),
                  "the " + std::to_string(count) + (input ? " input" : " output") +
                      " terminals have no function titles: no message names their functions");
        }
    }
    const TripSpec& trip = c.file.Trips();
    for (const auto& [trips, names, count, used] :
         {std::tuple(true, trip.TripNames, trip.TripCount,
                     trip.TripAddrCount > 0 || trip.TripStatusInfoCount > 0),
          {false, trip.WarnNames, trip.WarnCount,
           trip.WarnAddrCount > 0 || trip.WarnStatusInfoCount > 0}}) {
        if (used && (names == nullptr || count <= 0)) {
            c.Add(c.places.Trips(trips, key::kMessageId),
                  std::string("the current ") + (trips ? "trip" : "warning") +
                      " has no names: no message names the " + (trips ? "trips" : "warnings"));
        }
    }
}

void DecimalPointRange(const Check& c) {
    const auto outside = [](int32_t point) { return point < 0 || point > 9; };
    ForEachParameter(c.file,
                     [&](int64_t g, const GroupInfo& group, int64_t p, const ParamInfo& param) {
                         if (!IsEnumerated(param) && outside(param.Point32)) {
                             c.Add(c.places.Parameter(g, p, key::kPoint32),
                                   Words(group, param) + ": decimal point " +
                                       std::to_string(param.Point32) + " is outside 0 to 9");
                         }
                     });
    // A common parameter's decimal point holds the message of its values where it has one.
    ForEachCommon(c.file, [&](int64_t k, const CommonInfo& common) {
        if (outside(common.Point16) &&
            (common.Point16 < 0 || MessageOf(c.file.Messages(), common.Point16) == nullptr)) {
            c.Add(c.places.Common(k, key::kPoint16),
                  Words(common) + ": " + std::to_string(common.Point16) +
                      " is neither a decimal point from 0 to 9 nor a message of the file");
        }
    });
    ForEachStatus(c.file, [&](bool trips, int64_t k, const StatusInfoData& status) {
        if (outside(status.Point16)) {
            c.Add(c.places.Status(trips, k, {}), Words(trips, k, status) + ": decimal point " +
                                                     std::to_string(status.Point16) +
                                                     " is outside 0 to 9");
        }
    });
}

void TitleEmpty(const Check& c) {
    const ParaSpec& para = c.file.Parameters();
    for (int64_t g = 0; g < Held(c.file, para.Groups, para.GroupCount); ++g) {
        if (CodePageText(para.Groups[g].Title).empty()) {
            c.Add(c.places.Group(g), Words(para.Groups[g]) + " has no title");
        }
    }
    ForEachParameter(c.file, [&](int64_t g, const GroupInfo& group, int64_t p,
                                 const ParamInfo& param) {
        if (CodePageText(param.Title).empty()) {
            c.Add(c.places.Parameter(g, p, key::kTitleId), Words(group, param) + " has no title");
        }
    });
    ForEachCommon(c.file, [&](int64_t k, const CommonInfo& common) {
        if (CodePageText(common.Title).empty()) {
            c.Add(c.places.Common(k, key::kTitleId), Words(common) + " has no title");
        }
    });
    ForEachStatus(c.file, [&](bool trips, int64_t k, const StatusInfoData& status) {
        if (CodePageText(status.Title).empty()) {
            c.Add(c.places.Status(trips, k, {}), Words(trips, k, status) + " has no title");
        }
    });
}

// A register holds -32768 to 32767 for a value that can be negative, 0 to 65535 otherwise.
bool FitsRegister(int32_t min, int32_t max) {
    return min >= 0 ? max <= 65535 : min >= -32768 && max <= 32767;
}

void ValueBeyondRegister(const Check& c) {
    if (!Has32BitAddresses(c.file)) {
        ForEachParameter(
            c.file, [&](int64_t g, const GroupInfo& group, int64_t p, const ParamInfo& param) {
                if (param.Min <= param.Max && !FitsRegister(param.Min, param.Max)) {
                    c.Add(c.places.Parameter(g, p, key::kMax),
                          Words(group, param) + ": its values " + std::to_string(param.Min) +
                              " to " + std::to_string(param.Max) +
                              " do not fit its 16-bit register, and the file gives no 32-bit one");
                }
            });
    }
    ForEachCommon(c.file, [&](int64_t k, const CommonInfo& common) {
        if (common.Min <= common.Max && !FitsRegister(common.Min, common.Max)) {
            c.Add(c.places.Common(k, key::kMax),
                  Words(common) + ": its values " + std::to_string(common.Min) + " to " +
                      std::to_string(common.Max) + " do not fit its 16-bit register");
        }
    });
}

struct RuleEntry {
    Rule rule;
    void (*check)(const Check&);
};

const std::vector<RuleEntry>& RuleTable() {
    static const std::vector<RuleEntry> table = {
        {{"limits-reversed", Severity::Error,
          "a parameter's minimum is above its maximum, so no value is within its limits"},
         LimitsReversed},
        {{"default-outside-limits", Severity::Error,
          "a parameter's default lies outside its minimum and maximum, so a drive refuses it"},
         DefaultOutsideLimits},
        {{"message-missing", Severity::Error,
          "a parameter with named values (data type 255) names a message the file does not "
          "have"},
         MessageMissing},
        {{"value-not-named", Severity::Error,
          "the default or a limit of a parameter with named values is no title of its message"},
         ValueNotNamed},
        {{"address-shared", Severity::Error,
          "one register belongs to two parameters (by their 16-bit addresses, or the two "
          "registers of a 32-bit one), to a parameter and a device register, common parameter, "
          "status or trip register, to two common parameters, or to two values of one trip or "
          "warning"},
         AddressShared},
        {{"group-repeated", Severity::Error, "two parameter groups have one number"},
         GroupRepeated},
        {{"init-order-unknown", Severity::Error,
          "a step of the initialisation order names no parameter of the file"},
         InitOrderUnknown},
        {{"init-order-repeated", Severity::Error,
          "a step of the initialisation order names a parameter an earlier step names"},
         InitOrderRepeated},
        {{"names-missing", Severity::Error,
          "terminals without titles of their functions, or a current trip or warning without "
          "names: the message that names them is missing"},
         NamesMissing},
        {{"decimal-point-range", Severity::Error,
          "a decimal point outside 0 to 9, which no display shows (a common parameter's may "
          "instead name a message)"},
         DecimalPointRange},
        {{"title-empty", Severity::Warning,
          "a group, parameter, common parameter or trip or warning value has no title"},
         TitleEmpty},
        {{"value-beyond-register", Severity::Warning,
          "a parameter's limits do not fit one 16-bit register, and it has no 32-bit address"},
         ValueBeyondRegister},
    };
    return table;
}

}  // namespace

const std::vector<Rule>& Rules() {
    static const std::vector<Rule> rules = [] {
        std::vector<Rule> list;
        for (const RuleEntry& entry : RuleTable()) {
            list.push_back(entry.rule);
        }
        return list;
    }();
    return rules;
}

const std::vector<Rule>& LoadFindingKinds() {
    static const std::vector<Rule> kinds = {
        {"unreadable", Severity::Error, "the system cannot give the file"},
        {"parse-error", Severity::Error, "the file is no JSON text"},
        {"missing-document", Severity::Error,
         "the file, or its titles document, is missing or cannot be opened"},
        {"missing-section", Severity::Error, "a section the format needs is missing"},
        {"unknown-id", Severity::Error, "an id names nothing of its table"},
        {"duplicate-id", Severity::Error, "an id is given again; the first is kept"},
        {"text-cut", Severity::Error, "a text is longer than its field and is cut"},
        {"count-mismatch", Severity::Error,
         "a table lists another number of entries than its count says"},
        {"out-of-range", Severity::Error, "a number lies outside what its field or its use allows"},
        {"missing-storage", Severity::Error, "a storage of the legacy file is missing"},
        {"missing-stream", Severity::Error, "a stream of the legacy file is missing"},
        {"short-stream", Severity::Error,
         "a stream of the legacy file holds less than its count needs"},
    };
    return kinds;
}

std::vector<Finding> CheckRules(const DataFile& file) {
    const Places places(file.GetFormat());
    std::vector<Finding> findings;
    for (const RuleEntry& entry : RuleTable()) {
        entry.check(Check{file, places, entry.rule, findings});
    }
    return findings;
}

std::optional<std::string> ApplyRuleChoices(std::vector<Finding>& findings,
                                            const RuleChoices& choices) {
    const auto known = [](const std::string& name) {
        const auto named = [&](const Rule& rule) { return rule.name == name; };
        return std::any_of(Rules().begin(), Rules().end(), named) ||
               std::any_of(LoadFindingKinds().begin(), LoadFindingKinds().end(), named);
    };
    for (const std::vector<std::string>* names : {&choices.ignore, &choices.error}) {
        for (const std::string& name : *names) {
            if (!known(name)) {
                return name;
            }
        }
    }
    const auto in = [](const std::vector<std::string>& names, const std::string& kind) {
        return std::find(names.begin(), names.end(), kind) != names.end();
    };
    findings.erase(std::remove_if(findings.begin(), findings.end(),
                                  [&](const Finding& f) { return in(choices.ignore, f.kind); }),
                   findings.end());
    for (Finding& finding : findings) {
        if (in(choices.error, finding.kind)) {
            finding.severity = Severity::Error;
        }
    }
    return std::nullopt;
}

}  // namespace vqdf::api
