// What differs between two data files: both walked into the document the dump writes, then
// compared member by member, the entries of each table matched by the key people know them by.
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <string_view>
#include <vector>

#include "DataFileApi.h"
#include "json/JsonValue.h"

namespace vqdf::api {
namespace {

// The trees and texts of a diff take their memory through the checked allocation functions: a
// diff that runs out of memory throws std::bad_alloc rather than writing through a null block.
using Value = json::Value;
using Document = json::Document;

// The walk of the records as a document in memory.
class TreeSink : public RecordSink {
public:
    explicit TreeSink(Document& document) : document_(document) {}
    void StartObject() override {
        Count();
        document_.StartObject();
        counts_.push_back(0);
    }
    void EndObject() override {
        document_.EndObject(counts_.back());
        counts_.pop_back();
    }
    void StartArray() override {
        Count();
        document_.StartArray();
        counts_.push_back(0);
    }
    void EndArray() override {
        document_.EndArray(counts_.back());
        counts_.pop_back();
    }
    void Key(std::string_view key) override {
        document_.Key(key.data(), static_cast<rapidjson::SizeType>(key.size()), true);
    }
    void Int(int64_t value) override {
        Count();
        document_.Int64(value);
    }
    void Text(std::string_view utf8) override {
        Count();
        document_.String(utf8.data(), static_cast<rapidjson::SizeType>(utf8.size()), true);
    }
    void Null() override {
        Count();
        document_.Null();
    }

private:
    // A member counts once, by its value; an element once.
    void Count() {
        if (!counts_.empty()) {
            ++counts_.back();
        }
    }

    Document& document_;
    std::vector<rapidjson::SizeType> counts_;
};

Document Tree(const DataFile& file) {
    Document document;
    auto walk = [&](Document& handler) {
        TreeSink sink(handler);
        WalkRecords(file, sink);
        return true;
    };
    document.Populate(walk);
    return document;
}

// How the entries of a table are matched and named. The path names the table from the root,
// "*" standing for any entry of the table above.
struct TableRule {
    std::string_view path;
    std::string_view noun;
    std::string_view keyMember;  // the member that keys an entry; by position when empty
};

constexpr std::array<TableRule, 23> kTables = {{
    {"DeviceInfo/DiagNumbers", "diagnosis number", ""},
    {"IOSpec/InputTerminals", "input terminal", ""},
    {"IOSpec/OutputTerminals", "output terminal", ""},
    {"IOSpec/InputFuncTitles", "input function", ""},
    {"IOSpec/OutputFuncTitles", "output function", ""},
    {"TripSpec/TripStatusInfoData", "trip status value", ""},
    {"TripSpec/WarnStatusInfoData", "warning status value", ""},
    {"TripSpec/TripNames", "trip", ""},
    {"TripSpec/WarnNames", "warning", ""},
    {"TripSpec/TripAddr", "trip address", ""},
    {"TripSpec/WarnAddr", "warning address", ""},
    {"MessageSpec/Messages", "message", ""},
    {"MessageSpec/Messages/*/TitleInfo", "message title", ""},
    {"CommonSpec/CommonParams", "common parameter", "CommAddr"},
    {"ParaSpec/Groups", "group", "GroupNum"},
    {"ParaSpec/Groups/*/Parameters", "parameter", "CodeNum"},
    {"InitOrder/InitOrderAddrs", "initialisation step", ""},
    {"SpecialParameters", "parameter role", "Role"},
    {"ParamIds", "parameter id", "ParamId"},
    {"FunctionBlocks", "function block", "BlockId"},
    {"FunctionBlocks/*/Expansion", "function block expansion", ""},
    {"FunctionBlocks/*/InputParameterIdList", "function block input", ""},
    {"FunctionBlocks/*/OutputParameterIdList", "function block output", ""},
}};

// The records outside any table, by the member of the root that holds them.
constexpr std::array<std::pair<std::string_view, std::string_view>, 8> kRecords = {{
    {"DeviceInfo", "device"},
    {"IOSpec", "terminals"},
    {"TripSpec", "trips"},
    {"MessageSpec", "messages"},
    {"CommonSpec", "common parameters"},
    {"ParaSpec", "parameter groups"},
    {"InitOrder", "initialisation order"},
    {"ExtendSpec", "device"},
}};

// Numbers of these members are addresses, attributes or offsets: shown in hexadecimal.
bool IsHexMember(std::string_view name) {
    for (const std::string_view end : {"Addr", "Addrs", "Attr", "Offset16", "Offset32"}) {
        if (name.size() >= end.size() && name.substr(name.size() - end.size()) == end) {
            return true;
        }
    }
    return false;
}

std::string Hex(int64_t value) { return HexText(static_cast<uint32_t>(value)); }

std::string Shown(const Value& value, std::string_view member) {
    if (value.IsString()) {
        std::string quoted(1, '"');
        quoted.append(value.GetString(), value.GetStringLength());
        quoted += '"';
        return quoted;
    }
    if (value.IsInt64()) {
        return IsHexMember(member) ? Hex(value.GetInt64()) : std::to_string(value.GetInt64());
    }
    if (value.IsNull()) {
        return "absent";
    }
    if (value.IsArray()) {
        return std::to_string(value.Size()) + (value.Size() == 1 ? " entry" : " entries");
    }
    return "a record";
}

const Value& Null() {
    static const Value kNull;
    return kNull;
}

// A value as compact JSON text.
std::string JsonOf(const Value& value) {
    json::Buffer text;
    rapidjson::Writer<json::Buffer, rapidjson::UTF8<>, rapidjson::UTF8<>, json::ParserAllocator>
        writer(text);
    value.Accept(writer);
    return std::string(text.GetString(), text.GetSize());
}

// How an entry that came or went is shown: by its title or name where it has one, or else by
// its plain members.
std::string Named(const Value& entry) {
    if (!entry.IsObject()) {
        return Shown(entry, "");
    }
    for (const char* member : {"Title", "Name"}) {
        const auto found = entry.FindMember(member);
        if (found != entry.MemberEnd() && found->value.IsString()) {
            return Shown(found->value, member);
        }
    }
    std::string members;
    for (const auto& member : entry.GetObject()) {
        if (!member.value.IsObject() && !member.value.IsArray()) {
            const std::string_view name(member.name.GetString(), member.name.GetStringLength());
            members += members.empty() ? "" : ", ";
            members += std::string(name) + " " + Shown(member.value, name);
        }
    }
    return "(" + members + ")";
}

// Where the comparison is: the path of member names (entries as "*") from the root, the entity
// the changes belong to, its key, and the members below it.
struct Place {
    std::string path;
    std::string what;
    std::string key;
    std::string field;

