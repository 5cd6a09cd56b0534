// The titles and units tables.
#include "json/TextTable.h"

namespace vqdf::json {
namespace {

// An id goes into the flat array while the array stays within this many times the ids entered,
// with room for a first stretch of ids; a file that numbers its texts sparsely, or far from 0,
// costs no more memory than its texts. The bound counts ids entered, never the array's own
// length: that would let each sparse id grow the array by a factor again.
constexpr std::size_t kDenseFactor = 4;
constexpr std::size_t kDenseStart = 4096;

}  // namespace

void TextTable::Reserve(std::size_t entries, std::size_t textBytes) {
    texts_.reserve(textBytes);
    dense_.reserve(entries + 1);
}

void TextTable::Set(uint32_t id, std::string_view text) {
    const Entry entry{static_cast<uint32_t>(texts_.size()), static_cast<uint32_t>(text.size())};
    texts_.append(text);
    const std::size_t limit = kDenseStart + kDenseFactor * entered_;
    if (id < dense_.size()) {
        entered_ += dense_[id].length == kAbsent ? 1 : 0;
        dense_[id] = entry;
    } else if (id < limit) {
        dense_.resize(static_cast<std::size_t>(id) + 1);
        dense_[id] = entry;
        ++entered_;
    } else {
        entered_ += sparse_.insert_or_assign(id, entry).second ? 1 : 0;
    }
}

// An id entered while it was beyond the flat array stays in the hash table after the array has
// grown past it; one entered in the array later is the newer.
const TextTable::Entry* TextTable::Locate(uint32_t id) const {
    if (id < dense_.size() && dense_[id].length != kAbsent) {
        return &dense_[id];
    }
    if (sparse_.empty()) {
        return nullptr;
    }
    const auto found = sparse_.find(id);
    return found == sparse_.end() ? nullptr : &found->second;
}

std::string_view TextTable::Find(uint32_t id) const {
    const Entry* entry = Locate(id);
    return entry == nullptr ? std::string_view()
                            : std::string_view(texts_).substr(entry->offset, entry->length);
}

}  // namespace vqdf::json
