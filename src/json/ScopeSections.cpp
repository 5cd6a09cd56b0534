// "AdvUserSeq" and "SimpleScope": drive parameters with fixed roles, entered in the map of special
// parameters with their communication addresses.
#include "json/DataFileV2.h"
#include "json/JsonFormat.h"

namespace vqdf {

namespace key = json::key;

namespace {

constexpr std::array<std::string_view, 1> kRoleKeys = {key::kParametersId};

}  // namespace

// The user-sequence roles use the 16-bit addresses; a role already present keeps its entry.
bool CDataFileV2::ReadAdvUserSeq(const Value& section) {
    advUserSeq_.SetObserver(observer_, &paramIds_);
    const bool read = advUserSeq_.LoadAdvUserSeq(section) > 0;
    advUserSeq_.SetObserver(nullptr, nullptr);
    if (!read) {
        return false;
    }
    for (const auto& [role, member] : json::kAdvUserSeqRoles) {
        const uint32_t paramId = advUserSeq_.GetRole(role);
        specialParams_.emplace(role, SpecialParam{paramId, CommAddress16(paramId)});
    }
    return true;
}

// The scope roles use the 32-bit addresses; a role without a usable parameter id is left out.
void CDataFileV2::ReadSimpleScope(const Value& section) {
    static constexpr auto kMemberKeys = [] {
        std::array<std::string_view, json::kScopeRoles.size()> keys{};
        for (std::size_t k = 0; k < keys.size(); ++k) {
            keys[k] = json::kScopeRoles[k].second;
        }
        return keys;
    }();
    const json::Members<kMemberKeys.size()> members(section, kMemberKeys);
    for (std::size_t k = 0; k < kMemberKeys.size(); ++k) {
        const json::Members<1> entry(members[k], kRoleKeys);
        const auto paramId = findings_.ReadNumber(entry.At(0));
        if (!paramId) {
            continue;
        }
        CheckKnownParam(entry.At(0));
        const auto id = static_cast<uint32_t>(*paramId);
        specialParams_.emplace(json::kScopeRoles[k].first, SpecialParam{id, CommAddress32(id)});
    }
}

}  // namespace vqdf