    Place Member(std::string_view name) const {
        Place below = *this;
        below.path += below.path.empty() ? "" : "/";
        below.path += name;
        if (below.what.empty()) {
            for (const auto& [root, noun] : kRecords) {
                if (root == name) {
                    below.what = std::string(noun);
                    return below;
                }
            }
            below.what = "drive";
        }
        below.field += below.field.empty() ? "" : "/";
        below.field += name;
        return below;
    }
};

class Differ {
public:
    std::vector<Change> changes;

    void Compare(const Value& a, const Value& b, const Place& place) {
        // A table or record that one file lacks altogether compares as an empty one, so that
        // each of its entries and members is named.
        static const Value kEmptyObject(rapidjson::kObjectType);
        static const Value kEmptyArray(rapidjson::kArrayType);
        if (a.IsNull() != b.IsNull()) {
            const Value& present = a.IsNull() ? b : a;
            const Value* empty = present.IsObject()  ? &kEmptyObject
                                 : present.IsArray() ? &kEmptyArray
                                                     : nullptr;
            if (empty != nullptr) {
                Compare(a.IsNull() ? *empty : a, b.IsNull() ? *empty : b, place);
                return;
            }
        }
        if (a.IsObject() && b.IsObject()) {
            CompareObjects(a, b, place);
            return;
        }
        if (a.IsArray() && b.IsArray()) {
            CompareTables(a, b, place);
            return;
        }
        if (a != b) {
            Changed(place, a, b);
        }
    }

private:
    // The member a value is of: an entry of a list of numbers is of the list's member.
    static std::string_view LastName(const Place& place) {
        std::string_view path = place.path;
        while (path.size() >= 2 && path.substr(path.size() - 2) == "/*") {
            path.remove_suffix(2);
        }
        const std::size_t slash = path.rfind('/');
        return path.substr(slash == std::string_view::npos ? 0 : slash + 1);
    }

    void Changed(const Place& place, const Value& before, const Value& after) {
        const std::string_view member = LastName(place);
        changes.push_back({"changed", place.what, place.key, place.field, Shown(before, member),
                           Shown(after, member), JsonOf(before), JsonOf(after)});
    }

