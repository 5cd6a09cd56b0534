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
        std::vector<std::vector<std::pair<std::string_view, std::string_view>>> objects;
        for (const api::Finding& f : findings) {
            objects.push_back(
                {{"kind", f.kind}, {"file", f.file}, {"place", f.place}, {"message", f.message}});
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
