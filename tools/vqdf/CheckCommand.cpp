// vqdf check: every finding of a load and of the rules, one per line as FILE:PLACE: MESSAGE
// [KIND], and a summary; or the findings as a JSON array; or the rules themselves.
#include <fmt/format.h>

#include <algorithm>
#include <map>

#include "Commands.h"
#include "JsonText.h"

namespace vqdf::cli {

namespace {

int Warnings(const std::vector<api::Finding>& findings) {
    return static_cast<int>(std::count_if(findings.begin(), findings.end(), [](const auto& f) {
        return f.severity == api::Severity::Warning;
    }));
}

// The summary as data: the file, whether it loads, how many findings of each severity and kind.
void PrintJsonSummary(const std::string& path, bool loads,
                      const std::vector<api::Finding>& findings) {
    std::map<std::string, int> byKind;
    for (const api::Finding& finding : findings) {
        ++byKind[finding.kind];
    }
    rapidjson::StringBuffer buffer;
    rapidjson::PrettyWriter<rapidjson::StringBuffer> w(buffer);
    w.SetIndent(' ', 2);
    w.StartObject();
    w.Key("file");
    const std::string file = api::Utf8Text(path.data(), path.size());
    w.String(file.c_str(), static_cast<rapidjson::SizeType>(file.size()));
    w.Key("loads");
    w.Bool(loads);
    w.Key("findings");
    w.Uint64(findings.size());
    w.Key("errors");
    w.Uint64(findings.size() - static_cast<std::size_t>(Warnings(findings)));
    w.Key("warnings");
    w.Int(Warnings(findings));
    w.Key("kinds");
    w.StartObject();
    for (const auto& [kind, count] : byKind) {
        w.Key(kind.c_str());
        w.Int(count);
    }
    w.EndObject();
    w.EndObject();
    fmt::print(stdout, "{}\n", buffer.GetString());
}

}  // namespace

void Check(const std::string& path, bool loads, const std::vector<api::Finding>& findings,
           const CheckOptions& options) {
    if (options.json && options.summary) {
        PrintJsonSummary(path, loads, findings);
        return;
    }
    if (options.json) {
        // JSON text is UTF-8: bytes of a message or name that are not become U+FFFD.
        std::vector<std::string> texts;
        for (const api::Finding& f : findings) {
            for (const std::string* text : {&f.file, &f.place, &f.message}) {
                texts.push_back(api::Utf8Text(text->data(), text->size()));
            }
        }
        std::vector<std::vector<std::pair<std::string_view, std::string_view>>> objects;
        for (std::size_t k = 0; k < findings.size(); ++k) {
            objects.push_back({{"kind", findings[k].kind},
                               {"severity", api::SeverityName(findings[k].severity)},
                               {"file", texts[3 * k]},
                               {"place", texts[3 * k + 1]},
                               {"message", texts[3 * k + 2]}});
        }
        fmt::print(stdout, "{}", TextObjects(objects));
        return;
    }
    std::map<std::string, int> byKind;
    for (const api::Finding& finding : findings) {
        if (!options.summary) {
            fmt::print(stdout, "{}\n", api::FindingLine(finding));
        }
        ++byKind[finding.kind];
    }
    if (findings.empty()) {
        fmt::print(stdout, "{}: no findings\n", path);
        return;
    }
    const int warnings = Warnings(findings);
    fmt::print(stdout, "{}: {} finding{}{}{} (", path, findings.size(),
               findings.size() == 1 ? "" : "s",
               warnings == 0          ? ""
               : findings.size() == 1 ? ", a warning"
               : warnings == 1        ? ", 1 of them a warning"
                                      : fmt::format(", {} of them warnings", warnings),
               loads ? "" : ", the load fails");
    bool first = true;
    for (const auto& [kind, count] : byKind) {
        fmt::print(stdout, "{}{} {}", first ? "" : ", ", count, kind);
        first = false;
    }
    fmt::print(stdout, ")\n");
}

void PrintRules() {
    const auto print = [](const std::vector<api::Rule>& rules) {
        std::size_t width = 0;
        for (const api::Rule& rule : rules) {
            width = std::max(width, rule.name.size());
        }
        for (const api::Rule& rule : rules) {
            fmt::print(stdout, "  {:<{}}  {:<7}  {}\n", rule.name, width,
                       api::SeverityName(rule.severity), rule.sentence);
        }
    };
    fmt::print(stdout, "Rules over what the file means:\n");
    print(api::Rules());
    fmt::print(stdout, "What the load itself finds:\n");
    print(api::LoadFindingKinds());
}

// The changes as data: before and after as the values themselves, numbers as numbers.
void PrintChanges(const std::vector<api::Change>& changes, bool json) {
    if (json) {
        rapidjson::StringBuffer buffer;
        rapidjson::PrettyWriter<rapidjson::StringBuffer> w(buffer);
        w.SetIndent(' ', 2);
        w.StartArray();
        for (const api::Change& c : changes) {
            w.StartObject();
            for (const auto& [key, text] : {std::pair("change", &c.change),
                                            {"what", &c.what},
                                            {"key", &c.key},
                                            {"field", &c.field}}) {
                w.Key(key);
                w.String(text->c_str(), static_cast<rapidjson::SizeType>(text->size()));
            }
            w.Key("before");
            w.RawValue(c.beforeJson.c_str(), c.beforeJson.size(), rapidjson::kObjectType);
            w.Key("after");
            w.RawValue(c.afterJson.c_str(), c.afterJson.size(), rapidjson::kObjectType);
            w.EndObject();
        }
        w.EndArray();
        fmt::print(stdout, "{}\n", buffer.GetString());
        return;
    }
    for (const api::Change& change : changes) {
        fmt::print(stdout, "{}\n", api::ChangeLine(change));
    }
}

}  // namespace vqdf::cli
