// "AdvUserSeq" and "SimpleScope": drive parameters with fixed roles, entered in the map of special
// parameters with their communication addresses.
#include <array>

#include "json/DataFileV2.h"
#include "json/JsonValue.h"

namespace vqdf {
namespace {

constexpr std::array<uint32_t, 4> kAdvUserSeqRoles = {100, 101, 102, 103};

constexpr std::array<std::pair<uint32_t, const char*>, 11> kScopeRoles = {{
    {200, "Enable"},
    {201, "SamplingTime"},
    {202, "ParameterCount"},
    {203, "ParameterAddr1"},
    {204, "ParameterAddr2"},
    {205, "ParameterAddr3"},
    {206, "ParameterAddr4"},
    {207, "ParameterAddr5"},
    {208, "ParameterAddr6"},
    {209, "ParameterAddr7"},
    {210, "ParameterAddr8"},
}};

}  // namespace

// The user-sequence roles use the 16-bit addresses; a role already present keeps its entry.
bool CDataFileV2::ReadAdvUserSeq(const Value& section) {
    advUserSeq_.SetObserver(observer_, &paramIds_);
    const bool read = advUserSeq_.LoadAdvUserSeq(section) > 0;
    advUserSeq_.SetObserver(nullptr, nullptr);
    if (!read) {
        return false;
    }
    for (const uint32_t role : kAdvUserSeqRoles) {
        const uint32_t paramId = advUserSeq_.GetRole(role);
        specialParams_.emplace(role, SpecialParam{paramId, CommAddress16(paramId)});
    }
    return true;
}

// The scope roles use the 32-bit addresses; a role without a usable parameter id is left out.
void CDataFileV2::ReadSimpleScope(const Value& section) {
    for (const auto& [role, key] : kScopeRoles) {
        const Value& entry = json::Member(section, key);
        const auto paramId = ReadNumber(entry, "Parameters::id");
        if (!paramId) {
            continue;
        }
        CheckKnownParam(entry, "Parameters::id");
        const auto id = static_cast<uint32_t>(*paramId);
        specialParams_.emplace(role, SpecialParam{id, CommAddress32(id)});
    }
}

}  // namespace vqdf
