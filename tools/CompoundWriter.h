// A tree of storages and streams, and its writing as a compound file through libgsf.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace vqdf::tools {

struct CompoundNode {
    std::string name;
    std::vector<std::pair<std::string, std::string>> streams;  // name and bytes
    std::vector<CompoundNode> storages;

    // The child storage of that name, added when there is none yet.
    CompoundNode& Storage(const std::string& storageName);
    // Sets the stream of that name, adding it when there is none yet.
    void SetStream(const std::string& streamName, std::string bytes);
    // Removes the child storage or stream of that name; false when there is none.
    bool Remove(const std::string& childName);
    // The bytes of the stream of that name, or null.
    std::string* FindStream(const std::string& streamName);
    CompoundNode* FindStorage(const std::string& storageName);
};

// Writes the root's children into a new compound file at the path, replacing any file there.
// On failure returns false and says why in error.
bool WriteCompoundFile(const std::string& path, const CompoundNode& root, std::string& error);

}  // namespace vqdf::tools
