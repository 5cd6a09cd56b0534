// The commands of vqdf. Each writes its report to out and returns the exit status.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "LoadedFile.h"

namespace vqdf::cli {

struct ShowOptions {
    std::optional<int> group;  // only the group of this number
};
int Show(const LoadedFile& file, const ShowOptions& options, std::FILE* out);

int Dump(const LoadedFile& file, std::FILE* out);

// Findings of a load that succeeded or failed, one per line, and a summary.
int Check(const std::string& path, const LoadResult& result, std::string& out);

// Writes the records of a loaded file in the format the output's name gives.
bool Convert(const LoadedFile& file, const std::string& output, std::string& error);

struct DiffOptions {
    bool json = false;
};
int Diff(const LoadedFile& before, const LoadedFile& after, const DiffOptions& options,
         std::string& out);

}  // namespace vqdf::cli
