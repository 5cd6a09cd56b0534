// vqdf check: every finding of a load, one per line with its place, and a summary.
#include <fmt/format.h>

#include <iterator>
#include <map>

#include "Commands.h"

namespace vqdf::cli {

int Check(const std::string& path, const api::OpenResult& result, std::string& text) {
    const std::vector<api::Finding>& findings = result.findings;
    auto out = std::back_inserter(text);
    std::map<std::string, int> byKind;
    for (const api::Finding& finding : findings) {
        fmt::format_to(out, "{}: {} [{}]\n", finding.place, finding.message, finding.kind);
        ++byKind[finding.kind];
    }
    if (findings.empty()) {
        fmt::format_to(out, "{}: no findings\n", path);
        return 0;
    }
    fmt::format_to(out, "{}: {} finding{}{} (", path, findings.size(),
                   findings.size() == 1 ? "" : "s", result.file ? "" : ", the load fails");
    bool first = true;
    for (const auto& [kind, count] : byKind) {
        fmt::format_to(out, "{}{} {}", first ? "" : ", ", count, kind);
        first = false;
    }
    fmt::format_to(out, ")\n");
    return 1;
}

}  // namespace vqdf::cli
