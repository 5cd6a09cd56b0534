// vqdf diff: what changed between two data files, keyed as people name things: parameters by
// group and code number, groups by number, common parameters by address, the rest by position.
#include <fmt/format.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>

#include <iterator>
#include <map>
#include <vector>

#include "Commands.h"
#include "RecordText.h"

namespace vqdf::cli {
namespace {

enum class ChangeKind { Added, Removed, Changed };

struct Change {
    ChangeKind kind;
    std::string what;   // "parameter", "group", "message", ...
    std::string key;    // "3/12", "5", ...
    std::string field;  // the field that changed; empty when added or removed
    std::string before;
    std::string after;
};

std::string Quoted(const std::string& text) { return fmt::format("\"{}\"", text); }

std::string List(const std::vector<std::string>& items) {
    return fmt::format("[{}]", fmt::join(items, ", "));
}

std::vector<std::string> Names(const MsgTitle* titles, int32_t count) {
    std::vector<std::string> names;
    for (int32_t k = 0; titles != nullptr && k < count; ++k) {
        names.push_back(Quoted(Utf8Text(titles[k].Title)));
    }
    return names;
}

std::vector<std::string> Addresses(const int32_t* addrs, int32_t count) {
    std::vector<std::string> list;
    for (int32_t k = 0; addrs != nullptr && k < count; ++k) {
        list.push_back(Hex(addrs[k]));
    }
    return list;
}

class Differ {
public:
    Differ(const api::DataFile& before, const api::DataFile& after) : a_(before), b_(after) {}

    std::vector<Change> Run() {
        Device();
        Terminals("input terminal", a_.IO(), b_.IO(), true);
        Terminals("output terminal", a_.IO(), b_.IO(), false);
        Trips();
        Messages();
        Groups();
        Commons();
        const InitOrder& x = a_.Init();
        const InitOrder& y = b_.Init();
        Field("init order", "", "addresses", List(Addresses(x.InitOrderAddrs, x.InitOrderCount)),
              List(Addresses(y.InitOrderAddrs, y.InitOrderCount)));
        return std::move(changes_);
    }

private:
    void Field(const std::string& what, const std::string& key, const std::string& field,
               const std::string& before, const std::string& after) {
        if (before != after) {
            changes_.push_back({ChangeKind::Changed, what, key, field, before, after});
        }
    }
    void Presence(ChangeKind kind, const std::string& what, const std::string& key,
                  const std::string& title) {
        changes_.push_back({kind, what, key, "", kind == ChangeKind::Removed ? title : "",
                            kind == ChangeKind::Added ? title : ""});
    }

    void Device() {
        const DeviceInfo& x = a_.Device();
        const DeviceInfo& y = b_.Device();
        Field("device", "", "Model", Utf8Text(x.Model), Utf8Text(y.Model));
        Field("device", "", "ModelNo", std::to_string(x.ModelNo), std::to_string(y.ModelNo));
        Field("device", "", "DataFileVersion", Utf8Text(x.DataFileVersion),
              Utf8Text(y.DataFileVersion));
        Field("device", "", "InvSwVersion", Utf8Text(x.InvSwVersion), Utf8Text(y.InvSwVersion));
        const std::pair<const char*, int32_t DeviceInfo::*> addresses[] = {
            {"KeypadCommOffset16", &DeviceInfo::KeypadCommOffset16},
            {"ModelNoCommAddr", &DeviceInfo::ModelNoCommAddr},
            {"MotorStatusCommAddr", &DeviceInfo::MotorStatusCommAddr},
            {"InvStatusCommAddr", &DeviceInfo::InvStatusCommAddr},
            {"InvControlCommAddr", &DeviceInfo::InvControlCommAddr},
            {"ParaSaveCommAddr", &DeviceInfo::ParaSaveCommAddr}};
        for (const auto& [name, member] : addresses) {
            Field("device", "", name, Hex(x.*member), Hex(y.*member));
        }
    }

