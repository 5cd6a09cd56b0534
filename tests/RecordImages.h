// Every record of a loaded data file as raw images, stream by stream in the legacy layout, so
// that two files compare byte for byte on what a host reads.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "compound/DataFileInfo.h"
#include "compound/LegacyWriter.h"
#include "json/DataFileV2.h"

namespace vqdf::testing {

// Stream path to its bytes; empty when the file does not load.
inline std::map<std::string, std::string> RecordImages(const std::filesystem::path& path) {
    std::unique_ptr<IDataFile> file;
    if (path.extension() == ".json") {
        file = std::make_unique<CDataFileV2>();
    } else {
        file = std::make_unique<CDataFileInfo>(path.wstring());
    }
    std::map<std::string, std::string> images;
    if (file->Load(path.wstring()) == 0) {
        file->ReleaseTables();
        return images;
    }
    const platform::CompoundNode root = LegacyTree(*file);
    file->ReleaseTables();
    std::vector<std::pair<std::string, const platform::CompoundNode*>> pending{{"", &root}};
    while (!pending.empty()) {
        const auto [prefix, node] = pending.back();
        pending.pop_back();
        for (const auto& [name, bytes] : node->streams) {
            images[prefix + "/" + name] = bytes;
        }
        for (const platform::CompoundNode& child : node->storages) {
            pending.emplace_back(prefix + "/" + child.name, &child);
        }
    }
    return images;
}

}  // namespace vqdf::testing
