// The tree of storages and streams that the compound-file writers write.
#include <algorithm>

#include "CompoundWriter.h"

namespace vqdf::tools {

CompoundNode& CompoundNode::Storage(const std::string& storageName) {
    if (CompoundNode* found = FindStorage(storageName)) {
        return *found;
    }
    storages.push_back(CompoundNode{storageName, {}, {}});
    return storages.back();
}

void CompoundNode::SetStream(const std::string& streamName, std::string bytes) {
    if (std::string* found = FindStream(streamName)) {
        *found = std::move(bytes);
        return;
    }
    streams.emplace_back(streamName, std::move(bytes));
}

bool CompoundNode::Remove(const std::string& childName) {
    const auto stream = std::find_if(streams.begin(), streams.end(),
                                     [&](const auto& entry) { return entry.first == childName; });
    if (stream != streams.end()) {
        streams.erase(stream);
        return true;
    }
    const auto storage = std::find_if(storages.begin(), storages.end(),
                                      [&](const auto& node) { return node.name == childName; });
    if (storage != storages.end()) {
        storages.erase(storage);
        return true;
    }
    return false;
}

std::string* CompoundNode::FindStream(const std::string& streamName) {
    for (auto& [streamNameHere, bytes] : streams) {
        if (streamNameHere == streamName) {
            return &bytes;
        }
    }
    return nullptr;
}

CompoundNode* CompoundNode::FindStorage(const std::string& storageName) {
    for (CompoundNode& node : storages) {
        if (node.name == storageName) {
            return &node;
        }
    }
    return nullptr;
}

}  // namespace vqdf::tools
