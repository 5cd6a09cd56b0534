// The parameter ids of a JSON data file: each id with the group and code number of the first
// parameter that has it. Kept as one array ordered by id, which the readers fill in file order
// (rising ids, as data files give them, cost nothing to order) and which hands out a copy as the
// ordered map that hosts receive.
#pragma once

#include <algorithm>
#include <cstdint>
#include <unordered_set>
#include <utility>
#include <vector>

#include "vqDataFileReader.h"

namespace vqdf::json {

class ParamIdTable {
public:
    // Enters an id. With check set, an id entered already is refused at once (false), the earlier
    // entry staying; without, a repeated id is dropped when the table is finished.
    bool Add(uint32_t id, ParamLocation at, bool check) {
        if (check && !seen_.insert(id).second) {
            return false;
        }
        if (!entries_.empty() && id <= entries_.back().first) {
            ordered_ = false;
        }
        entries_.emplace_back(id, at);
        return true;
    }

    // Orders the table by id; of two entries of one id the first entered stays.
    void Finish() {
        if (ordered_) {
            return;
        }
        std::stable_sort(entries_.begin(), entries_.end(),
                         [](const Entry& a, const Entry& b) { return a.first < b.first; });
        entries_.erase(
            std::unique(entries_.begin(), entries_.end(),
                        [](const Entry& a, const Entry& b) { return a.first == b.first; }),
            entries_.end());
        ordered_ = true;
    }

    // Only on a finished table.
    const ParamLocation* Find(uint32_t id) const {
        const auto found = std::lower_bound(
            entries_.begin(), entries_.end(), id,
            [](const Entry& entry, uint32_t wanted) { return entry.first < wanted; });
        return found == entries_.end() || found->first != id ? nullptr : &found->second;
    }

    bool Empty() const { return entries_.empty(); }
    bool Contains(uint32_t id) const { return Find(id) != nullptr; }

    // The table as the ordered map hosts receive; built whole, so that running out of memory
    // leaves out as it was.
    void CopyTo(ParamIdMap& out) const {
        ParamIdMap copy;
        for (const Entry& entry : entries_) {
            copy.emplace_hint(copy.end(), entry);
        }
        out.swap(copy);
    }

private:
    using Entry = std::pair<uint32_t, ParamLocation>;
    std::vector<Entry> entries_;
    std::unordered_set<uint32_t> seen_;
    bool ordered_ = true;
};

}  // namespace vqdf::json
