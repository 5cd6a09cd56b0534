// vqdf check: every finding of a load, one per line as FILE:PLACE: MESSAGE [KIND], and a summary;
// or the findings as a JSON array.
#include <fmt/format.h>

#include <map>

#include "Commands.h"
#include "JsonText.h"

namespace vqdf::cli {

namespace {

// The summary as data: the file, whether it loads, how many findings of each kind.
void PrintJsonSummary(const std::string& path, const api::OpenResult& result) {
    std::map<std::string, int> byKind;
    for (const api::Finding& finding : result.findings) {
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
    w.Bool(result.file != nullptr);
    w.Key("findings");
    w.Uint64(result.findings.size());
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

void Check(const std::string& path, const api::OpenResult& result, const CheckOptions& options) {
    const std::vector<api::Finding>& findings = result.findings;
    if (options.json && options.summary) {
        PrintJsonSummary(path, result);
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
    fmt::print(stdout, "{}: {} finding{}{} (", path, findings.size(),
               findings.size() == 1 ? "" : "s", result.file ? "" : ", the load fails");
    bool first = true;
    for (const auto& [kind, count] : byKind) {
        fmt::print(stdout, "{}{} {}", first ? "" : ", ", count, kind);
        first = false;
    }
    fmt::print(stdout, ")\n");
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