    void Terminals(const std::string& what, const IOSpec& x, const IOSpec& y, bool input) {
        const auto list = [input](const IOSpec& io) {
            return input ? std::make_pair(io.InputTerminals, io.InputCount)
                         : std::make_pair(io.OutputTerminals, io.OutputCount);
        };
        const auto [xs, xn] = list(x);
        const auto [ys, yn] = list(y);
        const int32_t common = std::min(xs ? xn : 0, ys ? yn : 0);
        for (int32_t k = 0; k < std::max(xs ? xn : 0, ys ? yn : 0); ++k) {
            const std::string key = std::to_string(k);
            if (k >= common) {
                const bool added = ys != nullptr && k < yn;
                Presence(added ? ChangeKind::Added : ChangeKind::Removed, what, key,
                         CodePageText((added ? ys : xs)[k].Title));
                continue;
            }
            Field(what, key, "Title", CodePageText(xs[k].Title), CodePageText(ys[k].Title));
            Field(what, key, "CommAddr", Hex(xs[k].CommAddr), Hex(ys[k].CommAddr));
        }
        Field(what + "s", "", "functions",
              List(input ? Names(x.InputFuncTitles, x.InputFuncTitleCount)
                         : Names(x.OutputFuncTitles, x.OutputFuncTitleCount)),
              List(input ? Names(y.InputFuncTitles, y.InputFuncTitleCount)
                         : Names(y.OutputFuncTitles, y.OutputFuncTitleCount)));
    }

    void Trips() {
        const TripSpec& x = a_.Trips();
        const TripSpec& y = b_.Trips();
        Field("trips", "", "names", List(Names(x.TripNames, x.TripCount)),
              List(Names(y.TripNames, y.TripCount)));
        Field("trips", "", "FirstTripAddr", Hex(x.FirstTripAddr), Hex(y.FirstTripAddr));
        Field("trips", "", "TripAddr", List(Addresses(x.TripAddr, x.TripAddrCount)),
              List(Addresses(y.TripAddr, y.TripAddrCount)));
        Field("trips", "", "status", Status(x.TripStatusInfoData, x.TripStatusInfoCount),
              Status(y.TripStatusInfoData, y.TripStatusInfoCount));
        Field("warnings", "", "names", List(Names(x.WarnNames, x.WarnCount)),
              List(Names(y.WarnNames, y.WarnCount)));
        Field("warnings", "", "FirstWarnAddr", Hex(x.FirstWarnAddr), Hex(y.FirstWarnAddr));
        Field("warnings", "", "WarnAddr", List(Addresses(x.WarnAddr, x.WarnAddrCount)),
              List(Addresses(y.WarnAddr, y.WarnAddrCount)));
        Field("warnings", "", "status", Status(x.WarnStatusInfoData, x.WarnStatusInfoCount),
              Status(y.WarnStatusInfoData, y.WarnStatusInfoCount));
    }

    static std::string Status(const StatusInfoData* data, int32_t count) {
        std::vector<std::string> items;
        for (int32_t k = 0; data != nullptr && k < count; ++k) {
            items.push_back(
                fmt::format("{} {}", Quoted(CodePageText(data[k].Title)), Hex(data[k].CommAddr)));
        }
        return List(items);
    }

    void Messages() {
        const MessageSpec& x = a_.Messages();
        const MessageSpec& y = b_.Messages();
        const int32_t xn = x.Messages ? x.MessageCount : 0;
        const int32_t yn = y.Messages ? y.MessageCount : 0;
        for (int32_t m = 0; m < std::max(xn, yn); ++m) {
            const std::string key = std::to_string(m);
            if (m >= xn || m >= yn) {
                const bool added = m < yn;
                const MessageInfo& info = added ? y.Messages[m] : x.Messages[m];
                Presence(added ? ChangeKind::Added : ChangeKind::Removed, "message", key,
                         List(Names(info.TitleInfo, info.TitleInfoCount)));
                continue;
            }
            Field("message", key, "titles",
                  List(Names(x.Messages[m].TitleInfo, x.Messages[m].TitleInfoCount)),
                  List(Names(y.Messages[m].TitleInfo, y.Messages[m].TitleInfoCount)));
        }
    }

