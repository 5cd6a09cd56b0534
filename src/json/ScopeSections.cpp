// "AdvUserSeq" and "SimpleScope": drive parameters with fixed roles, entered in the map of special
// parameters with their communication addresses.
#include "json/DataFileV2.h"
#include "json/JsonFormat.h"
#include "json/JsonValue.h"

namespace vqdf {

namespace key = json::key;

// The user-sequence roles use the 16-bit addresses; a role already present keeps its entry.
bool CDataFileV2::ReadAdvUserSeq(const Value& section) {
    advUserSeq_.SetObserver(observer_, &paramIds_);
    const bool read = advUserSeq_.LoadAdvUserSeq(section) > 0;
    advUserSeq_.SetObserver(nullptr, nullptr);
    if (!read) {
        return false;
    }
    for (const auto& [role, key] : json::kAdvUserSeqRoles) {
        const uint32_t paramId = advUserSeq_.GetRole(role);
        specialParams_.emplace(role, SpecialParam{paramId, CommAddress16(paramId)});
    }
    return true;
}

// The scope roles use the 32-bit addresses; a role without a usable parameter id is left out.
void CDataFileV2::ReadSimpleScope(const Value& section) {
    for (const auto& [role, key] : json::kScopeRoles) {
        const Value& entry = json::Member(section, key);
        const auto paramId = ReadNumber(entry, key::kParametersId);
        if (!paramId) {
            continue;
        }
        CheckKnownParam(entry, key::kParametersId);
        const auto id = static_cast<uint32_t>(*paramId);
        specialParams_.emplace(role, SpecialParam{id, CommAddress32(id)});
    }
}

}  // namespace vqdf
