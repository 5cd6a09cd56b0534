// A table of texts by id, for the titles and units: the texts side by side in one buffer, found
// through a flat array where the ids are dense, as data files number them, and through a hash
// table for the rest.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vqdf::json {

class TextTable {
public:
    // Room for about this many entries; a hint only.
    void Reserve(std::size_t entries, std::size_t textBytes);
    // Enters the text under the id; a text already there is replaced.
    void Set(uint32_t id, std::string_view text);
    bool Contains(uint32_t id) const { return Locate(id) != nullptr; }
    // The text of the id, or empty when the table has none.
    std::string_view Find(uint32_t id) const;

private:
    struct Entry {
        uint32_t offset = 0;
        uint32_t length = kAbsent;
    };
    static constexpr uint32_t kAbsent = UINT32_MAX;

    const Entry* Locate(uint32_t id) const;

    std::string texts_;
    // Ids entered so far; an id entered twice may count twice, which only loosens the bound.
    std::size_t entered_ = 0;
    std::vector<Entry> dense_;
    std::unordered_map<uint32_t, Entry> sparse_;
};

}  // namespace vqdf::json