    template <typename T, typename Key>
    static std::map<Key, const T*> Keyed(const T* entries, int32_t count, Key (*keyOf)(const T&)) {
        std::map<Key, const T*> keyed;
        for (int32_t k = 0; entries != nullptr && k < count; ++k) {
            keyed.emplace(keyOf(entries[k]), &entries[k]);
        }
        return keyed;
    }

    void Groups() {
        const ParaSpec& x = a_.Parameters();
        const ParaSpec& y = b_.Parameters();
        const auto groupNum = +[](const GroupInfo& g) { return g.GroupNum; };
        const auto xs = Keyed(x.Groups, x.GroupCount, groupNum);
        const auto ys = Keyed(y.Groups, y.GroupCount, groupNum);
        for (const auto& [num, group] : xs) {
            if (ys.count(num) == 0) {
                Presence(ChangeKind::Removed, "group", std::to_string(num),
                         CodePageText(group->Title));
            }
        }
        for (const auto& [num, group] : ys) {
            const auto before = xs.find(num);
            if (before == xs.end()) {
                Presence(ChangeKind::Added, "group", std::to_string(num),
                         CodePageText(group->Title));
                continue;
            }
            Field("group", std::to_string(num), "Title", CodePageText(before->second->Title),
                  CodePageText(group->Title));
            Field("group", std::to_string(num), "GroupAttr", Hex(before->second->GroupAttr),
                  Hex(group->GroupAttr));
        }
        // Parameters of groups that are in only one of the files count as added or removed.
        std::map<std::pair<int32_t, int32_t>, const ParamInfo*> xp;
        std::map<std::pair<int32_t, int32_t>, const ParamInfo*> yp;
        Collect(x, xp);
        Collect(y, yp);
        for (const auto& [at, param] : xp) {
            if (yp.count(at) == 0) {
                Presence(ChangeKind::Removed, "parameter", ParamKey(at),
                         CodePageText(param->Title));
            }
        }
        for (const auto& [at, param] : yp) {
            const auto before = xp.find(at);
            if (before == xp.end()) {
                Presence(ChangeKind::Added, "parameter", ParamKey(at), CodePageText(param->Title));
            } else {
                Parameter(ParamKey(at), *before->second, *param);
            }
        }
    }

    static std::string ParamKey(const std::pair<int32_t, int32_t>& at) {
        return fmt::format("{}/{}", at.first, at.second);
    }

    static void Collect(const ParaSpec& para,
                        std::map<std::pair<int32_t, int32_t>, const ParamInfo*>& params) {
        for (int32_t g = 0; para.Groups != nullptr && g < para.GroupCount; ++g) {
            const GroupInfo& group = para.Groups[g];
            for (int32_t p = 0; group.Parameters != nullptr && p < group.ParameterCount; ++p) {
                params.emplace(std::make_pair(group.GroupNum, group.Parameters[p].CodeNum),
                               &group.Parameters[p]);
            }
        }
    }

    static std::string ValueNames(const api::DataFile& file, const ParamInfo& param) {
        if (!api::IsEnumerated(param)) {
            return "";
        }
        const MessageInfo* message = MessageOf(file.Messages(), param.Point32);
        return message == nullptr ? "" : List(Names(message->TitleInfo, message->TitleInfoCount));
    }

    void Parameter(const std::string& key, const ParamInfo& x, const ParamInfo& y) {
        Field("parameter", key, "Title", CodePageText(x.Title), CodePageText(y.Title));
        Field("parameter", key, "Def", std::to_string(x.Def), std::to_string(y.Def));
        Field("parameter", key, "Min", std::to_string(x.Min), std::to_string(y.Min));
        Field("parameter", key, "Max", std::to_string(x.Max), std::to_string(y.Max));
        Field("parameter", key, "Unit", Utf8Text(x.Unit), Utf8Text(y.Unit));
        Field("parameter", key, "DataType", std::to_string(x.DataType), std::to_string(y.DataType));
        Field("parameter", key, "Point32", std::to_string(x.Point32), std::to_string(y.Point32));
        Field("parameter", key, "Attr", Hex(x.Attr), Hex(y.Attr));
        Field("parameter", key, "values", ValueNames(a_, x), ValueNames(b_, y));
    }

