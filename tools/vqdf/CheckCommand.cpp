// vqdf check: every finding of a load, one per line as FILE:PLACE: MESSAGE [KIND], and a summary;
// or the findings as a JSON array.
#include <fmt/format.h>

#include <map>

#include "Commands.h"
#include "JsonText.h"

namespace vqdf::cli {

void Check(const std::string& path, const api::OpenResult& result, const CheckOptions& options) {
    const std::vector<api::Finding>& findings = result.findings;
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

void PrintChanges(const std::vector<api::Change>& changes, bool json) {
    if (json) {
        std::vector<std::vector<std::pair<std::string_view, std::string_view>>> objects;
        for (const api::Change& c : changes) {
            objects.push_back({{"change", c.change},
                               {"what", c.what},
                               {"key", c.key},
                               {"field", c.field},
                               {"before", c.before},
                               {"after", c.after}});
        }
        fmt::print(stdout, "{}", TextObjects(objects));
        return;
    }
    for (const api::Change& change : changes) {
        fmt::print(stdout, "{}\n", api::ChangeLine(change));
    }
}

}  // namespace vqdf::cli