    void CompareObjects(const Value& a, const Value& b, const Place& place) {
        for (const auto& member : a.GetObject()) {
            const std::string_view name(member.name.GetString(), member.name.GetStringLength());
            if (place.path.empty() && name == "Format") {
                continue;
            }
            const auto other = b.FindMember(member.name);
            const Place below = place.Member(name);
            if (other == b.MemberEnd()) {
                Changed(below, member.value, Null());
            } else {
                Compare(member.value, other->value, below);
            }
        }
        for (const auto& member : b.GetObject()) {
            if (!a.HasMember(member.name)) {
                const std::string_view name(member.name.GetString(), member.name.GetStringLength());
                Changed(place.Member(name), Null(), member.value);
            }
        }
    }

    static const TableRule* RuleOf(const std::string& path) {
        for (const TableRule& rule : kTables) {
            if (rule.path == path) {
                return &rule;
            }
        }
        return nullptr;
    }

    // An entry's key: its key member, or its position; a key given twice gets "#2", "#3", ...
    static std::vector<std::pair<std::string, const Value*>> Keyed(const Value& table,
                                                                   const TableRule* rule) {
        std::vector<std::pair<std::string, const Value*>> entries;
        std::map<std::string, int> seen;
        for (rapidjson::SizeType k = 0; k < table.Size(); ++k) {
            const Value& entry = table[k];
            std::string key = std::to_string(k);
            if (rule != nullptr && !rule->keyMember.empty() && entry.IsObject()) {
                const auto member = entry.FindMember(
                    Value(rapidjson::StringRef(rule->keyMember.data(), rule->keyMember.size())));
                if (member != entry.MemberEnd() && member->value.IsInt64()) {
                    key = IsHexMember(rule->keyMember) ? Hex(member->value.GetInt64())
                                                       : std::to_string(member->value.GetInt64());
                }
            }
            const int count = ++seen[key];
            entries.emplace_back(count == 1 ? key : key + "#" + std::to_string(count), &entry);
        }
        return entries;
    }

    void CompareTables(const Value& a, const Value& b, const Place& place) {
        const TableRule* rule = RuleOf(place.path);
        const auto before = Keyed(a, rule);
        const auto after = Keyed(b, rule);
        std::map<std::string, const Value*> afterByKey(after.begin(), after.end());
        std::map<std::string, const Value*> beforeByKey(before.begin(), before.end());
        for (const auto& [key, entry] : before) {
            const Place inside = Entry(place, rule, key);
            const auto found = afterByKey.find(key);
            if (found == afterByKey.end()) {
                changes.push_back({"removed", inside.what, inside.key, inside.field, Named(*entry),
                                   "", JsonOf(*entry), "null"});
            } else {
                Compare(*entry, *found->second, inside);
            }
        }
        for (const auto& [key, entry] : after) {
            if (beforeByKey.count(key) == 0) {
                const Place inside = Entry(place, rule, key);
                changes.push_back({"added", inside.what, inside.key, inside.field, "",
                                   Named(*entry), "null", JsonOf(*entry)});
            }
        }
    }

    // Inside an entry of a table with a rule, the entry is the thing changed; inside one of a
    // list without, the entry is a field of what holds the list.
    static Place Entry(const Place& table, const TableRule* rule, const std::string& key) {
        Place inside = table;
        inside.path += "/*";
        if (rule == nullptr) {
            inside.field += "/" + key;
            return inside;
        }
        inside.what = std::string(rule->noun);
        inside.key = table.key.empty() || table.what == inside.what ? key : table.key + "/" + key;
        inside.field.clear();
        return inside;
    }
};

}  // namespace

std::vector<Change> Diff(const DataFile& before, const DataFile& after) {
    const Document a = Tree(before);
    const Document b = Tree(after);
    Differ differ;
    differ.Compare(a, b, Place{});
    return std::move(differ.changes);
}

std::string ChangeLine(const Change& change) {
    const std::string subject = change.key.empty() ? change.what : change.what + " " + change.key;
    if (change.change == "added") {
        return "+ " + subject + (change.field.empty() ? "" : " " + change.field) + " " +
               change.after;
    }
    if (change.change == "removed") {
        return "- " + subject + (change.field.empty() ? "" : " " + change.field) + " " +
               change.before;
    }
    return "~ " + subject + (change.field.empty() ? "" : " " + change.field) + ": " +
           change.before + " -> " + change.after;
}

}  // namespace vqdf::api
