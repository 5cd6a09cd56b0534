// A tree of storages and streams, and its writing as a compound file: through libgsf on Linux,
// through the platform's structured storage on Windows. Only the writers use it; the library reads.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vqdf::platform {

struct CompoundNode {
    std::string name;
    std::vector<std::pair<std::string, std::string>> streams;  // name and bytes
    std::vector<CompoundNode> storages;

    // The child storage of that name, added when there is none yet.
    CompoundNode& Storage(std::string_view storageName);
    // Sets the stream of that name, adding it when there is none yet.
    void SetStream(std::string_view streamName, std::string bytes);
    // Removes the child storage or stream of that name; false when there is none.
    bool Remove(std::string_view childName);
    // The bytes of the stream of that name, or null.
    std::string* FindStream(std::string_view streamName);
    CompoundNode* FindStorage(std::string_view storageName);
};

// Writes the root's children into a new compound file at the path, replacing any file there.
// On failure returns false and says why in error.
bool WriteCompoundFile(const std::string& path, const CompoundNode& root, std::string& error);

}  // namespace vqdf::platform
