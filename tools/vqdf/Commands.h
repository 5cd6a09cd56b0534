// The commands of vqdf. Each writes its report and returns the exit status.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "DataFileApi.h"

namespace vqdf::cli {

struct ShowOptions {
    std::optional<int> group;  // only the group of this number
};
int Show(const api::DataFile& file, const ShowOptions& options, std::FILE* out);

// Findings of a load that succeeded or failed, one per line, and a summary.
int Check(const std::string& path, const api::OpenResult& result, std::string& out);

struct DiffOptions {
    bool json = false;
};
int Diff(const api::DataFile& before, const api::DataFile& after, const DiffOptions& options,
         std::string& out);

}  // namespace vqdf::cli