    void Commons() {
        const CommonSpec& x = a_.Common();
        const CommonSpec& y = b_.Common();
        const auto address = +[](const CommonInfo& c) { return c.CommAddr; };
        const auto xs = Keyed(x.CommonParams, x.CommonCount, address);
        const auto ys = Keyed(y.CommonParams, y.CommonCount, address);
        for (const auto& [addr, common] : xs) {
            if (ys.count(addr) == 0) {
                Presence(ChangeKind::Removed, "common parameter", Hex(addr),
                         CodePageText(common->Title));
            }
        }
        for (const auto& [addr, c] : ys) {
            const auto before = xs.find(addr);
            if (before == xs.end()) {
                Presence(ChangeKind::Added, "common parameter", Hex(addr), CodePageText(c->Title));
                continue;
            }
            const CommonInfo& p = *before->second;
            const std::string key = Hex(addr);
            Field("common parameter", key, "Title", CodePageText(p.Title), CodePageText(c->Title));
            Field("common parameter", key, "Def", std::to_string(p.Def), std::to_string(c->Def));
            Field("common parameter", key, "Min", std::to_string(p.Min), std::to_string(c->Min));
            Field("common parameter", key, "Max", std::to_string(p.Max), std::to_string(c->Max));
            Field("common parameter", key, "Point16", std::to_string(p.Point16),
                  std::to_string(c->Point16));
            Field("common parameter", key, "Unit", CodePageText(p.Unit), CodePageText(c->Unit));
            Field("common parameter", key, "Attr", Hex(p.Attr), Hex(c->Attr));
        }
    }

    const api::DataFile& a_;
    const api::DataFile& b_;
    std::vector<Change> changes_;
};

const char* KindName(ChangeKind kind) {
    switch (kind) {
        case ChangeKind::Added:
            return "added";
        case ChangeKind::Removed:
            return "removed";
        case ChangeKind::Changed:
            break;
    }
    return "changed";
}

void WriteText(const std::vector<Change>& changes, std::string& text) {
    auto out = std::back_inserter(text);
    for (const Change& c : changes) {
        const std::string subject = c.key.empty() ? c.what : c.what + " " + c.key;
        switch (c.kind) {
            case ChangeKind::Added:
                fmt::format_to(out, "+ {} {}\n", subject, Quoted(c.after));
                break;
            case ChangeKind::Removed:
                fmt::format_to(out, "- {} {}\n", subject, Quoted(c.before));
                break;
            case ChangeKind::Changed:
                fmt::format_to(out, "~ {} {}: {} -> {}\n", subject, c.field, c.before, c.after);
                break;
        }
    }
}

void WriteJson(const std::vector<Change>& changes, std::string& text) {
    rapidjson::StringBuffer buffer;
    rapidjson::PrettyWriter<rapidjson::StringBuffer> w(buffer);
    w.SetIndent(' ', 2);
    const auto member = [&w](const char* key, const std::string& value) {
        w.Key(key);
        w.String(value.c_str(), static_cast<rapidjson::SizeType>(value.size()));
    };
    w.StartArray();
    for (const Change& c : changes) {
        w.StartObject();
        member("change", KindName(c.kind));
        member("what", c.what);
        member("key", c.key);
        member("field", c.field);
        member("before", c.before);
        member("after", c.after);
        w.EndObject();
    }
    w.EndArray();
    text.append(buffer.GetString(), buffer.GetSize());
    text += '\n';
}

}  // namespace

int Diff(const api::DataFile& before, const api::DataFile& after, const DiffOptions& options,
         std::string& out) {
    const std::vector<Change> changes = Differ(before, after).Run();
    if (options.json) {
        WriteJson(changes, out);
    } else {
        WriteText(changes, out);
    }
    return changes.empty() ? 0 : 1;
}

}  // namespace vqdf::cli
