// The tree of storages and streams that the compound-file writers write.
#include "platform/CompoundOutput.h"

#include <algorithm>

namespace vqdf::platform {

CompoundNode& CompoundNode::Storage(std::string_view storageName) {
    if (CompoundNode* found = FindStorage(storageName)) {
        return *found;
    }
    storages.push_back(CompoundNode{std::string(storageName), {}, {}});
    return storages.back();
}

void CompoundNode::SetStream(std::string_view streamName, std::string bytes) {
    if (std::string* found = FindStream(streamName)) {
        *found = std::move(bytes);
        return;
    }
    streams.emplace_back(std::string(streamName), std::move(bytes));
}

bool CompoundNode::Remove(std::string_view childName) {
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

std::string* CompoundNode::FindStream(std::string_view streamName) {
    for (auto& [streamNameHere, bytes] : streams) {
        if (streamNameHere == streamName) {
            return &bytes;
        }
    }
    return nullptr;
}

CompoundNode* CompoundNode::FindStorage(std::string_view storageName) {
    for (CompoundNode& node : storages) {
        if (node.name == storageName) {
            return &node;
        }
    }
    return nullptr;
}

}  // namespace vqdf::platform
