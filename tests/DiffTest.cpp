// Diff over the dump walk: any one field of any record, changed in place, gives exactly one
// difference that names the record by its key and the field by its name, in the list and in the
// line; a changed key gives the entry removed and the entry added; keys given twice stay apart.
#include <gtest/gtest.h>
#include <rapidcheck/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "DataFileApi.h"
#include "TestDirectory.h"

namespace vqdf::api {
namespace {

const std::string kJson = VQDF_EXAMPLES_DIR "/M1_1_05.json";

// The legacy example, in a copy of this program's own: a compound file is opened exclusively, so
// programs that run side by side each read their own.
const std::string& Legacy() {
    static const testing::TestDirectory folder;
    static const std::string copy =
        folder.CopyHere(VQDF_EXAMPLES_DIR "/DataFile/M1/M1_1_05.inv").string();
    return copy;
}

// The records of a loaded file, changed in place by a test: the DataFile owns them.
struct Records {
    explicit Records(const DataFile& file)
        : device(const_cast<DeviceInfo&>(file.Device())),
          io(const_cast<IOSpec&>(file.IO())),
          trips(const_cast<TripSpec&>(file.Trips())),
          messages(const_cast<MessageSpec&>(file.Messages())),
          common(const_cast<CommonSpec&>(file.Common())),
          para(const_cast<ParaSpec&>(file.Parameters())),
          init(const_cast<InitOrder&>(file.Init())),
          extend(const_cast<ExtendSpec*>(file.Extend())),
          roles(const_cast<SpecialParamMap*>(file.SpecialParameters())) {}
    DeviceInfo& device;
    IOSpec& io;
    TripSpec& trips;
    MessageSpec& messages;
    CommonSpec& common;
    ParaSpec& para;
    InitOrder& init;
    ExtendSpec* extend;
    SpecialParamMap* roles;
};

// An entry drawn from a table, with its key as the diff names it.
template <typename T>
std::pair<T*, std::string> DrawnEntry(T* entries, int32_t count) {
    const bool any = entries != nullptr && count > 0;
    RC_PRE(any);
    const int32_t k = *rc::gen::inRange(0, count);
    return {&entries[k], std::to_string(k)};
}

// How a field changed: the entry's key, and whether the value shown is a text.
struct Edited {
    std::string key;
    std::string after;  // as the diff shows it; empty for a text, whose quoting is checked apart
};

bool IsHexField(const std::string& field) {
    for (const std::string end : {"Addr", "Addrs", "Attr", "Offset16", "Offset32"}) {
        if (field.size() >= end.size() &&
            field.compare(field.size() - end.size(), end.size(), end) == 0) {
            return true;
        }
    }
    return false;
}

// A number becomes any other number; it is shown in hexadecimal where it is an address,
// attribute or offset, in decimal elsewhere.
template <typename Number>
Edited Edit(Number& value, const std::string& field, std::string key) {
    const auto drawn = static_cast<Number>(*rc::gen::arbitrary<int32_t>());
    value = drawn == value ? static_cast<Number>(value ^ 1) : drawn;
    const int64_t shown = static_cast<int64_t>(value);
    return {std::move(key),
            IsHexField(field) ? HexText(static_cast<uint32_t>(shown)) : std::to_string(shown)};
}

// A text's first character becomes another letter.
template <typename Char, std::size_t N>
Edited Edit(Char (&text)[N], const std::string&, std::string key) {
    const auto letter = static_cast<Char>(*rc::gen::inRange('a', 'z'));
    text[0] = text[0] == letter ? static_cast<Char>('Z') : letter;
    return {std::move(key), ""};
}

struct FieldCase {
    std::string what;
    std::string field;
    std::function<Edited(Records&)> edit;
    // A list of names that a JSON file shares with its message, so that a change shows twice.
    bool sharedInJson = false;
};

void showValue(const FieldCase& c, std::ostream& out) { out << c.what << " " << c.field; }

// A field of an entry, by its name and its member.
template <typename Entry, typename Member>
struct Field {
    const char* name;
    Member Entry::*member;
};
#define F(Entry, member) \
    Field<Entry, decltype(Entry::member)> { #member, &Entry::member }

// Cases for the fields given of the entry that draw gives.
template <typename Draw, typename... Fields>
void AddFields(std::vector<FieldCase>& cases, const char* what, Draw draw, Fields... fields) {
    (cases.push_back({what, fields.name,
                      [draw, fields](Records& r) {
                          auto [entry, key] = draw(r);
                          return Edit(entry->*fields.member, fields.name, key);
                      }}),
     ...);
}

// An entry of a list of plain numbers, shown by the list's rule; or of a list of names.
#define ENTRY(what, Draw, list)             \
    FieldCase {                             \
        what, "", [](Records& r) {          \
            auto [entry, key] = Draw(r);    \
            return Edit(*entry, list, key); \
        }                                   \
    }
#define NAME(what, Draw)                            \
    FieldCase {                                     \
        what, "",                                   \
            [](Records& r) {                        \
                auto [entry, key] = Draw(r);        \
                return Edit(entry->Title, "", key); \
            },                                      \
            true                                    \
    }

std::pair<DeviceInfo*, std::string> TheDevice(Records& r) { return {&r.device, ""}; }
std::pair<IOSpec*, std::string> TheTerminals(Records& r) { return {&r.io, ""}; }
std::pair<TripSpec*, std::string> TheTrips(Records& r) { return {&r.trips, ""}; }
std::pair<ExtendSpec*, std::string> TheExtension(Records& r) {
    const bool held = r.extend != nullptr;
    RC_PRE(held);
    return {r.extend, ""};
}
auto AnInput(Records& r) { return DrawnEntry(r.io.InputTerminals, r.io.InputCount); }
auto AnOutput(Records& r) { return DrawnEntry(r.io.OutputTerminals, r.io.OutputCount); }
auto ATripValue(Records& r) {
    return DrawnEntry(r.trips.TripStatusInfoData, r.trips.TripStatusInfoCount);
}
auto AWarningValue(Records& r) {
    return DrawnEntry(r.trips.WarnStatusInfoData, r.trips.WarnStatusInfoCount);
}
auto ACommon(Records& r) {
    auto [entry, position] = DrawnEntry(r.common.CommonParams, r.common.CommonCount);
    return std::pair(entry, HexText(static_cast<uint32_t>(entry->CommAddr)));
}
auto AGroup(Records& r) {
    auto [entry, position] = DrawnEntry(r.para.Groups, r.para.GroupCount);
    return std::pair(entry, std::to_string(entry->GroupNum));
}
auto AParameter(Records& r) {
    auto [group, groupKey] = AGroup(r);
    auto [entry, position] = DrawnEntry(group->Parameters, group->ParameterCount);
    return std::pair(entry, groupKey + "/" + std::to_string(entry->CodeNum));
}
auto ATripAddress(Records& r) { return DrawnEntry(r.trips.TripAddr, r.trips.TripAddrCount); }
auto AWarnAddress(Records& r) { return DrawnEntry(r.trips.WarnAddr, r.trips.WarnAddrCount); }
auto AStep(Records& r) { return DrawnEntry(r.init.InitOrderAddrs, r.init.InitOrderCount); }
auto ADiagnosis(Records& r) { return DrawnEntry(r.device.DiagNumbers, r.device.DiagNumberCount); }
auto AMessageTitle(Records& r) {
    auto [message, m] = DrawnEntry(r.messages.Messages, r.messages.MessageCount);
    auto [title, t] = DrawnEntry(message->TitleInfo, message->TitleInfoCount);
    return std::pair(title, m + "/" + t);
}
auto ATripName(Records& r) { return DrawnEntry(r.trips.TripNames, r.trips.TripCount); }
auto AWarningName(Records& r) { return DrawnEntry(r.trips.WarnNames, r.trips.WarnCount); }
auto AnInputFunction(Records& r) {
    return DrawnEntry(r.io.InputFuncTitles, r.io.InputFuncTitleCount);
}
auto AnOutputFunction(Records& r) {
    return DrawnEntry(r.io.OutputFuncTitles, r.io.OutputFuncTitleCount);
}
auto ARole(Records& r) {
    const bool any = r.roles != nullptr && !r.roles->empty();
    RC_PRE(any);
    auto at = r.roles->begin();
    std::advance(at, *rc::gen::inRange<std::size_t>(0, r.roles->size()));
    return std::pair(&at->second, std::to_string(at->first));
}

// Fields of entries that are no count and no key. A field of a list of plain values, and a
// title of a list of names, is the entry itself: the diff names no field for it.
const std::vector<FieldCase>& FieldCases() {
    static const std::vector<FieldCase> cases = [] {
        using D = DeviceInfo;
        using S = StatusInfoData;
        using C = CommonInfo;
        using P = ParamInfo;
        std::vector<FieldCase> c = {
            ENTRY("trip address", ATripAddress, "TripAddr"),
            ENTRY("warning address", AWarnAddress, "WarnAddr"),
            ENTRY("initialisation step", AStep, "InitOrderAddrs"),
            ENTRY("diagnosis number", ADiagnosis, "DiagNumbers"),
            NAME("message title", AMessageTitle),
            NAME("trip", ATripName),
            NAME("warning", AWarningName),
            NAME("input function", AnInputFunction),
            NAME("output function", AnOutputFunction),
        };
        AddFields(c, "device", TheDevice, F(D, DataFileVersion), F(D, ModelNo), F(D, Model),
                  F(D, InvSwVersion), F(D, Reserved1), F(D, Reserved2), F(D, Reserved3),
                  F(D, KeypadCommOffset16), F(D, ModelNoCommAddr), F(D, Reserved4),
                  F(D, MotorStatusCommAddr), F(D, InvStatusCommAddr), F(D, InvControlCommAddr),
                  F(D, ParaSaveCommAddr));
        AddFields(c, "device", TheExtension, F(ExtendSpec, KeypadCommOffset32));
        AddFields(c, "terminals", TheTerminals, F(IOSpec, InputBasicCount),
                  F(IOSpec, OutputBasicCount), F(IOSpec, InputStatusCommAddr),
                  F(IOSpec, OutputStatusCommAddr));
        AddFields(c, "input terminal", AnInput, F(TerminalInfo, Title), F(TerminalInfo, CommAddr));
        AddFields(c, "output terminal", AnOutput, F(TerminalInfo, Title),
                  F(TerminalInfo, CommAddr));
        AddFields(c, "trips", TheTrips, F(TripSpec, FirstTripAddr), F(TripSpec, FirstWarnAddr));
        using Draw = decltype(&ATripValue);
        for (const auto& [what, draw] :
             {std::pair<const char*, Draw>{"trip status value", ATripValue},
              {"warning status value", AWarningValue}}) {
            AddFields(c, what, draw, F(S, CommAddr), F(S, Title), F(S, DataType), F(S, Point16),
                      F(S, Unit));
        }
        AddFields(c, "common parameter", ACommon, F(C, Title), F(C, Def), F(C, Max), F(C, Min),
                  F(C, Reserved), F(C, Point16), F(C, Unit), F(C, Attr));
        AddFields(c, "group", AGroup, F(GroupInfo, Title), F(GroupInfo, GroupAttr));
        AddFields(c, "parameter", AParameter, F(P, Title), F(P, AltTitle), F(P, Def), F(P, Max),
                  F(P, Min), F(P, DataType), F(P, Point32), F(P, Unit), F(P, Attr));
        AddFields(c, "parameter role", ARole, F(SpecialParam, ParamId), F(SpecialParam, CommAddr));
        return c;
    }();
    return cases;
}
#undef F
#undef ENTRY
#undef NAME

std::unique_ptr<DataFile> Load(const std::string& path) {
    OpenOptions plain;
    plain.findings = false;
    std::unique_ptr<DataFile> file = Open(path, plain).file;
    const bool loaded = file != nullptr;
    RC_ASSERT(loaded);
    return file;
}

// The line of a change names what, key and field, then the values.
std::string LineOf(const Change& c) {
    std::string subject = c.what + (c.key.empty() ? "" : " " + c.key);
    subject += c.field.empty() ? "" : " " + c.field;
    return "~ " + subject + ": " + c.before + " -> " + c.after;
}

RC_GTEST_PROP(Diff, OneFieldChangedGivesOneChangeThatNamesIt, ()) {
    const FieldCase& field = *rc::gen::elementOf(FieldCases());
    const std::string path = *rc::gen::element(kJson, Legacy());
    const bool shown = !(field.sharedInJson && path == kJson);
    RC_PRE(shown);
    const auto before = Load(path);
    const auto after = Load(path);
    Records records(*after);
    const Edited edited = field.edit(records);
    const std::vector<Change> changes = Diff(*before, *after);
    RC_ASSERT(changes.size() == 1u);
    const Change& change = changes[0];
    RC_ASSERT(change.change == "changed");
    RC_ASSERT(change.what == field.what);
    RC_ASSERT(change.key == edited.key);
    RC_ASSERT(change.field == field.field);
    RC_ASSERT(change.after == (edited.after.empty() ? change.after : edited.after));
    RC_ASSERT(change.before != change.after);
    RC_ASSERT(edited.after.empty() == (change.after.front() == '"'));
    RC_ASSERT(ChangeLine(change) == LineOf(change));
}

// The keys of a table that a test changes: an entry's key member, and the key the diff gives it.
struct KeyCase {
    std::string what;
    std::function<std::vector<int32_t*>(Records&)> keys;  // the key of each entry, in order
    std::function<std::string(Records&, int32_t)> name;   // the diff's key for a key value
};

const std::vector<KeyCase>& KeyCases() {
    static const std::vector<KeyCase> cases = {
        {"parameter",
         [](Records& r) {
             std::vector<int32_t*> keys;
             const GroupInfo& group = r.para.Groups[1];
             for (int32_t p = 0; p < group.ParameterCount; ++p) {
                 keys.push_back(&group.Parameters[p].CodeNum);
             }
             return keys;
         },
         [](Records& r, int32_t code) {
             return std::to_string(r.para.Groups[1].GroupNum) + "/" + std::to_string(code);
         }},
        {"group",
         [](Records& r) {
             std::vector<int32_t*> keys;
             for (int32_t g = 0; g < r.para.GroupCount; ++g) {
                 keys.push_back(&r.para.Groups[g].GroupNum);
             }
             return keys;
         },
         [](Records&, int32_t number) { return std::to_string(number); }},
        {"common parameter",
         [](Records& r) {
             std::vector<int32_t*> keys;
             for (int32_t c = 0; c < r.common.CommonCount; ++c) {
                 keys.push_back(&r.common.CommonParams[c].CommAddr);
             }
             return keys;
         },
         [](Records&, int32_t address) { return HexText(static_cast<uint32_t>(address)); }},
    };
    return cases;
}

void showValue(const KeyCase& c, std::ostream& out) { out << c.what; }

// A key changed to one no other entry has: the entry under the old key goes, one under the new
// key comes, and nothing else is told.
RC_GTEST_PROP(Diff, AChangedKeyGivesTheEntryRemovedAndAnotherAdded, ()) {
    const KeyCase& table = *rc::gen::elementOf(KeyCases());
    const auto before = Load(*rc::gen::element(kJson, Legacy()));
    const auto after = Load(before->Path());
    Records records(*after);
    const std::vector<int32_t*> keys = table.keys(records);
    int32_t& key = **rc::gen::elementOf(keys);
    const int32_t old = key;
    const int32_t fresh = *rc::gen::inRange(0, 256);
    const bool unused =
        std::none_of(keys.begin(), keys.end(), [&](int32_t* k) { return *k == fresh; });
    RC_PRE(unused);
    key = fresh;
    const std::vector<Change> changes = Diff(*before, *after);
    RC_ASSERT(changes.size() == 2u);
    RC_ASSERT(changes[0].change == "removed");
    RC_ASSERT(changes[0].key == table.name(records, old));
    RC_ASSERT(changes[1].change == "added");
    RC_ASSERT(changes[1].key == table.name(records, fresh));
    RC_ASSERT(changes[0].what == table.what && changes[1].what == table.what);
}

// Where two entries share a key, the second is told apart as "#2": a field changed in it is
// named under that key, in either file.
RC_GTEST_PROP(Diff, AKeyGivenTwiceNamesTheSecondEntryApart, ()) {
    const KeyCase& table = *rc::gen::elementOf(KeyCases());
    const std::string path = *rc::gen::element(kJson, Legacy());
    const auto before = Load(path);
    const auto after = Load(path);
    Records first(*before);
    Records second(*after);
    const std::size_t count = table.keys(first).size();
    const std::size_t copied = *rc::gen::inRange<std::size_t>(1, count);
    const std::size_t original = *rc::gen::inRange<std::size_t>(0, copied);
    for (Records* records : {&first, &second}) {
        const std::vector<int32_t*> keys = table.keys(*records);
        *keys[copied] = *keys[original];
    }
    // The entry's first field that is no key: a title.
    const int32_t key = *table.keys(second)[copied];
    char* title = table.what == "parameter" ? second.para.Groups[1].Parameters[copied].Title
                  : table.what == "group"   ? second.para.Groups[copied].Title
                                            : second.common.CommonParams[copied].Title;
    title[0] = title[0] == 'q' ? 'r' : 'q';
    const std::vector<Change> changes = Diff(*before, *after);
    RC_ASSERT(changes.size() == 1u);
    RC_ASSERT(changes[0].key == table.name(second, key) + "#2");
    RC_ASSERT(changes[0].field == std::string("Title"));
}

}  // namespace
}  // namespace vqdf::api
