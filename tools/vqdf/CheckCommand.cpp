// vqdf check: every finding of a load, one per line with its place, and a summary.
#include <fmt/format.h>

#include <iterator>
#include <map>

#include "Commands.h"

namespace vqdf::cli {

int Check(const std::string& path, const LoadResult& result, std::string& text) {
    const std::vector<Finding>& findings = result.file ? result.file->Findings() : result.findings;
    auto out = std::back_inserter(text);
    std::map<std::string, int> byKind;
    for (const Finding& finding : findings) {
        fmt::format_to(out, "{}: {} [{}]\n", finding.place, finding.message,
                       FindingKindName(finding.kind));
        ++byKind[FindingKindName(finding.kind)];
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
